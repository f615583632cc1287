#include "layouts/RotationSequence.h"

#include <algorithm>

TRotationItem TRotationItem::Of(const TRotationEntry& entry) {
    const bool picture = Rotation::KindOf(entry.Path) == TMediaKind::Picture;
    return {entry.Path, picture ? TKind::Picture : TKind::Video, entry.Seconds, entry.Hours};
}

std::vector<TRotationItem> TRotationItem::Of(const std::vector<TRotationEntry>& entries) {
    std::vector<TRotationItem> items;
    items.reserve(entries.size());
    for (const TRotationEntry& entry : entries)
        items.push_back(Of(entry));
    return items;
}

TRotationSequence::TRotationSequence(std::vector<TRotationItem> items,
                                     std::chrono::seconds pictureTime)
    : items_(std::move(items)), pictureTime_(pictureTime), skipped_(items_.size(), false),
      told_(items_.size(), false) {}

std::optional<size_t> TRotationSequence::Next() const {
    const size_t count = items_.size();
    // After the current item in order, round to the current one itself last.
    const size_t from = current_ ? *current_ + 1 : from_;
    for (size_t step = 0; step < count; ++step) {
        const size_t index = (from + step) % count;
        if (!skipped_[index] && InHours(index))
            return index;
    }
    return std::nullopt;
}

void TRotationSequence::SetTime(std::optional<Hours::TInstant> at, Hours::TZone zone) {
    at_ = at;
    zone_ = std::move(zone);
}

bool TRotationSequence::HasHours() const {
    return std::any_of(items_.begin(), items_.end(),
                       [](const TRotationItem& item) { return item.Hours.has_value(); });
}

bool TRotationSequence::InHours(size_t index) const {
    const auto& hours = items_[index].Hours;
    return !at_ || !hours || hours->Within(*at_, zone_);
}

bool TRotationSequence::AnySkipped() const {
    return std::find(skipped_.begin(), skipped_.end(), true) != skipped_.end();
}

void TRotationSequence::Advance() {
    current_ = Next();
    if (!current_)
        return;
    // It shows: its trouble, and the rotation's, may be said again when it comes back.
    told_[*current_] = false;
    toldNothing_ = false;
}

bool TRotationSequence::Loops() const {
    return current_ && Next() == current_ && items_[*current_].Kind == TRotationItem::TKind::Video;
}

std::chrono::milliseconds TRotationSequence::PictureTime(size_t index) const {
    const auto& seconds = items_[index].Seconds;
    return seconds ? std::chrono::seconds(std::max(*seconds, 1)) : pictureTime_;
}

std::vector<std::string> TRotationSequence::Fail(size_t index, const std::string& reason) {
    std::vector<std::string> lines;
    skipped_[index] = true;
    if (!told_[index]) {
        told_[index] = true;
        lines.push_back("Skipped in the rotation: \"" + items_[index].Path + "\": " + reason);
    }
    // Items outside their hours are not failures: only when every item fails is that said.
    const bool allSkipped = std::find(skipped_.begin(), skipped_.end(), false) == skipped_.end();
    if (allSkipped && !toldNothing_) {
        toldNothing_ = true;
        lines.push_back("None of the rotation's " + std::to_string(items_.size()) +
                        " items can be shown");
    }
    return lines;
}

void TRotationSequence::TryAgain() {
    std::fill(skipped_.begin(), skipped_.end(), false);
}

void TRotationSequence::Update(std::vector<TRotationItem> items) {
    const auto indexIn = [](const std::vector<TRotationItem>& list, const std::string& path) {
        const auto found = std::find_if(
            list.begin(), list.end(), [&](const TRotationItem& item) { return item.Path == path; });
        return found == list.end() ? std::optional<size_t>()
                                   : static_cast<size_t>(found - list.begin());
    };
    std::vector<bool> told(items.size(), false);
    for (size_t n = 0; n < items.size(); ++n) {
        const auto old = indexIn(items_, items[n].Path);
        told[n] = old && told_[*old];
    }
    std::optional<size_t> current;
    if (current_)
        current = indexIn(items, items_[*current_].Path);
    // Gone: the next item is the one that stands where it stood.
    if (current_ && !current)
        from_ = *current_;
    if (from_ >= items.size())
        from_ = 0;
    current_ = current;
    items_ = std::move(items);
    told_ = std::move(told);
    skipped_.assign(items_.size(), false);
}
