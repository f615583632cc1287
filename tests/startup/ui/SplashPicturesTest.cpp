#include "startup/ui/SplashPictures.h"

#include <cmath>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace {

bool IsYellow(QColor c) {
    return c.red() > 200 && c.green() > 150 && c.blue() < 100;
}
bool IsBlue(QColor c) {
    return c.blue() > c.red() + 40 && c.blue() > c.green();
}

TEST(SplashPicturesTest, SizesAndDepths) {
    EXPECT_EQ(SplashPictures::Product().size(), QSize(400, 300));
    EXPECT_EQ(SplashPictures::Product().depth(), 24);
    for (const QImage& mark : {SplashPictures::LoadMark(), SplashPictures::DoneMark()}) {
        EXPECT_EQ(mark.size(), QSize(27, 10));
        EXPECT_EQ(mark.depth(), 24);
    }
    EXPECT_EQ(SplashPictures::BarBackTexture().size(), QSize(6, 15));
    EXPECT_EQ(SplashPictures::BarBackTexture().depth(), 32);
    EXPECT_EQ(SplashPictures::BarForeTexture().size(), QSize(6, 15));
    EXPECT_EQ(SplashPictures::BarForeTexture().depth(), 24);
}

TEST(SplashPicturesTest, MarksAreYellowLettersOnBlueAndDiffer) {
    const QImage load = SplashPictures::LoadMark(), done = SplashPictures::DoneMark();
    EXPECT_NE(load, done);
    int yellow = 0, blue = 0;
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 27; ++x) {
            yellow += IsYellow(load.pixelColor(x, y)) ? 1 : 0;
            blue += IsBlue(load.pixelColor(x, y)) ? 1 : 0;
        }
    }
    EXPECT_GT(yellow, 40);
    EXPECT_GT(blue, 27 * 10 / 2);
    EXPECT_TRUE(IsBlue(load.pixelColor(0, 0)));
}

TEST(SplashPicturesTest, ForegroundSegmentNeverUsesItsSeeThroughGreen) {
    const QImage fore = SplashPictures::BarForeTexture();
    const QRgb key = fore.pixel(0, 14);
    EXPECT_GT(qGreen(key), 150);
    EXPECT_LT(qRed(key), 50);
    int segment = 0;
    for (int y = 0; y < 15; ++y) {
        for (int x = 0; x < 6; ++x) {
            if (fore.pixel(x, y) != key) {
                ++segment;
                EXPECT_GT(fore.pixelColor(x, y).red(), 200) << "orange-yellow";
            }
        }
    }
    EXPECT_EQ(segment, 5 * 13);
    const QImage back = SplashPictures::BarBackTexture();
    EXPECT_EQ(back.pixelColor(5, 7).red(), back.pixelColor(5, 7).blue()) << "grey edge";
    EXPECT_GT(back.pixelColor(2, 7).red(), back.pixelColor(2, 7).blue()) << "olive-brown";
}

TEST(SplashPicturesTest, ProductPictureIsBlueWithADarkPlateUnderTheBar) {
    const QImage product = SplashPictures::Product();
    int blue = 0;
    for (int y = 0; y < 300; y += 5) {
        for (int x = 0; x < 400; x += 5)
            blue += IsBlue(product.pixelColor(x, y)) ? 1 : 0;
    }
    EXPECT_GT(blue, 80 * 60 / 2);
    EXPECT_LT(product.pixelColor(300, 36).lightness(), 60);
}

// The splash pictures drawn for the device pixels of a screen at the common desktop scales.
class SplashAtRatio : public ::testing::TestWithParam<qreal> {
protected:
    TDeviceGrid Grid() const { return TDeviceGrid(GetParam()); }
};

INSTANTIATE_TEST_SUITE_P(DesktopScales, SplashAtRatio, ::testing::Values(1.0, 1.25, 1.5, 2.0));

TEST_P(SplashAtRatio, PicturesComeAtDevicePixels) {
    const QImage product = SplashPictures::Product(Grid());
    EXPECT_EQ(product.size(), QSize(qRound(400 * GetParam()), qRound(300 * GetParam())));
    EXPECT_EQ(product.devicePixelRatio(), GetParam());
    EXPECT_EQ(product.depth(), 24);
    for (const QImage& mark : {SplashPictures::LoadMark(Grid()), SplashPictures::DoneMark(Grid())})
        EXPECT_EQ(mark.size(), Grid().Extent(SplashPictures::MarkSize));
    EXPECT_EQ(SplashPictures::BarBackTexture(Grid()).size(),
              Grid().Extent(SplashPictures::BarTextureSize));
}

// The marks' letters are strokes of whole device pixels on their blue: every pixel is the blue of
// its row, the shadow or a letter colour, and the stems are one line wide.
TEST_P(SplashAtRatio, MarkLettersAreEvenStrokesWithoutBlur) {
    const QImage mark = SplashPictures::LoadMark(Grid());
    const QColor shadow(0xA8, 0x58, 0x10);
    for (int y = 0; y < mark.height(); ++y) {
        const QColor blue = mark.pixelColor(0, y);
        ASSERT_TRUE(IsBlue(blue)) << y;
        for (int x = 0; x < mark.width(); ++x) {
            const QColor c = mark.pixelColor(x, y);
            ASSERT_TRUE(c == blue || c == shadow || (c.red() == 0xFF && c.blue() == 0x30))
                << x << "," << y;
        }
    }
    // Design row 4 crosses only stems: "L", the sides of "o" and "d", the right side of "a". Its
    // strokes are centred on the row's centre.
    const int y = static_cast<int>(std::floor(4.5 * GetParam() - Grid().Line() / 2.0 + 0.5));
    std::vector<int> runs;
    int run = 0;
    for (int x = 0; x < mark.width(); ++x) {
        if (IsYellow(mark.pixelColor(x, y)))
            ++run;
        else if (run > 0)
            runs.push_back(std::exchange(run, 0));
    }
    EXPECT_EQ(runs, std::vector<int>(6, Grid().Line()));
}

// The bar's segments keep their edges one line wide, so segment after segment steps evenly.
TEST_P(SplashAtRatio, BarTexturesHaveEdgesOneLineWide) {
    const int line = Grid().Line();
    const QImage back = SplashPictures::BarBackTexture(Grid());
    const QImage fore = SplashPictures::BarForeTexture(Grid());
    const int w = back.width(), h = back.height();
    const int middle = h / 2;
    for (int x = 0; x < w; ++x) {
        const bool edge = x >= w - line;
        EXPECT_EQ(back.pixelColor(x, middle) == QColor(0x70, 0x70, 0x70), edge) << x;
        EXPECT_EQ(fore.pixel(x, middle) == fore.pixel(0, h - 1), edge) << "see-through " << x;
    }
    for (int y = 0; y < h; ++y) {
        EXPECT_EQ(back.pixelColor(1, y) == QColor(0x9A, 0x9A, 0x9A), y < line) << y;
        EXPECT_EQ(fore.pixel(1, y) == fore.pixel(0, h - 1), y < line || y >= h - line) << y;
    }
}

} // namespace
