#include "display/MediaPath.h"

#include "platform/CodePage1251.h"

#include <algorithm>

namespace {

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

// The length of the path's beginning that the map's FROM matches, or nothing. The match ends at
// a folder boundary: FROM "C:\Media" takes "C:\Media\a.avi" but not "C:\MediaOld\a.avi".
std::optional<size_t> MatchLength(std::string_view path, std::string_view from, bool windows) {
    if (path.size() < from.size())
        return std::nullopt;
    const std::string_view head = path.substr(0, from.size());
    if (windows) {
        for (size_t i = 0; i < from.size(); ++i) {
            const bool same = IsSeparator(from[i])
                                  ? IsSeparator(head[i])
                                  : CodePage1251::SameText(head.substr(i, 1), from.substr(i, 1));
            if (!same)
                return std::nullopt;
        }
    } else if (head != from) {
        return std::nullopt;
    }
    const bool boundary = path.size() == from.size() || IsSeparator(from.back()) ||
                          (windows ? IsSeparator(path[from.size()]) : path[from.size()] == '/');
    if (!boundary)
        return std::nullopt;
    return from.size();
}

// Whether a part of the slash-separated path is "..".
bool Climbs(std::string_view path) {
    while (!path.empty()) {
        const size_t slash = std::min(path.find('/'), path.size());
        if (path.substr(0, slash) == "..")
            return true;
        path.remove_prefix(std::min(slash + 1, path.size()));
    }
    return false;
}

std::string Joined(std::string to, std::string rest) {
    if (!to.empty() && !rest.empty() && to.back() != '/' && rest.front() != '/')
        to += '/';
    if (!to.empty() && to.back() == '/' && !rest.empty() && rest.front() == '/')
        rest.erase(0, 1);
    return to + rest;
}

} // namespace

namespace MediaPath {

bool IsWindowsPath(std::string_view path) {
    const bool drive = path.size() >= 2 && path[1] == ':' &&
                       ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    return drive || path.substr(0, 2) == "\\\\";
}

std::string Local(std::string_view layoutPath, const std::vector<TPathMap>& maps) {
    const bool windows = IsWindowsPath(layoutPath);
    for (const TPathMap& map : maps) {
        const auto length = MatchLength(layoutPath, map.From, windows || IsWindowsPath(map.From));
        if (!length)
            continue;
        std::string rest = CodePage1251::ToUtf8(layoutPath.substr(*length));
        if (windows)
            std::replace(rest.begin(), rest.end(), '\\', '/');
        if (Climbs(rest))
            throw EMediaPathError("refused \"" + CodePage1251::ToUtf8(layoutPath) +
                                  "\": its \"..\" would leave the folder of the map \"" +
                                  CodePage1251::ToUtf8(map.From) + "=" + map.To + "\"");
        return Joined(map.To, rest);
    }
    return CodePage1251::ToUtf8(layoutPath);
}

} // namespace MediaPath
