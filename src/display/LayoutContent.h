#pragma once

#include "display/DisplayOptions.h"
#include "display/MediaPath.h"
#include "protocol/DisplayTypeMessage.h"

#include <string>
#include <vector>

// What a display type shows: the media files (local paths, UTF-8) and the texts (Windows-1251
// bytes, one per text box in the order of the layout window's boxes). A missing or empty file
// key takes the display's own default media, as the layout window does. A file that a map takes
// is shown from its copy in the media cache, which the cache gets from the file's source.
struct TLayoutContent {
    int DisplayType = 0;
    std::string PictureFile; // empty when the type shows no picture, or its path was refused
    std::string VideoFile;   // empty when the type shows no video, or its path was refused
    std::vector<std::string> Texts;
    std::vector<TMediaSource> Sources; // the files shown from the cache
    // What the operator should know about the layout (a refused path, keys lost to a cut): one
    // line each, UTF-8, for the display's log.
    std::vector<std::string> Problems;

    bool operator==(const TLayoutContent&) const = default;
};

// Where a source's copy stands in the cache folder, and where a layout shows it from.
std::string CopyPath(const std::string& cacheFolder, const TMediaSource& source);

// The layout of a "DISPLAY_TYPE" as the display shows it: the files that a map takes are shown
// from the cache folder, the others in place.
TLayoutContent ContentOf(int displayType, const TLayoutConfig& config,
                         const std::vector<TPathMap>& maps, const std::string& cacheFolder);
