#pragma once

#include "display/DisplayOptions.h"
#include "display/MediaPath.h"
#include "layouts/Rotation.h"
#include "protocol/DisplayTypeMessage.h"

#include <string>
#include <vector>

// What a display type shows, as the layout names it: its media files in place or from a source
// through the media cache (a missing or empty file key takes the display's own default media, as
// the layout window does), and the texts (Windows-1251 bytes, one per text box in the order of the
// layout window's boxes).
struct TWantedLayout {
    int DisplayType = 0;
    TMediaPlace Picture; // names no file when the type shows no picture, or its path was refused
    TMediaPlace Video;   // ... no video, or its path was refused
    std::vector<std::string> Texts;
    // What the operator should know about the layout (a refused path, keys lost to a cut): one
    // line each, UTF-8, for the display's log.
    std::vector<std::string> Problems;

    // The files that come through the cache.
    std::vector<TMediaSource> Sources() const;
};

// A rotation as a box shows it.
struct TShownRotation {
    std::string Named;                 // the playlist or folder, as the layout names it (UTF-8)
    std::vector<TRotationEntry> Items; // each a path on this machine (UTF-8)

    bool operator==(const TShownRotation&) const = default;
};

// A layout as the display builds it: every file a path on this machine (UTF-8), empty where the
// area keeps the panel colour; a box with a rotation shows it in place of its one file.
struct TLayoutContent {
    int DisplayType = 0;
    std::string PictureFile;
    std::string VideoFile;
    std::vector<std::string> Texts;
    std::optional<TShownRotation> PictureRotation;
    std::optional<TShownRotation> VideoRotation;

    bool operator==(const TLayoutContent&) const = default;
};

// The layout of a "DISPLAY_TYPE" as the display shows it, its files placed by the maps.
TWantedLayout LayoutOf(int displayType, const TLayoutConfig& config,
                       const std::vector<TPathMap>& maps);
