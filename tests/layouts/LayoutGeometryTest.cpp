#include "layouts/LayoutGeometry.h"

#include <gtest/gtest.h>
#include <ostream>

namespace LayoutGeometry {
void PrintTo(const TRect& r, std::ostream* out) {
    *out << "(" << r.Left << ", " << r.Top << ", " << r.Width << " x " << r.Height << ")";
}
} // namespace LayoutGeometry

namespace {

using namespace LayoutGeometry;

TEST(LayoutGeometryTest, RoundsHalvesToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
    EXPECT_EQ(RoundHalfEven(-1.5), -2);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(652.4), 652);
    EXPECT_EQ(RoundHalfEven(652.6), 653);
    EXPECT_EQ(RoundHalfEven(-652.6), -653);
}

TEST(LayoutGeometryTest, CentringHalvesEachExtentTowardZero) {
    EXPECT_EQ(CenterOffset(300, 240), 30);
    EXPECT_EQ(CenterOffset(301, 241), 30); // 150 - 120, not (301 - 241) / 2 = 30 by luck only
    EXPECT_EQ(CenterOffset(301, 240), 30);
    EXPECT_EQ(CenterOffset(300, 241), 30);
    EXPECT_EQ(CenterOffset(81, 26), 27); // 40 - 13
    // A text box wider than its strip starts left of it.
    EXPECT_EQ(CenterOffset(100, 241), -70);
    // Negative extents halve toward zero as well: -3 div 2 = -1.
    EXPECT_EQ(CenterOffset(-3, 0), -1);
}

TEST(LayoutGeometryTest, TextBoxesTakeFourFifthsAndTheColumnStacksThemFiftyApart) {
    EXPECT_EQ(TextBoxWidth(300), 240);
    EXPECT_EQ(TextBoxWidth(800), 640);
    EXPECT_EQ(TextBoxWidth(784), 627);  // 627.2
    EXPECT_EQ(TextBoxWidth(1003), 802); // 802.4
    EXPECT_EQ(TextBoxWidth(1004), 803); // 803.2
    EXPECT_EQ(TextBoxWidth(0), 0);
    EXPECT_EQ(ColumnBoxTop(0), 10);
    EXPECT_EQ(ColumnBoxTop(1), 60);
    EXPECT_EQ(ColumnBoxTop(2), 110);
    EXPECT_EQ(ColumnBoxTop(3), 160);
}

TEST(LayoutGeometryTest, InsetLeavesTwentyPixelsAllRound) {
    EXPECT_EQ(PlaceInset(500, 440), (TRect{20, 20, 460, 400}));
    EXPECT_EQ(PlaceInset(30, 40), (TRect{20, 20, -10, 0}));
}

TEST(LayoutGeometryTest, FitVideoScalesToTheLargestFitThenShrinksByForty) {
    EXPECT_EQ(FitVideo(500, 450, 320, 240), (TRect{20, 20, 460, 335})); // s = 1.5625
    EXPECT_EQ(FitVideo(816, 638, 320, 240), (TRect{20, 20, 776, 572})); // s = 2.55
    // Taller than wide: the height decides and the width follows.
    EXPECT_EQ(FitVideo(500, 450, 240, 320), (TRect{20, 20, 298, 410})); // 337.5 -> 338
    // Reduced as well as enlarged.
    EXPECT_EQ(FitVideo(160, 120, 640, 480), (TRect{20, 20, 120, 80}));
    // 125 * 2.5 = 312.5 rounds to the even 312.
    EXPECT_EQ(FitVideo(1000, 250, 125, 100), (TRect{20, 20, 272, 210}));
    // A panel of forty pixels or less leaves no positive extent; the values stand as computed
    // (240 * 0.09375 = 22.5 rounds to 22).
    EXPECT_EQ(FitVideo(30, 30, 320, 240), (TRect{20, 20, -10, -18}));
}

TEST(LayoutGeometryTest, FitVideoDoesNothingWithoutAPicture) {
    EXPECT_FALSE(FitVideo(500, 450, 0, 0));
    EXPECT_FALSE(FitVideo(500, 450, 320, 0));
    EXPECT_FALSE(FitVideo(500, 450, 0, 240));
}

TEST(LayoutGeometryTest, PicturesFitFromTheTopLeftKeepingTheirProportions) {
    EXPECT_EQ(FitPicture(200, 200, 100, 50), (TRect{0, 0, 200, 100}));
    EXPECT_EQ(FitPicture(200, 200, 1000, 2000), (TRect{0, 0, 100, 200}));
    EXPECT_EQ(FitPicture(460, 400, 320, 240), (TRect{0, 0, 460, 345}));
    EXPECT_EQ(FitPicture(0, 200, 100, 50), TRect{});
    EXPECT_EQ(FitPicture(200, 200, 0, 0), TRect{});
}

