#include "display/LayoutMedia.h"

#include <algorithm>

namespace {

bool IsCopy(const TMediaPlace& place, const std::string& copyName) {
    return place.Source && place.Source->CopyName() == copyName;
}

} // namespace

bool TLayoutMedia::Want(TWantedLayout layout) {
    wanted_ = std::move(layout);
    usable_.clear();
    awaited_ = 0;
    return !wanted_.Sources().empty();
}

bool TLayoutMedia::Resolved(uint64_t token, const std::vector<std::string>& usable) {
    if (awaited_ == 0 || token != awaited_)
        return false;
    awaited_ = 0;
    usable_.insert(usable_.end(), usable.begin(), usable.end());
    return true;
}

bool TLayoutMedia::Arrived(const std::string& copyName) {
    const bool picture = IsCopy(wanted_.Picture, copyName);
    const bool video = IsCopy(wanted_.Video, copyName);
    if (!picture && !video)
        return false;
    const bool shown = Usable(copyName);
    if (!shown)
        usable_.push_back(copyName);
    if (awaited_ != 0)
        return false; // built once the cache answers
    return !shown || picture;
}

bool TLayoutMedia::Usable(const std::string& copyName) const {
    return std::find(usable_.begin(), usable_.end(), copyName) != usable_.end();
}

TLayoutContent TLayoutMedia::Content() const {
    const auto path = [&](const TMediaPlace& place) {
        if (!place.Source)
            return place.Path;
        const std::string name = place.Source->CopyName();
        return Usable(name) ? MediaCopy::PathIn(cacheFolder_, name) : std::string();
    };
    TLayoutContent content;
    content.DisplayType = wanted_.DisplayType;
    content.PictureFile = path(wanted_.Picture);
    content.VideoFile = path(wanted_.Video);
    content.Texts = wanted_.Texts;
    return content;
}
