#pragma once

#include "display/DisplayOptions.h"
#include "layouts/Rotation.h"
#include "mediacache/MediaSource.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// A layout's media path that cannot be used here; the message names the path.
class EMediaPathError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Where a file of a layout comes from: shown in place, or through the cache from a source.
struct TMediaPlace {
    std::string Path; // in place (UTF-8), when no map takes the file
    std::optional<TMediaSource> Source;
    std::string Named; // the path as the layout names it (UTF-8)

    // Where the file is looked at on this machine: in place, or at a folder source.
    std::optional<std::string> LocalPath() const;
};

// Where a media file of a layout is found on this machine. Layouts carry paths of the operator's
// machine as Windows-1251 bytes, often Windows paths ("C:\Media\ad.avi").
// A rotation's item as the display finds it: its place, in place or through the media cache.
struct TPlacedEntry {
    TMediaPlace Place;
    std::optional<int> Seconds;
    std::optional<::Hours::THours> Hours = std::nullopt;
};

namespace MediaPath {

// The first map whose FROM begins the path, at a whole folder name, has that beginning replaced
// by its TO. Windows paths compare without regard to letter case, and their backslashes become
// slashes. For a web TO each part of the rest is percent-encoded (UTF-8). A path no map takes is
// shown in place, its bytes converted to UTF-8. A path that a map takes stays inside the map's
// folder: one whose rest holds a ".." part throws EMediaPathError.
TMediaPlace Place(std::string_view layoutPath, const std::vector<TPathMap>& maps);

// The same for a path in UTF-8, as a rotation's entries are (a playlist in UTF-8 may name files
// whose names Windows-1251 cannot carry).
TMediaPlace PlaceUtf8(std::string_view path, const std::vector<TPathMap>& maps);

// Where the file is read from: the source's location, or the path in place.
std::string Local(std::string_view layoutPath, const std::vector<TPathMap>& maps);

// Each entry of the rotation placed by the maps; an entry whose path a map refuses is left out,
// said in a line added to the rotation's problems.
std::vector<TPlacedEntry> PlaceEntries(TRotation& rotation, const std::vector<TPathMap>& maps);

} // namespace MediaPath
