#include "layouts/FolderRotation.h"

#include "platform/AsciiText.h"
#include "platform/CodePage1251.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The lower case of the letters a name's order ignores the case of.
char32_t Folded(char32_t c) {
    const bool latin = c >= U'A' && c <= U'Z';
    const bool latin1 = c >= 0xC0 && c <= 0xDE && c != 0xD7;
    const bool cyrillic = c >= 0x0410 && c <= 0x042F;
    if (latin || latin1 || cyrillic)
        return c + 0x20;
    if (c >= 0x0400 && c <= 0x040F) // Ё, Ђ, Є, ...
        return c + 0x50;
    return c;
}

// The character at the front, which it takes away; a byte that is not UTF-8 stands for itself.
char32_t TakeCharacter(std::string_view& text) {
    if (const auto c = CodePage1251::TakeUtf8(text))
        return *c;
    const auto byte = static_cast<unsigned char>(text.front());
    text.remove_prefix(1);
    return byte;
}

std::string_view TakeDigits(std::string_view& text) {
    const size_t end = std::min(text.find_first_not_of("0123456789"), text.size());
    const std::string_view digits = text.substr(0, end);
    text.remove_prefix(end);
    return digits;
}

// Two runs of digits by their value, which may exceed any integer type.
int CompareNumbers(std::string_view a, std::string_view b) {
    a.remove_prefix(std::min(a.find_first_not_of('0'), a.size()));
    b.remove_prefix(std::min(b.find_first_not_of('0'), b.size()));
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

int CompareNaturally(std::string_view a, std::string_view b) {
    while (!a.empty() && !b.empty()) {
        if (IsDigit(a.front()) && IsDigit(b.front())) {
            if (const int order = CompareNumbers(TakeDigits(a), TakeDigits(b)))
                return order;
            continue;
        }
        const char32_t x = Folded(TakeCharacter(a));
        const char32_t y = Folded(TakeCharacter(b));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.empty() == b.empty() ? 0 : a.empty() ? -1 : 1;
}

} // namespace

namespace FolderRotation {

bool NaturalLess(std::string_view a, std::string_view b) {
    const int order = CompareNaturally(a, b);
    return order != 0 ? order < 0 : a < b;
}

TRotation Of(std::string_view folder, std::vector<std::string> names) {
    TRotation rotation;
    const size_t unreadable = std::erase_if(names, [](const std::string& name) {
        return !CodePage1251::IsUtf8(name) || AsciiText::HasControl(name);
    });
    if (unreadable > 0)
        rotation.Problems.push_back("the folder \"" + std::string(folder) + "\" holds " +
                                    std::to_string(unreadable) +
                                    " file names that are not UTF-8 text; they are left out");
    std::erase_if(names, [](const std::string& name) {
        return Rotation::KindOf(name) == TMediaKind::Neither;
    });
    std::sort(names.begin(), names.end(), NaturalLess);
    if (names.size() > Rotation::MostEntries) {
        rotation.Problems.push_back("the folder \"" + std::string(folder) + "\" holds " +
                                    std::to_string(names.size()) +
                                    " videos and pictures; the first " +
                                    std::to_string(Rotation::MostEntries) + " are shown");
        names.resize(Rotation::MostEntries);
    }
    if (names.empty())
        rotation.Problems.push_back("the folder \"" + std::string(folder) +
                                    "\" holds no video or picture");
    for (const std::string& name : names)
        rotation.Entries.push_back({Rotation::Within(folder, name), std::nullopt});
    return rotation;
}

std::vector<std::string> NamesIn(const std::string& localFolder,
                                 std::vector<std::string>& problems) {
    std::vector<std::string> names;
    std::error_code error;
    std::filesystem::directory_iterator entry(localFolder, error);
    for (; !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
        std::string name = entry->path().filename().string();
        std::error_code kindError;
        if (!name.starts_with('.') && entry->is_regular_file(kindError))
            names.push_back(std::move(name));
    }
    if (error) {
        names.clear();
        problems.push_back("the folder \"" + localFolder +
                           "\" cannot be listed: " + error.category().name() + " error " +
                           std::to_string(error.value()) + ", " + error.message());
    }
    return names;
}

} // namespace FolderRotation
