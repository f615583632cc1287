#pragma once

#include <string_view>

// What a path in a layout is, by its text alone. Layouts carry paths of the operator's machine,
// often Windows ones ("C:\Media\ad.avi").
namespace LayoutPath {

// Whether the path is a Windows one: a drive letter and a colon, or a UNC path ("\\host\...").
bool IsWindowsPath(std::string_view path);

// Whether the text is a web address ("http://" or "https://", in any letter case).
bool IsWebAddress(std::string_view text);

} // namespace LayoutPath
