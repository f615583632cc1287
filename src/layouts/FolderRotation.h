#pragma once

#include "layouts/Rotation.h"

#include <string>
#include <string_view>
#include <vector>

// A folder as a rotation: every video and picture in it, in natural name order, pictures for the
// default time.
namespace FolderRotation {

// Natural name order: runs of digits compare by their value ("2.jpg" before "10.jpg"), the rest
// without regard to letter case (Latin, Cyrillic and the Latin-1 letters). Names equal so
// ("a.jpg", "A.jpg"; "01.jpg", "1.jpg") compare by their bytes, so the order never depends on the
// order the folder lists them in.
bool NaturalLess(std::string_view a, std::string_view b);

// The rotation of a folder with those file names (UTF-8), at its layout path (UTF-8): the
// videos and pictures in natural order, at most Rotation::MostEntries of them. Names that are not
// UTF-8 text (other bytes, control characters) are left out, said in one line.
TRotation Of(std::string_view folder, std::vector<std::string> names);

// The names of the regular files in a local folder, hidden ones (".name", as a Mac leaves
// "._a.jpg" on a share) left out; a folder that cannot be read gives none and says so.
std::vector<std::string> NamesIn(const std::string& localFolder,
                                 std::vector<std::string>& problems);

} // namespace FolderRotation
