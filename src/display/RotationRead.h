#pragma once

#include "display/DisplayOptions.h"
#include "layouts/Rotation.h"

#include <cstdint>
#include <string>
#include <vector>

// One look at what a layout's video or picture names: a playlist's entries, a folder's file names,
// and those of the folders a playlist names. It touches the file system (a share may hang), so the
// window has it done on a thread of its own (TRotationReads).
struct TRotationRead {
    std::string LayoutPath;     // UTF-8, as the layout names it: entries are read against it
    bool Playlist = false;      // else: a folder when it is one, one file otherwise
    std::string PlaylistFile;   // the playlist's file on this machine: in place, or its cached copy
    std::vector<TPathMap> Maps; // where the folders named are found
    // Where the listings of folders behind maps are kept for starts while their source is away;
    // empty: not kept.
    std::string ListingFolder;
};

struct TRotationReadResult {
    TRotationKind Kind = TRotationKind::OneFile;
    TRotation Rotation;

    bool operator==(const TRotationReadResult&) const = default;
};

namespace RotationRead {

// A playlist larger than this is refused: 1,000 entries of the longest paths fit in it.
constexpr int64_t MostPlaylistBytes = 8 * 1024 * 1024;

TRotationReadResult Run(const TRotationRead& read);

} // namespace RotationRead
