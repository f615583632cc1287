#pragma once

#include "layouts/RotationSequence.h"

#include <string>
#include <string_view>
#include <vector>

// A rotation as the operator's program finds it: the layout's path taken as a local path, as the
// layout window takes the path of one file, and so each entry of a playlist. Looking at the file
// system may hang on a dead share: Read belongs off the window thread.
namespace LocalRotation {

// A playlist longer than this is refused: 1,000 entries of the longest path are less.
constexpr size_t MostPlaylistBytes = 8 * 1024 * 1024;

// What a layout path names, as read.
struct TLocal {
    bool OneFile = false;             // neither a playlist nor a folder: shown as one file
    std::vector<TRotationItem> Items; // in the order shown
    std::vector<std::string> Problems;
};

// Whether the path (UTF-8) may name a rotation without a look at the disk: a playlist by its
// extension, or a folder, which a path without a video's or a picture's extension may be.
bool MayName(std::string_view path);

// Reads the playlist or lists the folder the path (UTF-8) names. An entry that names a folder
// stands for the folder's videos and pictures; one that is neither a video, a picture nor a folder
// is left out with a problem line.
TLocal Read(const std::string& path);

} // namespace LocalRotation
