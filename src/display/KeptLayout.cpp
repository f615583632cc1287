#include "display/KeptLayout.h"

#include "platform/FileIo.h"
#include "platform/ProgramPaths.h"

#include <charconv>

namespace {

constexpr std::string_view NameKey = "Name=";
constexpr std::string_view TypeKey = "Type=";

std::optional<std::string_view> TakeLine(std::string_view& text, std::string_view key) {
    const auto end = text.find('\n');
    if (end == std::string_view::npos || text.substr(0, key.size()) != key)
        return std::nullopt;
    const std::string_view value = text.substr(key.size(), end - key.size());
    text.remove_prefix(end + 1);
    return value;
}

} // namespace

namespace KeptLayout {

std::string Path() {
    return ProgramPaths::StateHome() + "/Quillbrook/VelmoraDisplay/last-layout";
}

std::string Text(const TKeptLayout& layout) {
    return std::string(NameKey) + layout.Name + "\n" + std::string(TypeKey) +
           std::to_string(layout.DisplayType) + "\n\n" + layout.ConfigText;
}

std::optional<TKeptLayout> Parse(std::string_view text) {
    const auto name = TakeLine(text, NameKey);
    const auto type = name ? TakeLine(text, TypeKey) : std::nullopt;
    if (!type || text.empty() || text.front() != '\n')
        return std::nullopt;
    TKeptLayout layout;
    layout.Name = std::string(*name);
    const auto [end, error] =
        std::from_chars(type->data(), type->data() + type->size(), layout.DisplayType);
    if (error != std::errc() || end != type->data() + type->size())
        return std::nullopt;
    layout.ConfigText = std::string(text.substr(1));
    return layout;
}

bool Save(const std::string& path, const TKeptLayout& layout) {
    const auto slash = path.rfind('/');
    if (slash != std::string::npos && !FileIo::MakeFolders(path.substr(0, slash)))
        return false;
    return FileIo::WriteAtomically(path, Text(layout));
}

std::optional<TKeptLayout> Load(const std::string& path) {
    const auto content = FileIo::ReadAll(path);
    if (!content)
        return std::nullopt;
    return Parse(*content);
}

} // namespace KeptLayout
