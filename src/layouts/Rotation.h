#pragma once

#include "layouts/Hours.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What a layout's video or picture file names: one file, or a rotation of several shown one after
// another (an M3U playlist, or a folder with every video and picture in it).
enum class TRotationKind { OneFile, Playlist, Folder };

// What the display shows of a file, by its extension.
enum class TMediaKind { Video, Picture, Neither };

// One item of a rotation.
struct TRotationEntry {
    std::string Path; // a layout path in UTF-8, as the operator wrote it
    // A picture's own time on screen; unset: the display's default (--picture-seconds).
    std::optional<int> Seconds;
    // When it is shown; unset: at all hours.
    std::optional<::Hours::THours> Hours = std::nullopt;

    bool operator==(const TRotationEntry&) const = default;
};

// A rotation as read, in the order it is shown, and what the operator should know about its
// reading: one line each, UTF-8, for the display's log.
struct TRotation {
    std::vector<TRotationEntry> Entries;
    std::vector<std::string> Problems;
};

namespace Rotation {

// A rotation holds at most this many items; the rest are left out, said in one line.
constexpr size_t MostEntries = 1000;

// The extension of the path's file name in ASCII lower case, without its dot; empty when none.
std::string ExtensionOf(std::string_view path);

// Video, picture or neither, by the extension in any letter case: the formats the display plays
// and the pictures the layout's picture box loads.
TMediaKind KindOf(std::string_view path);

// Whether the path may name a rotation without a look at the disk: a playlist by its extension,
// or a folder, which a path without a video's or a picture's extension may be.
bool MayName(std::string_view path);

// What the path names; only the caller knows whether it is a folder.
TRotationKind NamedBy(std::string_view path, bool folder);

// The path of the file of that name in the folder, written the way the folder's path is: with a
// backslash after a Windows path, else a slash.
std::string Within(std::string_view folder, std::string_view name);

} // namespace Rotation
