#include "startup/ui/SplashPictures.h"

#include <gtest/gtest.h>

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

} // namespace
