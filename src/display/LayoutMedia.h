#pragma once

#include "display/LayoutContent.h"

#include <cstdint>
#include <string>
#include <vector>

// What the display window builds of the layout it was asked for last, when the files that maps
// take come through the media cache. Such a layout waits for the cache's answer (the shown
// layout stays meanwhile), is then built with the copies that can be shown (the others keep the
// panel colour), and is built again when a copy arrives that it shows from then on. A new copy of
// a file that the video already plays is no new layout: the video engine, which looks at its
// file at the end of each pass, opens it there.
class TLayoutMedia {
public:
    explicit TLayoutMedia(std::string cacheFolder = {}) : cacheFolder_(std::move(cacheFolder)) {}

    // A new layout: true when its sources must be asked of the cache (Asked follows), false when
    // it can be built at once.
    bool Want(TWantedLayout layout);
    const TWantedLayout& Wanted() const { return wanted_; }
    // The cache's token for the answer the layout waits for.
    void Asked(uint64_t token) { awaited_ = token; }
    // The cache's answer: true when the layout is to be built now.
    bool Resolved(uint64_t token, const std::vector<std::string>& usable);
    // A new copy took its name: true when the layout is to be built again.
    bool Arrived(const std::string& copyName);

    // The layout to build: each file's path, a copy that cannot be shown yet naming none.
    TLayoutContent Content() const;

private:
    bool Usable(const std::string& copyName) const;

    std::string cacheFolder_;
    TWantedLayout wanted_;
    std::vector<std::string> usable_; // copies of the wanted layout that can be shown
    uint64_t awaited_ = 0;            // 0: no answer awaited
};
