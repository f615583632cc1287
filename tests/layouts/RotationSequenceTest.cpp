#include "layouts/RotationSequence.h"

#include <gtest/gtest.h>

namespace {

using TKind = TRotationItem::TKind;
using namespace std::chrono_literals;

TRotationItem Video(const char* path) {
    return {path, TKind::Video, std::nullopt};
}

// An item that fails is skipped from then on and said once, until it has shown again.
TEST(RotationSequenceTest, SkipsAFailingItemSayingItOnceUntilItShows) {
    TRotationSequence sequence({Video("a.mp4"), {"b.jpg", TKind::Picture, 3}, Video("c.avi")}, 10s);
    EXPECT_EQ(sequence.PictureTime(1), 3s);
    EXPECT_FALSE(sequence.Current());
    EXPECT_EQ(sequence.Next(), 0u);
    sequence.Advance();
    EXPECT_EQ(sequence.Current(), 0u);
    EXPECT_EQ(sequence.Next(), 1u);

    const auto lines = sequence.Fail(1, "Damaged picture");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "Skipped in the rotation: \"b.jpg\": Damaged picture");
    EXPECT_EQ(sequence.Next(), 2u);
    sequence.Advance();
    EXPECT_EQ(sequence.Next(), 0u); // round past the skipped one
    EXPECT_FALSE(sequence.Loops());

    sequence.TryAgain();
    sequence.Advance();
    EXPECT_EQ(sequence.Next(), 1u);
    EXPECT_TRUE(sequence.Fail(1, "Damaged picture").empty()); // not said again
    sequence.TryAgain();
    sequence.Advance();
    EXPECT_EQ(sequence.Current(), 1u);
    EXPECT_EQ(sequence.Fail(1, "Damaged picture").size(), 1u); // it showed: said again
}

// One video left follows itself in its engine's own loop; one picture left simply stands.
TEST(RotationSequenceTest, TheOnlyVideoLeftLoops) {
    TRotationSequence one({Video("a.mp4")}, 10s);
    one.Advance();
    EXPECT_TRUE(one.Loops());

    TRotationSequence picture({{"b.bmp", TKind::Picture, std::nullopt}}, 7s);
    picture.Advance();
    EXPECT_FALSE(picture.Loops());
    EXPECT_EQ(picture.Next(), 0u);
    EXPECT_EQ(picture.PictureTime(0), 7s);

    TRotationSequence two({Video("a.mp4"), Video("missing.mp4")}, 10s);
    two.Advance();
    EXPECT_FALSE(two.Loops());
    two.Fail(1, "No such file");
    EXPECT_TRUE(two.Loops());
}

// A rotation none of whose items can be shown says so once, also after trying again.
TEST(RotationSequenceTest, NothingToShowIsSaidOnce) {
    TRotationSequence sequence({Video("a.mp4"), Video("b.mp4")}, 10s);
    EXPECT_EQ(sequence.Fail(0, "No such file").size(), 1u);
    const auto lines = sequence.Fail(1, "No such file");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "None of the rotation's 2 items can be shown");
    EXPECT_TRUE(sequence.NothingToShow());
    EXPECT_FALSE(sequence.Next());

    sequence.TryAgain();
    EXPECT_FALSE(sequence.NothingToShow());
    EXPECT_TRUE(sequence.Fail(0, "No such file").empty());
    EXPECT_TRUE(sequence.Fail(1, "No such file").empty());

    EXPECT_TRUE(TRotationSequence({}, 10s).NothingToShow());
}

// A rotation read anew keeps its place by the shown item's path; one that has gone leaves the
// rotation to go on from where it stood; an item said skipped is tried again, not said again.
TEST(RotationSequenceTest, ARotationReadAnewKeepsItsPlace) {
    TRotationSequence sequence({Video("a.mp4"), Video("b.mp4"), Video("c.mp4")}, 10s);
    sequence.Advance();
    sequence.Advance();
    EXPECT_EQ(sequence.Fail(2, "No such file").size(), 1u);

    sequence.Update({Video("new.mp4"), Video("a.mp4"), Video("b.mp4"), Video("c.mp4")});
    EXPECT_EQ(sequence.Current(), 2u);                     // b.mp4
    EXPECT_EQ(sequence.Next(), 3u);                        // c.mp4 is tried again...
    EXPECT_TRUE(sequence.Fail(3, "No such file").empty()); // ...and not said again
    EXPECT_EQ(sequence.Next(), 0u);

    sequence.Update({Video("x.mp4"), Video("y.mp4"), Video("z.mp4")});
    EXPECT_FALSE(sequence.Current());
    EXPECT_EQ(sequence.Next(), 2u); // b.mp4 stood third
    sequence.Update({Video("x.mp4")});
    EXPECT_EQ(sequence.Next(), 0u);
}

// An item outside its hours is passed over without a word: it is no failure, and a rotation
// whose other items fail is not said to have nothing to show.
TEST(RotationSequenceTest, ItemsOutsideTheirHoursArePassedOverWithoutAWord) {
    const auto withHours = [](const char* path, const char* hours) {
        TRotationItem item = Video(path);
        item.Hours = Hours::THours::Parse(hours);
        return item;
    };
    TRotationSequence sequence({withHours("breakfast.mp4", "07:00-11:00"), Video("all-day.mp4"),
                                withHours("lunch.mp4", "11:00-14:00")},
                               10s);
    const Hours::TZone utc = [](Hours::TInstant) { return 0s; };
    const Hours::TInstant monday = std::chrono::sys_days(std::chrono::year(2026) / 1 / 5);
    EXPECT_EQ(sequence.Next(), 0u); // no time given: hours are not applied
    sequence.SetTime(monday + 12h, utc);
    EXPECT_EQ(sequence.Next(), 1u);
    sequence.Advance();
    sequence.Advance();
    EXPECT_EQ(sequence.Current(), 2u);
    EXPECT_EQ(sequence.Next(), 1u);

    sequence.SetTime(monday + 15h, utc);
    EXPECT_FALSE(sequence.InHours(2));
    EXPECT_EQ(sequence.Fail(1, "No such file"),
              std::vector<std::string>{"Skipped in the rotation: \"all-day.mp4\": No such file"});
    EXPECT_TRUE(sequence.NothingToShow());
    sequence.SetTime(std::nullopt, {});
    EXPECT_EQ(sequence.Next(), 0u);
}

} // namespace
