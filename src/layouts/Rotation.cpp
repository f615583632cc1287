#include "layouts/Rotation.h"

#include "layouts/LayoutPath.h"
#include "platform/AsciiText.h"

#include <algorithm>
#include <array>

namespace {

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

// The containers of the clips the display is tested with (tests/media/data), with the other
// names of the same containers (mpeg, m4v).
constexpr std::array<std::string_view, 12> VideoExtensions = {
    "avi", "flv", "m4v", "mkv", "mov", "mp4", "mpeg", "mpg", "ogv", "ts", "webm", "wmv"};
// What the picture box loads (layoutview/PictureLoader).
constexpr std::array<std::string_view, 6> PictureExtensions = {"bmp",  "emf", "ico",
                                                               "jpeg", "jpg", "wmf"};

bool Holds(const auto& list, std::string_view extension) {
    return std::find(list.begin(), list.end(), extension) != list.end();
}

} // namespace

namespace Rotation {

std::string ExtensionOf(std::string_view path) {
    const size_t nameAt = path.find_last_of("/\\") + 1; // npos + 1 is 0
    const size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot < nameAt)
        return {};
    std::string extension(path.substr(dot + 1));
    std::transform(extension.begin(), extension.end(), extension.begin(), AsciiText::Lower);
    return extension;
}

TMediaKind KindOf(std::string_view path) {
    const std::string extension = ExtensionOf(path);
    if (Holds(VideoExtensions, extension))
        return TMediaKind::Video;
    if (Holds(PictureExtensions, extension))
        return TMediaKind::Picture;
    return TMediaKind::Neither;
}

bool MayName(std::string_view path) {
    return NamedBy(path, false) == TRotationKind::Playlist ||
           (!path.empty() && KindOf(path) == TMediaKind::Neither);
}

TRotationKind NamedBy(std::string_view path, bool folder) {
    if (folder)
        return TRotationKind::Folder;
    const std::string extension = ExtensionOf(path);
    return extension == "m3u" || extension == "m3u8" ? TRotationKind::Playlist
                                                     : TRotationKind::OneFile;
}

std::string Within(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty() && !IsSeparator(path.back()))
        path += LayoutPath::IsWindowsPath(folder) ? '\\' : '/';
    return path + std::string(name);
}

} // namespace Rotation
