#include "layouts/LayoutPath.h"

#include "platform/CodePage1251.h"

namespace LayoutPath {

bool IsWindowsPath(std::string_view path) {
    const bool drive = path.size() >= 2 && path[1] == ':' &&
                       ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    return drive || path.substr(0, 2) == "\\\\";
}

bool IsWebAddress(std::string_view text) {
    return CodePage1251::StartsWithText(text, "http://") ||
           CodePage1251::StartsWithText(text, "https://");
}

} // namespace LayoutPath
