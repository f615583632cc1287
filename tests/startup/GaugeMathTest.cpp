#include "startup/GaugeMath.h"

#include <climits>
#include <gtest/gtest.h>

namespace {

using namespace GaugeMath;

TEST(GaugeMathTest, ProgressIsClampedToTheRange) {
    EXPECT_EQ(ClampProgress(150, 0, 100), 100);
    EXPECT_EQ(ClampProgress(-5, 0, 100), 0);
    EXPECT_EQ(ClampProgress(7, 7, 7), 7);
}

TEST(GaugeMathTest, PercentageRoundsAndSurvivesTheWholeIntegerRange) {
    EXPECT_EQ(Percentage(50, 0, 100), 50);
    EXPECT_EQ(Percentage(1, 0, 200), 1) << "a half rounds up";
    EXPECT_EQ(Percentage(1, 0, 1000), 0);
    EXPECT_EQ(Percentage(5, 0, 1000), 1);
    EXPECT_EQ(Percentage(9, 9, 9), 0) << "empty range";
    EXPECT_EQ(Percentage(INT_MAX, INT_MIN, INT_MAX), 100);
    EXPECT_EQ(Percentage(0, INT_MIN, INT_MAX), 50);
    EXPECT_EQ(Percentage(INT_MIN, INT_MIN, INT_MAX), 0);
    EXPECT_EQ(Percentage(-50, -100, 0), 50);
}

TEST(GaugeMathTest, FillLengthReachesOnePastTheEdge) {
    EXPECT_EQ(FillLength(140, 99), 140) << "141 x 0.99 = 139.59";
    EXPECT_EQ(FillLength(140, 100), 141);
    EXPECT_EQ(FillLength(140, 50), 71) << "70.5";
    EXPECT_EQ(FillLength(140, 0), 0);
    EXPECT_EQ(FillLength(0, 100), 1);
}

TEST(GaugeMathTest, BlocksRoundDownExceptAFullBar) {
    EXPECT_EQ(DrawnLength(40, 140, true, 6), 36);
    EXPECT_EQ(DrawnLength(5, 140, true, 6), 0);
    EXPECT_EQ(DrawnLength(141, 140, true, 6), 141);
    EXPECT_EQ(DrawnLength(140, 140, true, 6), 140);
    EXPECT_EQ(DrawnLength(40, 140, false, 6), 40);
    EXPECT_EQ(DrawnLength(40, 140, true, 0), 40) << "no block length, no blocks";
}

TEST(GaugeMathTest, EdgeCapsShareAShortFill) {
    EXPECT_EQ(EdgeCaps(100, 3, 6).Head, 3);
    EXPECT_EQ(EdgeCaps(100, 3, 6).Tail, 3);
    const TCaps shortFill = EdgeCaps(6, 3, 6); // each cap 4 pixels, the tail over the head
    EXPECT_EQ(shortFill.Tail, 4);
    EXPECT_EQ(shortFill.Head, 2);
    EXPECT_EQ(EdgeCaps(1, 3, 6).Head + EdgeCaps(1, 3, 6).Tail, 1);
    const TCaps narrowTexture = EdgeCaps(10, 6, 3);
    EXPECT_EQ(narrowTexture.Head, 3);
    EXPECT_EQ(narrowTexture.Tail, 3);
    EXPECT_EQ(EdgeCaps(100, 0, 6).Tail, 0);
    EXPECT_EQ(EdgeCaps(100, 3, 0).Tail, 0);
}

TEST(GaugeMathTest, PieStartsClockwiseFromTheTop) {
    EXPECT_EQ(PieStartPoint(100, 60, 0), (TPoint{50, 0}));
    EXPECT_EQ(PieStartPoint(100, 60, 25), (TPoint{100, 30}));
    EXPECT_EQ(PieStartPoint(100, 60, 50), (TPoint{50, 60}));
    EXPECT_EQ(PieStartPoint(100, 60, 75), (TPoint{0, 30}));
    EXPECT_EQ(PieStartPoint(100, 60, 100), (TPoint{50, 0}));
    EXPECT_EQ(PieStartPoint(101, 61, 25), (TPoint{100, 30})) << "MX and MY are halves rounded down";
    EXPECT_EQ(PieStartPoint(100, 100, 10),
              (TPoint{79, 10})); // 50 x (1 + sin 36°), 50 x (1 - cos 36°)
}

TEST(GaugeMathTest, LabelPlaces) {
    EXPECT_EQ(LabelLeft(TLSVHorAlignment::Left, 140, 20, false, 0), 1);
    EXPECT_EQ(LabelLeft(TLSVHorAlignment::Right, 140, 20, false, 0), 119);
    EXPECT_EQ(LabelLeft(TLSVHorAlignment::Center, 140, 20, false, 0), 60);
    EXPECT_EQ(LabelLeft(TLSVHorAlignment::Center, 140, 20, true, 50), 15);
    EXPECT_EQ(LabelLeft(TLSVHorAlignment::Right, 140, 20, true, 50), 119);
    EXPECT_EQ(LabelLeft(TLSVHorAlignment::Center, 10, 20, false, 0), -4) << "rounds toward zero";
    EXPECT_EQ(LabelTop(taTop, 15, 13, false, 0), 1);
    EXPECT_EQ(LabelTop(taBottom, 15, 13, false, 0), 1);
    EXPECT_EQ(LabelTop(taCentered, 15, 12, false, 0), 2);
    EXPECT_EQ(LabelTop(taCentered, 100, 10, true, 40), 75);
}

TEST(GaugeMathTest, LabelFormatFillsOnlyIntegerPlaceholders) {
    EXPECT_EQ(FormatLabel("%d%%", 99), "99%");
    EXPECT_EQ(FormatLabel("Done: %3d", 5), "Done:   5");
    EXPECT_EQ(FormatLabel("%-3d|", 5), "5  |");
    EXPECT_EQ(FormatLabel("%s %x %n", 5), "%s %x %n");
    EXPECT_EQ(FormatLabel("100%", 5), "100%");
    EXPECT_EQ(FormatLabel("%99999999999d", 1).size(), 64u);
}

TEST(GaugeMathTest, RunningStripStartsAgainAtTheEnd) {
    EXPECT_EQ(NextStripOffset(0, 1, 10), 1);
    EXPECT_EQ(NextStripOffset(9, 1, 10), 0);
    EXPECT_EQ(NextStripOffset(8, 5, 10), 0);
    EXPECT_EQ(NextStripOffset(0, -1, 10), 9);
    EXPECT_EQ(NextStripOffset(3, 1, 0), 0);
    EXPECT_EQ(NextStripOffset(INT_MAX, INT_MAX, 10), 0);
}

} // namespace
