#include "IniFile.h"

#include "AsciiText.h"
#include "FileIo.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

namespace {

using AsciiText::IsBlank;
using AsciiText::SameName;
using AsciiText::Trim;

// One line of the file without its line ending, with what it means.
struct Line {
    enum class Kind { Other, Section, Key };
    std::string_view text;
    Kind kind = Kind::Other;
    std::string_view name;  // section or key name
    std::string_view value; // key value
};

Line Classify(std::string_view text) {
    Line line;
    line.text = text;
    const std::string_view t = Trim(text);
    if (!t.empty() && t.front() == '[') {
        const auto close = t.find(']');
        line.kind = Line::Kind::Section;
        line.name = Trim(t.substr(1, close == std::string_view::npos ? t.npos : close - 1));
        return line;
    }
    if (t.empty() || t.front() == ';')
        return line;
    const auto eq = t.find('=');
    if (eq == std::string_view::npos)
        return line;
    line.kind = Line::Kind::Key;
    line.name = Trim(t.substr(0, eq));
    line.value = Trim(t.substr(eq + 1));
    return line;
}

struct ParsedFile {
    // On the heap so that the views into it survive moves of the parsed file.
    std::unique_ptr<std::string> content;
    std::vector<Line> lines;
    bool crlf = false;
    bool endsWithBreak = true;
};

ParsedFile Parse(std::string content) {
    ParsedFile file;
    file.content = std::make_unique<std::string>(std::move(content));
    std::string_view rest = *file.content;
    file.crlf = rest.find("\r\n") != std::string_view::npos;
    file.endsWithBreak = rest.empty() || rest.back() == '\n';
    while (!rest.empty()) {
        const auto nl = rest.find('\n');
        std::string_view text = rest.substr(0, nl);
        if (!text.empty() && text.back() == '\r')
            text.remove_suffix(1);
        file.lines.push_back(Classify(text));
        if (nl == std::string_view::npos)
            break;
        rest.remove_prefix(nl + 1);
    }
    return file;
}

using TParsed = std::shared_ptr<const ParsedFile>;

// The parsed state of each file last read, so that reading a value costs a stat() instead of a
// read and a parse. Every use first compares the file's identity with the one parsed: any
// change from outside (an editor, another program) is seen by the very next read, as if the
// file were read afresh each time.
class TParsedCache {
public:
    TParsed Load(const std::string& fileName) {
        const auto identity = FileIo::IdentityOf(fileName);
        if (!identity)
            return nullptr;
        {
            std::lock_guard lock(mutex_);
            const auto found = entries_.find(fileName);
            if (found != entries_.end() && found->second.identity == *identity)
                return found->second.parsed;
        }
        FileIo::TFileIdentity read{};
        auto content = FileIo::ReadAll(fileName, &read);
        if (!content)
            return nullptr;
        auto parsed = std::make_shared<const ParsedFile>(Parse(std::move(*content)));
        std::lock_guard lock(mutex_);
        // A file changed within the last moments may change again within one tick of the file
        // system's clock, with the same size and times: such a state is not kept.
        if (Settled(read))
            entries_[fileName] = {read, parsed};
        else
            entries_.erase(fileName);
        return parsed;
    }

    // After a write of our own the next read parses what was written.
    void Forget(const std::string& fileName) {
        std::lock_guard lock(mutex_);
        entries_.erase(fileName);
    }

private:
    struct TEntry {
        FileIo::TFileIdentity identity;
        TParsed parsed;
    };

    static bool Settled(const FileIo::TFileIdentity& identity) {
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        const int64_t nowNs = static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
        return nowNs - std::max(identity.changed, identity.modified) >= TIniFile::SettleTimeNs;
    }

    std::mutex mutex_;
    std::map<std::string, TEntry> entries_;
};

TParsedCache& ParsedCache() {
    static TParsedCache cache;
    return cache;
}

TParsed Load(const std::string& fileName) {
    return ParsedCache().Load(fileName);
}

// Index range [first, last) of the body of the first section with that name.
struct SectionRange {
    size_t header;
    size_t first;
    size_t last;
};

std::optional<SectionRange> FindSection(const ParsedFile& file, std::string_view section) {
    const std::string_view wanted = Trim(section);
    for (size_t i = 0; i < file.lines.size(); ++i) {
        if (file.lines[i].kind != Line::Kind::Section || !SameName(file.lines[i].name, wanted))
            continue;
        size_t end = i + 1;
        while (end < file.lines.size() && file.lines[end].kind != Line::Kind::Section)
            ++end;
        return SectionRange{i, i + 1, end};
    }
    return std::nullopt;
}

const Line* FindKey(const ParsedFile& file, const SectionRange& range, std::string_view key) {
    const std::string_view wanted = Trim(key);
    for (size_t i = range.first; i < range.last; ++i) {
        if (file.lines[i].kind == Line::Kind::Key && SameName(file.lines[i].name, wanted))
            return &file.lines[i];
    }
    return nullptr;
}

std::string CutValue(std::string_view value) {
    return std::string(value.substr(0, TIniFile::MaxValueLength));
}

bool HoldsLineBreak(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// Writes of one process are serialised so that two read-modify-write cycles never lose each
// other's value; readers need no lock since every write replaces the file atomically.
std::mutex& WriteMutex() {
    static std::mutex mutex;
    return mutex;
}

} // namespace

int StrToIntDef(std::string_view text, int defaultValue) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size())
        return defaultValue;
    // Decimal values must fit a signed 32-bit number; hexadecimal ones may use all 32 bits.
    const uint64_t limit = base == 10 ? (negative ? 2147483648ULL : 2147483647ULL) : 0xFFFFFFFFULL;
    uint64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return defaultValue;
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
        if (value > limit)
            return defaultValue;
    }
    const auto bits = static_cast<uint32_t>(value);
    const auto result = static_cast<int32_t>(negative ? 0U - bits : bits);
    return result;
}

