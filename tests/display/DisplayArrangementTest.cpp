#include "display/DisplayArrangement.h"

#include <gtest/gtest.h>

namespace {

using LayoutArrangement::TRect;

// At the Play mode window's size and scale 1 a display is the layout window's Play mode.
TEST(DisplayArrangementTest, AtThePreviewSizeItIsThePlayModeLayout) {
    const auto a = LayoutArrangement::Arrange(4, 816, 638, 1.0);
    EXPECT_EQ(a.Top, (TRect{0, 0, 816, 80}));
    EXPECT_EQ(a.Bottom, (TRect{0, 558, 816, 80}));
    EXPECT_EQ(a.Column, (TRect{516, 80, 300, 478}));
    EXPECT_EQ(a.Main, (TRect{0, 80, 516, 478}));
    ASSERT_EQ(a.Texts.size(), 6u);
    EXPECT_EQ(a.Texts[0].Width, 653);
    EXPECT_EQ(a.Texts[0].Left, 82);
    EXPECT_TRUE(a.Texts[0].CentredVertically);
    EXPECT_EQ(a.Texts[0].FontPoints, 18);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(a.Texts[static_cast<size_t>(k) + 1].Top, 10 + 50 * k);
        EXPECT_EQ(a.Texts[static_cast<size_t>(k) + 1].Width, 240);
        EXPECT_EQ(a.Texts[static_cast<size_t>(k) + 1].Left, 30);
        EXPECT_EQ(a.Texts[static_cast<size_t>(k) + 1].FontPoints, 16);
    }
    EXPECT_EQ(a.Texts[5].Container, a.Bottom);
    EXPECT_EQ(LayoutArrangement::VideoRect(a, 320, 240), (TRect{20, 20, 476, 347}));
    EXPECT_EQ(LayoutArrangement::VideoRect(a, 0, 0), std::nullopt);
}

TEST(DisplayArrangementTest, AFullHdScreenScalesStripsColumnTextsAndMargins) {
    const double scale = DisplayArrangement::ScaleFor(1080, 0);
    EXPECT_DOUBLE_EQ(scale, 1080.0 / 638);
    const auto a = LayoutArrangement::Arrange(8, 1920, 1080, scale);
    EXPECT_EQ(a.Top, (TRect{0, 0, 1920, 135}));
    EXPECT_EQ(a.Column, (TRect{1412, 135, 508, 810}));
    EXPECT_EQ(a.Main, (TRect{0, 135, 1412, 810}));
    EXPECT_EQ(a.Texts[2].Top, 102); // 60 layout pixels
    EXPECT_EQ(a.Texts[0].FontPoints, 30);
    EXPECT_EQ(a.Texts[1].FontPoints, 27);
    EXPECT_EQ(a.Picture, (TRect{34, 34, 1344, 742}));
    EXPECT_EQ(DisplayArrangement::ScaleFor(1080, 1), 1) << "--scale 1 keeps raw pixels";
}

TEST(DisplayArrangementTest, EveryTypeHasItsPartsAndOthersNone) {
    for (int type = 1; type <= 8; ++type) {
        const auto a = LayoutArrangement::Arrange(type, 1280, 720, 1.0);
        const int variant = (type - 1) % 4;
        EXPECT_EQ(a.Top.Height > 0, variant >= 1) << type;
        EXPECT_EQ(a.Column.Width > 0, variant >= 2) << type;
        EXPECT_EQ(a.Bottom.Height > 0, variant >= 3) << type;
        EXPECT_EQ(a.Picture.Width > 0, type >= 5) << type;
        EXPECT_EQ(a.Texts.size(), static_cast<size_t>(a.Plan.TextBoxCount())) << type;
    }
    EXPECT_EQ(LayoutArrangement::Arrange(9, 640, 480, 1.0).Main, (TRect{0, 0, 640, 480}));
    EXPECT_EQ(LayoutArrangement::Arrange(0, 640, 480, 1.0).Main, TRect{});
}

} // namespace
