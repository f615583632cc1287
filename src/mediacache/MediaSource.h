#pragma once

#include <string>

// Where the display's media cache gets a file, and the name and place of its copy.
struct TMediaSource {
    enum class TKind { Folder, Web };
    TKind Kind = TKind::Folder;
    std::string Location; // the file's path (UTF-8), or its address with each part encoded
    std::string Base;     // the map's TO: a web source's redirects must stay within it
    std::string FileName; // the file's own name (UTF-8, not encoded), which its copy keeps

    // The copy's file name in the cache folder: a name of its own for each location, followed by
    // the file's own name, so that the folder reads well and a picture keeps its extension. The
    // names of copies already on disk depend on it: it never changes.
    std::string CopyName() const;

    bool operator==(const TMediaSource&) const = default;
};

namespace MediaCopy {

// Where the copy of that name stands in the cache folder.
std::string PathIn(const std::string& cacheFolder, const std::string& copyName);

} // namespace MediaCopy