TIniFile::TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view defaultValue) const {
    const auto file = Load(fileName_);
    if (file) {
        if (const auto range = FindSection(*file, section)) {
            if (const Line* line = FindKey(*file, *range, key))
                return CutValue(line->value);
        }
    }
    return CutValue(defaultValue);
}

int TIniFile::ReadInteger(std::string_view section, std::string_view key, int defaultValue) const {
    const std::string text = ReadString(section, key, "");
    return text.empty() ? defaultValue : StrToIntDef(text, defaultValue);
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool TIniFile::KeyExists(std::string_view section, std::string_view key) const {
    const auto file = Load(fileName_);
    if (!file)
        return false;
    const auto range = FindSection(*file, section);
    return range && FindKey(*file, *range, key) != nullptr;
}

bool TIniFile::SectionExists(std::string_view section) const {
    const auto file = Load(fileName_);
    return file && FindSection(*file, section).has_value();
}

std::vector<std::string> TIniFile::ReadSection(std::string_view section) const {
    std::vector<std::string> names;
    for (auto& [name, value] : ReadSectionValues(section))
        names.push_back(std::move(name));
    return names;
}

std::vector<std::pair<std::string, std::string>>
TIniFile::ReadSectionValues(std::string_view section) const {
    std::vector<std::pair<std::string, std::string>> result;
    const auto file = Load(fileName_);
    if (!file)
        return result;
    const auto range = FindSection(*file, section);
    if (!range)
        return result;
    // The names are listed through a fixed buffer, each with its terminating zero and one more
    // zero at the end; names that do not fit are left out.
    size_t used = 1;
    for (size_t i = range->first; i < range->last; ++i) {
        const Line& line = file->lines[i];
        if (line.kind != Line::Kind::Key || line.name.empty())
            continue;
        if (used + line.name.size() + 1 > SectionNamesBufferSize)
            break;
        used += line.name.size() + 1;
        // A name that stands twice reads the value of its first line, as a single read would.
        const Line* first = FindKey(*file, *range, line.name);
        result.emplace_back(std::string(line.name), CutValue(first->value));
    }
    return result;
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    section = Trim(section);
    key = Trim(key);
    value = Trim(value);
    if (HoldsLineBreak(section) || HoldsLineBreak(key) || HoldsLineBreak(value) || key.empty())
        ThrowWriteError();

    std::lock_guard lock(WriteMutex());
    std::optional<std::string> content = FileIo::ReadAll(fileName_);
    if (!content) {
        if (FileIo::Exists(fileName_))
            ThrowWriteError();
        content.emplace();
    }
    const ParsedFile file = Parse(std::move(*content));
    const std::string breakText = file.crlf ? "\r\n" : "\n";
    const std::string keyLine = std::string(key) + "=" + std::string(value);

    std::vector<std::string_view> out;
    out.reserve(file.lines.size() + 2);
    for (const Line& line : file.lines)
        out.push_back(line.text);

    std::string header;
    if (const auto range = FindSection(file, section)) {
        if (const Line* line = FindKey(file, *range, key)) {
            out[static_cast<size_t>(line - file.lines.data())] = keyLine;
        } else {
            size_t at = range->last;
            while (at > range->first && Trim(file.lines[at - 1].text).empty())
                --at;
            out.insert(out.begin() + static_cast<std::ptrdiff_t>(at), keyLine);
        }
    } else {
        header = "[" + std::string(section) + "]";
        out.push_back(header);
        out.push_back(keyLine);
    }

    std::string text;
    for (const std::string_view line : out) {
        text.append(line);
        text.append(breakText);
    }
    const bool written = FileIo::WriteAtomically(fileName_, text);
    ParsedCache().Forget(fileName_);
    if (!written)
        ThrowWriteError();
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void TIniFile::ThrowWriteError() const {
    throw EIniFileException("Unable to write to " + fileName_);
}
