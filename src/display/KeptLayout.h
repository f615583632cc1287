#pragma once

#include <optional>
#include <string>
#include <string_view>

// The last layout a display received, kept on disk so that the next start shows it at once,
// before any server answers (or when none is reachable).
struct TKeptLayout {
    std::string Name; // the slot it was received for, Windows-1251 bytes
    int DisplayType = 0;
    std::string ConfigText; // as received

    bool operator==(const TKeptLayout&) const = default;
};

namespace KeptLayout {

// $XDG_STATE_HOME/Quillbrook/VelmoraDisplay/last-layout
std::string Path();

// The file's text: "Name=<slot>\nType=<n>\n\n", then the configuration text as it came.
std::string Text(const TKeptLayout& layout);

// Nothing when the text is damaged. Gives back what Text wrote for a name without line breaks.
std::optional<TKeptLayout> Parse(std::string_view text);

// Replaces the file whole and atomically; false when it cannot be written.
bool Save(const std::string& path, const TKeptLayout& layout);

// Nothing when the file is missing or damaged.
std::optional<TKeptLayout> Load(const std::string& path);

} // namespace KeptLayout
