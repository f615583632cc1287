#pragma once

#include "layouts/Rotation.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// Where a folder that a layout names is on this machine.
struct TFolderPlace {
    std::string Local; // the folder's path here
    // Where its listing is kept, to stand in while its source is away; empty: not kept.
    std::string KeptListing;
};

// One look at what a layout's video or picture names: a playlist's entries, a folder's file names,
// and those of the folders a playlist names. It touches the file system (a share may hang), so
// it is done on a thread of its own (TRotationReads).
struct TRotationRead {
    std::string LayoutPath;   // UTF-8, as the layout names it: entries are read against it
    bool Playlist = false;    // else: a folder when it is one, one file otherwise
    std::string PlaylistFile; // the playlist's file on this machine: in place, or its cached copy
    // Where a folder a layout path names is found; nothing: it cannot be one (behind a web map).
    // Unset: layout paths are paths on this machine, as the operator's program takes them.
    std::function<std::optional<TFolderPlace>(const std::string& layoutPath)> Folders;
};

struct TRotationReadResult {
    TRotationKind Kind = TRotationKind::OneFile;
    TRotation Rotation;
};

namespace RotationRead {

// A playlist longer than this is refused: 1,000 entries of the longest paths are less.
constexpr size_t MostPlaylistBytes = 8 * 1024 * 1024;

// Reads the playlist, or lists the folder. An entry of a playlist that names a folder stands for
// the folder's videos and pictures; one that is neither a video, a picture nor a folder is left
// out, said in a line.
TRotationReadResult Run(const TRotationRead& read);

} // namespace RotationRead
