#pragma once

#include "display/DisplayOptions.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The configuration text of a "DISPLAY_TYPE" block: a "[section]" line, then key=value lines,
// each ending in CR LF. The text arrives cut at the block's 1000 bytes: a last line without its
// line end was cut, and is left out rather than shown half.
class TLayoutConfig {
public:
    static TLayoutConfig Parse(std::string_view text);

    const std::string& Section() const { return section_; }
    // The value of the key (names without regard to ASCII letter case; the first line of a name
    // wins); empty when it is missing.
    std::string Value(std::string_view key) const;
    bool Has(std::string_view key) const;
    size_t Count() const { return values_.size(); }
    // Whether the text filled the block and its last line was cut: keys may be missing.
    bool Cut() const { return cut_; }

private:
    const std::pair<std::string, std::string>* Find(std::string_view key) const;

    std::string section_;
    std::vector<std::pair<std::string, std::string>> values_;
    bool cut_ = false;
};

// What a display type shows: the media files (local paths, UTF-8) and the texts (Windows-1251
// bytes, one per text box in the order of the layout window's boxes). A missing or empty file
// key takes the display's own default media, as the layout window does.
struct TLayoutContent {
    int DisplayType = 0;
    std::string PictureFile; // empty when the type shows no picture, or its path was refused
    std::string VideoFile;   // empty when the type shows no video, or its path was refused
    std::vector<std::string> Texts;
    // What the operator should know about the layout (a refused path, keys lost to a cut): one
    // line each, UTF-8, for the display's log.
    std::vector<std::string> Problems;

    bool operator==(const TLayoutContent&) const = default;
};

TLayoutContent ContentOf(int displayType, const TLayoutConfig& config,
                         const std::vector<TPathMap>& maps);
