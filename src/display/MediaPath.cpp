#include "display/MediaPath.h"

#include "layouts/LayoutPath.h"
#include "platform/CodePage1251.h"

#include <algorithm>

namespace {

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

// The length in bytes of the path's (UTF-8) beginning that the map's FROM (Windows-1251) matches,
// or nothing. The match ends at a folder boundary: FROM "C:\Media" takes "C:\Media\a.avi" but not
// "C:\MediaOld\a.avi". A character the code page cannot carry matches no character of FROM.
std::optional<size_t> MatchLength(std::string_view path, std::string_view from, bool windows) {
    std::string_view rest = path;
    for (const char wanted : from) {
        const auto codePoint = rest.empty() ? std::nullopt : CodePage1251::TakeUtf8(rest);
        const auto byte = codePoint ? CodePage1251::FromUnicode(*codePoint) : std::nullopt;
        if (!byte)
            return std::nullopt;
        const char given = static_cast<char>(*byte);
        const bool same = !windows              ? given == wanted
                          : IsSeparator(wanted) ? IsSeparator(given)
                                                : CodePage1251::SameText({&given, 1}, {&wanted, 1});
        if (!same)
            return std::nullopt;
    }
    const size_t length = path.size() - rest.size();
    const bool boundary = length == path.size() || IsSeparator(from.back()) ||
                          (windows ? IsSeparator(path[length]) : path[length] == '/');
    if (!boundary)
        return std::nullopt;
    return length;
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

// Each slash-separated part percent-encoded: only RFC 3986's unreserved characters stay.
std::string Encoded(std::string_view rest) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : rest) {
        const auto byte = static_cast<unsigned char>(c);
        const bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                                (byte >= '0' && byte <= '9') || c == '-' || c == '.' || c == '_' ||
                                c == '~' || c == '/';
        if (unreserved) {
            out += c;
        } else {
            out += '%';
            out += Hex[byte >> 4];
            out += Hex[byte & 15];
        }
    }
    return out;
}

} // namespace

std::optional<std::string> TMediaPlace::LocalPath() const {
    if (!Source)
        return Path;
    if (Source->Kind == TMediaSource::TKind::Folder)
        return Source->Location;
    return std::nullopt;
}

namespace MediaPath {

TMediaPlace Place(std::string_view layoutPath, const std::vector<TPathMap>& maps) {
    return PlaceUtf8(CodePage1251::ToUtf8(layoutPath), maps);
}

TMediaPlace PlaceUtf8(std::string_view path, const std::vector<TPathMap>& maps) {
    const bool windows = LayoutPath::IsWindowsPath(path);
    for (const TPathMap& map : maps) {
        const auto length =
            MatchLength(path, map.From, windows || LayoutPath::IsWindowsPath(map.From));
        if (!length)
            continue;
        std::string rest(path.substr(*length));
        if (windows)
            std::replace(rest.begin(), rest.end(), '\\', '/');
        if (Climbs(rest))
            throw EMediaPathError("refused \"" + std::string(path) +
                                  "\": its \"..\" would leave the folder of the map \"" +
                                  CodePage1251::ToUtf8(map.From) + "=" + map.To + "\"");
        TMediaSource source;
        source.Base = map.To;
        if (LayoutPath::IsWebAddress(map.To)) {
            source.Kind = TMediaSource::TKind::Web;
            source.Location = Joined(map.To, Encoded(rest));
        } else {
            source.Location = Joined(map.To, rest);
        }
        source.FileName = rest.substr(std::min(rest.rfind('/') + 1, rest.size()));
        return {{}, std::move(source), std::string(path)};
    }
    return {std::string(path), std::nullopt, std::string(path)};
}

std::string Local(std::string_view layoutPath, const std::vector<TPathMap>& maps) {
    TMediaPlace place = Place(layoutPath, maps);
    return place.Source ? place.Source->Location : place.Path;
}

std::vector<TPlacedEntry> PlaceEntries(TRotation& rotation, const std::vector<TPathMap>& maps) {
    std::vector<TPlacedEntry> placed;
    for (const TRotationEntry& entry : rotation.Entries) {
        try {
            placed.push_back({PlaceUtf8(entry.Path, maps), entry.Seconds, entry.Hours});
        } catch (const EMediaPathError& e) {
            rotation.Problems.emplace_back(e.what());
        }
    }
    return placed;
}

} // namespace MediaPath
