#pragma once

#include "layouts/Hours.h"
#include "layouts/Rotation.h"

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// One item of a rotation as the video box plays it: a local file, a video or a picture.
struct TRotationItem {
    enum class TKind { Video, Picture };

    std::string Path; // local, UTF-8
    TKind Kind = TKind::Video;
    std::optional<int> Seconds; // a picture's own time on screen; unset: the rotation's default
    std::optional<::Hours::THours> Hours = std::nullopt; // when it is shown; unset: at all hours

    bool operator==(const TRotationItem&) const = default;

    // The entry as an item: a picture or a video by its extension.
    static TRotationItem Of(const TRotationEntry& entry);
    static std::vector<TRotationItem> Of(const std::vector<TRotationEntry>& entries);
};

// The order of a rotation's items: which one is on show and which one follows it. An item that
// cannot be shown is skipped from then on, and the rotation goes on with the others; each
// skipped item is said once (until it shows again), and a rotation left with nothing to show is
// said once too. An item outside its hours is passed over without a word: that is no failure.
// The lines are for the owner's log. Plain code: the player does the showing.
class TRotationSequence {
public:
    TRotationSequence(std::vector<TRotationItem> items, std::chrono::seconds pictureTime);

    const std::vector<TRotationItem>& Items() const { return items_; }
    // The item on show; unset before the first has shown.
    std::optional<size_t> Current() const { return current_; }
    // The item to show after the current one (the first, before any): the next one in order that
    // is not skipped, the current one itself when it is the only one left; unset when none is.
    std::optional<size_t> Next() const;
    // The time the items' hours are met at, in the zone's wall clock; unset (as at first): hours
    // are not applied.
    void SetTime(std::optional<Hours::TInstant> at, Hours::TZone zone);
    bool HasHours() const;
    // Whether the item is within its hours at the time set.
    bool InHours(size_t index) const;
    // Whether any item is skipped, to be tried again.
    bool AnySkipped() const;

    // The next item is on show now.
    void Advance();
    // The current item is a video that follows itself: it loops in its own engine, seamlessly.
    bool Loops() const;
    // Nothing is left to show now: each item is skipped or outside its hours.
    bool NothingToShow() const { return !Next(); }
    // How long a picture stands on show.
    std::chrono::milliseconds PictureTime(size_t index) const;

    // The item cannot be shown: it is skipped. The lines to log: the item (once until it shows
    // again), and that nothing is left to show (once until something shows).
    std::vector<std::string> Fail(size_t index, const std::string& reason);
    // Every skipped item is tried again (after a back-off, when nothing could be shown).
    void TryAgain();

    // The rotation as it reads now (its playlist or folder changed, or an item's copy came): the
    // item on show keeps its place, found by its path, and what follows it comes from the new
    // items; when it has gone, the rotation goes on from its place. Every item is tried again;
    // one already said to be skipped is not said again.
    void Update(std::vector<TRotationItem> items);

private:
    std::vector<TRotationItem> items_;
    std::chrono::seconds pictureTime_;
    std::optional<size_t> current_;
    size_t from_ = 0; // where Next looks first while no item is current
    std::vector<bool> skipped_;
    std::vector<bool> told_;
    bool toldNothing_ = false;
    std::optional<Hours::TInstant> at_;
    Hours::TZone zone_;
};
