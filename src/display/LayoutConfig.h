#pragma once

#include "display/DisplayOptions.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The configuration text of a "DISPLAY_TYPE" block: a "[section]" line, then key=value lines,
// each ending in CR LF. The text arrives cut at 1000 bytes: a last line without its line end
// was cut, and is left out rather than shown half.
class TLayoutConfig {
public:
    static TLayoutConfig Parse(std::string_view text);

    const std::string& Section() const { return section_; }
    // The value of the key (names without regard to ASCII letter case; the first line of a name
    // wins); empty when it is missing.
    std::string Value(std::string_view key) const;
    size_t Count() const { return values_.size(); }

private:
    std::string section_;
    std::vector<std::pair<std::string, std::string>> values_;
};

// What a display type shows: the media files (local paths, UTF-8) and the texts (Windows-1251
// bytes, one per text box in the order of the layout window's boxes). A missing or empty file
// key takes the display's own default media, as the layout window does.
struct TLayoutContent {
    int DisplayType = 0;
    std::string PictureFile; // empty when the type shows no picture
    std::string VideoFile;   // empty when the type shows no video
    std::vector<std::string> Texts;

    bool operator==(const TLayoutContent&) const = default;
};

TLayoutContent ContentOf(int displayType, const TLayoutConfig& config,
                         const std::vector<TPathMap>& maps);
