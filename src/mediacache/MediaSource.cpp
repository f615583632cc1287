#include "mediacache/MediaSource.h"

#include <cstdint>
#include <cstdio>
#include <string_view>

std::string TMediaSource::CopyName() const {
    // A stable 64-bit FNV-1a of the location.
    uint64_t hash = 14695981039346656037ULL;
    for (const char c : Location) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    std::string_view name = FileName;
    // A file system takes 255 bytes a name: a long name keeps its extension only.
    if (name.size() > 120) {
        const size_t dot = name.rfind('.');
        name = dot != name.npos && name.size() - dot <= 16 ? name.substr(dot) : "";
    }
    return std::string(hex) + "-" + std::string(name);
}

namespace MediaCopy {

std::string PathIn(const std::string& cacheFolder, const std::string& copyName) {
    return cacheFolder + "/" + copyName;
}

} // namespace MediaCopy