TEST(LayoutGeometryTest, PlansFollowTheDisplayTypes) {
    struct Expected {
        int type;
        bool top, column, bottom;
        TMainContent main;
        int pictures, texts, videos;
    };
    const Expected table[] = {
        {1, false, false, false, TMainContent::Video, 0, 0, 1},
        {2, true, false, false, TMainContent::Video, 0, 1, 1},
        {3, true, true, false, TMainContent::Video, 0, 5, 1},
        {4, true, true, true, TMainContent::Video, 0, 6, 1},
        {5, false, false, false, TMainContent::Picture, 1, 0, 0},
        {6, true, false, false, TMainContent::Picture, 1, 1, 0},
        {7, true, true, false, TMainContent::Picture, 1, 5, 0},
        {8, true, true, true, TMainContent::Picture, 1, 6, 0},
        {9, false, false, false, TMainContent::TestPanel, 0, 0, 0},
        {0, false, false, false, TMainContent::None, 0, 0, 0},
        {-1, false, false, false, TMainContent::None, 0, 0, 0},
        {10, false, false, false, TMainContent::None, 0, 0, 0},
    };
    for (const Expected& e : table) {
        const TLayoutPlan plan = PlanOf(e.type);
        EXPECT_EQ(plan.TopStrip, e.top) << e.type;
        EXPECT_EQ(plan.RightColumn, e.column) << e.type;
        EXPECT_EQ(plan.BottomStrip, e.bottom) << e.type;
        EXPECT_EQ(plan.Main, e.main) << e.type;
        EXPECT_EQ(plan.PictureCount(), e.pictures) << e.type;
        EXPECT_EQ(plan.TextBoxCount(), e.texts) << e.type;
        EXPECT_EQ(plan.VideoCount(), e.videos) << e.type;
    }
}

// The panels of display type 4 in Edit mode: the button bar first (it comes with the window),
// then top strip, main area, right column and bottom strip in creation order.
std::vector<TDockItem> TypeFourPanels(bool barVisible) {
    return {{TAlign::Bottom, 60, barVisible},
            {TAlign::Top, 80, true},
            {TAlign::Client, 0, true},
            {TAlign::Right, 300, true},
            {TAlign::Bottom, 80, true}};
}

TEST(LayoutGeometryTest, DockingStacksStripsColumnAndMainArea) {
    const auto rects = DockRects(800, 660, TypeFourPanels(true));
    EXPECT_EQ(rects[0], (TRect{0, 600, 800, 60}));   // button bar at the bottom edge
    EXPECT_EQ(rects[1], (TRect{0, 0, 800, 80}));     // top strip
    EXPECT_EQ(rects[2], (TRect{0, 80, 500, 440}));   // main area
    EXPECT_EQ(rects[3], (TRect{500, 80, 300, 440})); // column between the strips
    EXPECT_EQ(rects[4], (TRect{0, 520, 800, 80}));   // bottom strip above the bar
}

TEST(LayoutGeometryTest, HiddenPanelsGiveUpTheirPlace) {
    const auto rects = DockRects(816, 638, TypeFourPanels(false));
    EXPECT_EQ(rects[0], TRect{});
    EXPECT_EQ(rects[4], (TRect{0, 558, 816, 80}));
    EXPECT_EQ(rects[2], (TRect{0, 80, 516, 478}));
}

TEST(LayoutGeometryTest, DockingNeverHandsOutNegativeSizes) {
    const auto rects = DockRects(200, 100, TypeFourPanels(true));
    for (const TRect& r : rects) {
        EXPECT_GE(r.Width, 0);
        EXPECT_GE(r.Height, 0);
    }
    // Top panels take their share first, then bottom ones, then right ones, as far as it goes.
    EXPECT_EQ(rects[1], (TRect{0, 0, 200, 80}));
    EXPECT_EQ(rects[0], (TRect{0, 80, 200, 20}));
    EXPECT_EQ(rects[4], (TRect{0, 80, 200, 0}));
    EXPECT_EQ(rects[3], (TRect{0, 80, 200, 0}));
    EXPECT_EQ(rects[2], (TRect{0, 80, 0, 0}));
}

TEST(LayoutGeometryTest, UndockedPanelsAreLeftAlone) {
    const auto rects = DockRects(800, 600, {{TAlign::None, 0, true}, {TAlign::Client, 0, true}});
    EXPECT_EQ(rects[0], TRect{});
    EXPECT_EQ(rects[1], (TRect{0, 0, 800, 600}));
}

} // namespace
