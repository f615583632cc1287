#include "layouts/LayoutArrangement.h"

#include <gtest/gtest.h>

namespace {

using LayoutArrangement::TRect;

// The layout window in Edit mode: its button bar docks at the bottom edge, the bottom strip
// above it, and the column and main area share what the strips leave.
TEST(LayoutArrangementTest, TheButtonBarDocksUnderTheBottomStrip) {
    const auto a = LayoutArrangement::Arrange(4, 784, 621, 1.0, 60);
    EXPECT_EQ(a.Bar, (TRect{0, 561, 784, 60}));
    EXPECT_EQ(a.Bottom, (TRect{0, 481, 784, 80}));
    EXPECT_EQ(a.Column, (TRect{484, 80, 300, 401}));
    EXPECT_EQ(a.Main, (TRect{0, 80, 484, 401}));
    EXPECT_EQ(LayoutArrangement::Arrange(4, 784, 621, 1.0).Bar, TRect{});
}

// The top strip is served before the bar, as the window docks top edges first; type 9's test
// panel lies over the bar; a type without a layout still has its bar.
TEST(LayoutArrangementTest, ALowWindowGivesTheTopStripItsHeightBeforeTheBar) {
    const auto low = LayoutArrangement::Arrange(2, 400, 100, 1.0, 60);
    EXPECT_EQ(low.Top, (TRect{0, 0, 400, 80}));
    EXPECT_EQ(low.Bar, (TRect{0, 80, 400, 20}));
    EXPECT_EQ(low.Main, (TRect{0, 80, 400, 0}));
    const auto test = LayoutArrangement::Arrange(9, 400, 300, 1.0, 60);
    EXPECT_EQ(test.Main, (TRect{0, 0, 400, 300}));
    EXPECT_EQ(test.Bar, (TRect{0, 240, 400, 60}));
    EXPECT_EQ(LayoutArrangement::Arrange(0, 400, 300, 1.0, 60).Bar, (TRect{0, 240, 400, 60}));
}

} // namespace
