#pragma once

#include "display/DisplayOptions.h"

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// A layout's media path that cannot be used here; the message names the path.
class EMediaPathError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Where a media file of a layout is found on this machine. Layouts carry paths of the operator's
// machine as Windows-1251 bytes, often Windows paths ("C:\Media\ad.avi").
namespace MediaPath {

// Whether the path is a Windows one: a drive letter and a colon, or a UNC path ("\\host\...").
bool IsWindowsPath(std::string_view path);

// The local path (UTF-8) for a layout's path: the first map whose FROM begins the path, at a
// whole folder name, has that beginning replaced by its TO. Windows paths compare without
// regard to letter case, and their backslashes become slashes. A path no map takes keeps its
// bytes, converted to UTF-8. A path that a map takes stays inside the map's folder: one whose
// rest holds a ".." part throws EMediaPathError.
std::string Local(std::string_view layoutPath, const std::vector<TPathMap>& maps);

} // namespace MediaPath
