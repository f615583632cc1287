#pragma once

#include "display/DisplayOptions.h"

#include <string>
#include <string_view>
#include <vector>

// Where a media file of a layout is found on this machine. Layouts carry paths of the operator's
// machine as Windows-1251 bytes, often Windows paths ("C:\Media\ad.avi").
namespace MediaPath {

// Whether the path is a Windows one: a drive letter and a colon, or a UNC path ("\\host\...").
bool IsWindowsPath(std::string_view path);

// The local path (UTF-8) for a layout's path: the first map whose FROM begins the path, at a
// whole folder name, has that beginning replaced by its TO. Windows paths compare without
// regard to letter case, and their backslashes become slashes. A path no map takes keeps its
// bytes, converted to UTF-8.
std::string Local(std::string_view layoutPath, const std::vector<TPathMap>& maps);

} // namespace MediaPath
