#include "widgets/SkinPictures.h"

#include "SixteenColours.h"
#include "widgets/SkinZones.h"

#include <QRegion>
#include <cmath>
#include <gtest/gtest.h>
#include <set>
#include <stdexcept>

namespace {

// Relative luminance and contrast ratio as the web accessibility guidelines define them.
double Luminance(QColor c) {
    auto channel = [](int v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}

double Contrast(QColor a, QColor b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The lowest contrast of `text` against any pixel of `area` in `image`.
double WorstContrast(const QImage& image, const QRect& area, QColor text) {
    double worst = 100;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            worst = std::min(worst, Contrast(text, image.pixelColor(x, y)));
    return worst;
}

int OpaquePixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y).alpha() > 128 ? 1 : 0;
    return count;
}

size_t DistinctColours(const QImage& image) {
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 128)
                colours.insert(image.pixel(x, y));
    return colours.size();
}

bool IsGoldish(QColor c) {
    return c.alpha() > 128 && c.red() > 180 && c.green() > 130 && c.blue() < 130 &&
           c.red() - c.blue() > 90;
}

int GoldishPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += IsGoldish(image.pixelColor(x, y)) ? 1 : 0;
    return count;
}

bool IsGreenDominant(QColor c) {
    return c.green() > c.red() + 30 && c.green() > c.blue() + 30;
}

int GreenPixels(const QImage& image, QRect area = QRect()) {
    if (area.isNull())
        area = image.rect();
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += IsGreenDominant(image.pixelColor(x, y)) ? 1 : 0;
    return count;
}

// A picture counts as real when a fair part of it is drawn, in more than a couple of colours.
void ExpectRealPicture(const QImage& image, const std::string& what) {
    SCOPED_TRACE(what);
    ASSERT_FALSE(image.isNull());
    EXPECT_GE(OpaquePixels(image), image.width() * image.height() / 10);
    EXPECT_GE(DistinctColours(image), 3u);
}

} // namespace

TEST(ButtonPictures, HaveTheSizesTheWindowPlacesThemAt) {
    const struct {
        int first, last;
        QSize size;
    } fixed[] = {{0, 7, {22, 23}},   {8, 19, {32, 32}},  {20, 20, {104, 80}}, {21, 22, {23, 23}},
                 {23, 24, {17, 21}}, {50, 53, {17, 21}}, {54, 54, {63, 21}}};
    for (const auto& range : fixed)
        for (int i = range.first; i <= range.last; ++i) {
            EXPECT_EQ(Skin::ButtonPicture(i).size(), range.size) << "picture " << i;
            EXPECT_EQ(Skin::ButtonPictureSize(i), range.size) << "picture " << i;
        }
    for (int i = 0; i < Skin::Btn::Count; ++i)
        EXPECT_EQ(Skin::ButtonPicture(i).size(), Skin::ButtonPictureSize(i)) << "picture " << i;
}

TEST(ButtonPictures, AreAllRealAndAllDifferent) {
    std::vector<QImage> pictures;
    for (int i = 0; i < Skin::Btn::Count; ++i) {
        pictures.push_back(Skin::ButtonPicture(i));
        ExpectRealPicture(pictures.back(), "picture " + std::to_string(i));
    }
    for (size_t a = 0; a < pictures.size(); ++a)
        for (size_t b = a + 1; b < pictures.size(); ++b)
            EXPECT_NE(pictures[a], pictures[b]) << "pictures " << a << " and " << b;
}

TEST(ButtonPictures, HoverPicturesStandWhereTheWindowLooksForThem) {
    // Title buttons list the picture under the cursor first; its frame is gold.
    for (int hover : {0, 2, 4}) {
        EXPECT_TRUE(IsGoldish(Skin::ButtonPicture(hover).pixelColor(11, 0))) << hover;
        EXPECT_FALSE(IsGoldish(Skin::ButtonPicture(hover + 1).pixelColor(11, 0))) << hover + 1;
    }
    // The close button turns red under the cursor.
    const QColor closeHover = Skin::ButtonPicture(Skin::Btn::CloseHover).pixelColor(3, 12);
    const QColor closeNormal = Skin::ButtonPicture(Skin::Btn::CloseNormal).pixelColor(3, 12);
    EXPECT_GT(closeHover.red(), closeHover.blue());
    EXPECT_LT(closeNormal.red(), closeNormal.blue());
    // Server buttons list the normal picture first.
    for (int normal = Skin::Btn::StartNormal; normal <= Skin::Btn::SetupNormal; normal += 2) {
        EXPECT_FALSE(IsGoldish(Skin::ButtonPicture(normal).pixelColor(16, 0))) << normal;
        EXPECT_TRUE(IsGoldish(Skin::ButtonPicture(normal + 1).pixelColor(16, 0))) << normal + 1;
    }
    // Language arrows: normal first, the arrow turns gold under the cursor.
    EXPECT_EQ(GoldishPixels(Skin::ButtonPicture(Skin::Btn::LangRightNormal)), 0);
    EXPECT_GT(GoldishPixels(Skin::ButtonPicture(Skin::Btn::LangRightHover)), 10);
    EXPECT_EQ(GoldishPixels(Skin::ButtonPicture(Skin::Btn::LangLeftNormal)), 0);
    EXPECT_GT(GoldishPixels(Skin::ButtonPicture(Skin::Btn::LangLeftHover)), 10);
}

TEST(ButtonPictures, CheckPictureOnCarriesAMarkThatOffLacks) {
    const QImage off = Skin::ButtonPicture(Skin::Btn::CheckOff);
    const QImage on = Skin::ButtonPicture(Skin::Btn::CheckOn);
    EXPECT_EQ(GreenPixels(off), 0);
    EXPECT_GT(GreenPixels(on), 15);
}

TEST(ButtonPictures, DisabledServerButtonsAreGrey) {
    for (int i = Skin::Btn::StartDisabled; i <= Skin::Btn::SetupDisabled; ++i) {
        const QImage image = Skin::ButtonPicture(i);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.alpha() > 128) {
                    ASSERT_LT(c.hsvSaturation(), 80) << "picture " << i << " at " << x << "," << y;
                }
            }
    }
}

TEST(ButtonPictures, FieldFrameLeavesTheLanguageFieldItsColour) {
    // `Edit_Lang` lies at (5, 4) inside the frame, 53 x 14: the frame shows the field colour
    // there, so the edit and the frame read as one.
    const QImage frame = Skin::ButtonPicture(Skin::Btn::LangField);
    EXPECT_EQ(frame.pixelColor(30, 12), QColor(Skin::EditColor));
    EXPECT_EQ(frame.pixelColor(6, 17), QColor(Skin::EditColor));
}

TEST(ButtonPictures, IndexOutsideTheListIsRefused) {
    EXPECT_THROW(Skin::ButtonPicture(-1), std::out_of_range);
    EXPECT_THROW(Skin::ButtonPicture(77), std::out_of_range);
    EXPECT_THROW(Skin::ButtonPictureSize(77), std::out_of_range);
}

TEST(DisplayPictures, ShowEachTypeAtAGlance) {
    std::vector<QImage> pictures;
    for (int type = 0; type < Skin::DisplayPictureCount; ++type) {
        pictures.push_back(Skin::DisplayTypePicture(type));
        EXPECT_EQ(pictures.back().size(), QSize(96, 72));
        ExpectRealPicture(pictures.back(), "type " + std::to_string(type));
    }
    for (size_t a = 0; a < pictures.size(); ++a)
        for (size_t b = a + 1; b < pictures.size(); ++b)
            EXPECT_NE(pictures[a], pictures[b]) << "types " << a << " and " << b;

    // Types 5 to 8 show a landscape (green hills) on their screens; 0 to 4 none.
    const QRect screen(4, 4, 88, 60);
    for (int type = 0; type <= 4; ++type)
        EXPECT_EQ(GreenPixels(pictures[static_cast<size_t>(type)], screen), 0) << type;
    for (int type = 5; type <= 8; ++type)
        EXPECT_GT(GreenPixels(pictures[static_cast<size_t>(type)], screen), 100) << type;

    // A video type and its picture twin (n and n + 4) share their text strips pixel for pixel;
    // where one of them has no strip, the main area shows through and they differ.
    const auto same = [&](int a, int b, const QRect& area) {
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (pictures[static_cast<size_t>(a)].pixel(x, y) !=
                    pictures[static_cast<size_t>(b)].pixel(x, y))
                    return false;
        return true;
    };
    const QRect top(5, 5, 86, 8), column(70, 20, 20, 25), bottom(5, 56, 86, 7);
    EXPECT_FALSE(same(1, 5, top));
    EXPECT_TRUE(same(2, 6, top));
    EXPECT_TRUE(same(3, 7, top));
    EXPECT_TRUE(same(4, 8, top));
    EXPECT_TRUE(same(2, 4, top));
    EXPECT_FALSE(same(1, 5, column));
    EXPECT_FALSE(same(2, 6, column));
    EXPECT_TRUE(same(3, 7, column));
    EXPECT_TRUE(same(4, 8, column));
    EXPECT_FALSE(same(3, 7, bottom));
    EXPECT_TRUE(same(4, 8, bottom));

    EXPECT_THROW(Skin::DisplayTypePicture(9), std::out_of_range);
    EXPECT_THROW(Skin::DisplayTypePicture(-1), std::out_of_range);
}

TEST(Background, IsTheWindowSizeIn24Bit) {
    const QImage image = Skin::MainBackground();
    EXPECT_EQ(image.size(), QSize(802, 602));
    EXPECT_EQ(image.depth(), 24);
    EXPECT_FALSE(image.hasAlphaChannel());
}

TEST(Background, LabelsReadOnTheZonesPaintedForThem) {
    const QImage image = Skin::MainBackground();
    // Section titles: bold 19 px text is large text, which needs a contrast of at least 3.
    EXPECT_GE(WorstContrast(image, QRect(15, 60, 300, 25), QColor(Skin::ServerTitleColor)), 3.0);
    EXPECT_GE(WorstContrast(image, QRect(22, 420, 300, 25), QColor(Skin::SettingsTitleColor)), 4.5);
    // The gold name on the title band (where its letters stand, below the label's top margin).
    EXPECT_GE(WorstContrast(image, QRect(8, 6, 200, 32), QColor(Skin::TitleNameColor)), 3.0);
    // Small pale green labels need 4.5 on both panel bodies.
    EXPECT_GE(WorstContrast(image, QRect(20, 95, 700, 300), QColor(Skin::LabelColor)), 4.5);
    EXPECT_GE(WorstContrast(image, QRect(20, 455, 700, 125), QColor(Skin::LabelColor)), 4.5);
    // The server header strip is light and the settings one dark, as their titles need.
    EXPECT_GT(Luminance(image.pixelColor(400, 70)), 0.5);
    EXPECT_LT(Luminance(image.pixelColor(400, 430)), 0.1);
}

TEST(Background, FaceShowsTheWindowColourAndTheOutlineIsRimmed) {
    const QImage image = Skin::MainBackground();
    const QColor face(Skin::FaceColor);
    for (QPoint pt : {QPoint(5, 300), QPoint(796, 300), QPoint(400, 52), QPoint(400, 412)}) {
        const QColor c = image.pixelColor(pt);
        EXPECT_LE(std::abs(c.red() - face.red()), 10) << pt.x() << "," << pt.y();
        EXPECT_LE(std::abs(c.green() - face.green()), 10) << pt.x() << "," << pt.y();
        EXPECT_LE(std::abs(c.blue() - face.blue()), 10) << pt.x() << "," << pt.y();
    }
    // Every pixel on the edge of the visible outline is dark, the stepped corners included.
    for (QPoint pt : {QPoint(6, 1), QPoint(4, 2), QPoint(1, 6), QPoint(400, 600), QPoint(800, 300),
                      QPoint(795, 600)})
        EXPECT_LT(Luminance(image.pixelColor(pt)), 0.02) << pt.x() << "," << pt.y();
}

TEST(Background, WindowOutlineIsTheSteppedRectangle) {
    const QRegion outline = Skin::WindowOutline();
    EXPECT_EQ(outline.boundingRect(), QRect(1, 1, 800, 600));
    EXPECT_TRUE(outline.contains(QPoint(1, 6)));
    EXPECT_FALSE(outline.contains(QPoint(1, 5)));
    EXPECT_TRUE(outline.contains(QPoint(6, 1)));
    EXPECT_FALSE(outline.contains(QPoint(5, 1)));
    EXPECT_TRUE(outline.contains(QPoint(795, 600)));
    EXPECT_FALSE(outline.contains(QPoint(796, 600)));
    EXPECT_FALSE(outline.contains(QPoint(801, 300)));
    EXPECT_FALSE(outline.contains(QPoint(400, 601))) << "nothing below row 601 is visible";
    EXPECT_FALSE(outline.contains(QPoint(400, 0)));
    EXPECT_TRUE(outline.contains(QPoint(400, 600)));
    EXPECT_TRUE(outline.contains(QPoint(795, 1)));
    EXPECT_FALSE(outline.contains(QPoint(796, 1)));
    EXPECT_TRUE(outline.contains(QPoint(1, 300)));
    EXPECT_TRUE(outline.contains(QPoint(800, 300)));
    int area = 0;
    for (const QRect& r : outline)
        area += r.width() * r.height();
    EXPECT_EQ(area, 800 * 590 + 2 * (790 + 794 + 796 + 2 * 798));
}

TEST(ProgramIcon, IsARoundPictureOnTransparency) {
    const QImage icon = Skin::ProgramIcon();
    EXPECT_EQ(icon.size(), QSize(32, 32));
    EXPECT_TRUE(icon.hasAlphaChannel());
    EXPECT_EQ(icon.pixelColor(0, 0).alpha(), 0);
    EXPECT_EQ(icon.pixelColor(31, 31).alpha(), 0);
    EXPECT_EQ(icon.pixelColor(16, 16).alpha(), 255);
    EXPECT_GT(GoldishPixels(icon), 10); // the ring
    ExpectRealPicture(icon, "icon");
}

TEST(TrayPictures, AreSmallAndUseOnlyTheSixteenColours) {
    const std::set<QRgb>& palette = SixteenColours();
    std::vector<QImage> pictures;
    for (int item = 1; item <= Skin::TrayPictureCount; ++item) {
        const QImage image = Skin::TrayMenuPicture(item).convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(image.size(), QSize(11, 11));
        ExpectRealPicture(image, "tray picture " + std::to_string(item));
        for (int y = 0; y < 11; ++y)
            for (int x = 0; x < 11; ++x) {
                const QRgb px = image.pixel(x, y);
                if (qAlpha(px) == 0)
                    continue;
                EXPECT_EQ(qAlpha(px), 255);
                EXPECT_TRUE(palette.count(px | 0xFF000000u)) << item << " at " << x << "," << y;
            }
        for (const QImage& other : pictures)
            EXPECT_NE(image, other) << item;
        pictures.push_back(image);
    }
    EXPECT_THROW(Skin::TrayMenuPicture(0), std::out_of_range);
    EXPECT_THROW(Skin::TrayMenuPicture(6), std::out_of_range);
}

TEST(PictureList, HoldsTheButtonAndDisplayPictures) {
    const TPictureList buttons = TPictureList::ButtonPictures();
    EXPECT_EQ(buttons.Count(), 77);
    EXPECT_EQ(buttons.Picture(Skin::Btn::CheckOn)
                  .Image(TDeviceGrid())
                  .convertToFormat(QImage::Format_ARGB32),
              Skin::ButtonPicture(Skin::Btn::CheckOn).convertToFormat(QImage::Format_ARGB32));
    EXPECT_TRUE(buttons.Contains(76));
    EXPECT_FALSE(buttons.Contains(77));
    EXPECT_FALSE(buttons.Contains(-1));
    EXPECT_THROW(buttons.Picture(77), std::out_of_range);

    const TPictureList displays = TPictureList::DisplayPictures();
    EXPECT_EQ(displays.Count(), 9);
    EXPECT_EQ(displays.Picture(8).Size(), QSize(96, 72));
    EXPECT_THROW(displays.Picture(9), std::out_of_range);
    EXPECT_THROW(displays.Picture(-1), std::out_of_range);
}

// The pictures drawn for the device pixels of a screen at the common desktop scales.
class SkinAtRatio : public ::testing::TestWithParam<qreal> {
protected:
    qreal Ratio() const { return GetParam(); }
    // A grid whose origin falls between two device pixels, as most places of a window do at a
    // fractional ratio.
    TDeviceGrid Between() const { return TDeviceGrid(Ratio(), QPointF(0.4, -0.5)); }
};

INSTANTIATE_TEST_SUITE_P(DesktopScales, SkinAtRatio, ::testing::Values(1.0, 1.25, 1.5, 2.0));

// Every picture comes at the device pixels its logical size covers, carrying the ratio, so the
// window shows it pixel for pixel.
TEST_P(SkinAtRatio, PicturesComeAtDevicePixels) {
    for (const TDeviceGrid& grid : {TDeviceGrid(Ratio()), Between()}) {
        const auto check = [&](const QImage& image, QSize logical, const std::string& what) {
            EXPECT_EQ(image.size(), grid.Extent(logical)) << what;
            EXPECT_EQ(image.devicePixelRatio(), Ratio()) << what;
        };
        for (int i = 0; i < Skin::Btn::Count; ++i)
            check(Skin::ButtonPicture(i, grid), Skin::ButtonPictureSize(i),
                  "picture " + std::to_string(i));
        for (int type = 0; type < Skin::DisplayPictureCount; ++type)
            check(Skin::DisplayTypePicture(type, grid), Skin::DisplayPictureSize,
                  "type " + std::to_string(type));
        check(Skin::MainBackground(grid), Skin::BackgroundSize, "background");
        check(Skin::ProgramIcon(grid), Skin::ProgramIconSize, "icon");
        for (int item = 1; item <= Skin::TrayPictureCount; ++item)
            check(Skin::TrayMenuPicture(item, grid), Skin::TrayPictureSize,
                  "tray picture " + std::to_string(item));
    }
    EXPECT_EQ(Skin::MainBackground(TDeviceGrid(Ratio())).depth(), 24);
}

// A row of device pixels as colours.
std::vector<QColor> Row(const QImage& image, int y, int from, int to) {
    std::vector<QColor> row;
    for (int x = from; x < to; ++x)
        row.push_back(image.pixelColor(x, y));
    return row;
}

// Sharp edges: the border of a title button, the rim of the language field's well and the rim of
// the window face are whole device pixels of one colour, next to whole pixels of the other.
TEST_P(SkinAtRatio, EdgesLandOnWholeDevicePixels) {
    const TDeviceGrid grid = Between();
    const int line = grid.Line();

    const QImage button = Skin::ButtonPicture(Skin::Btn::CloseNormal, grid);
    const QColor border(0x06, 0x1F, 0x40);
    const int middle = grid.X(11);
    for (int y = 0; y < line; ++y)
        EXPECT_EQ(button.pixelColor(middle, y), border) << "border row " << y;
    EXPECT_NE(button.pixelColor(middle, line), border) << "the border is " << line << " wide";
    for (int y = button.height() - line; y < button.height(); ++y)
        EXPECT_EQ(button.pixelColor(middle, y), border) << "border row " << y;

    // The well of the language field: its rim, then the field colour straight away.
    const QImage field = Skin::ButtonPicture(Skin::Btn::LangField, grid);
    const int row = grid.Y(11);
    const int rimLeft = grid.X(4), rimRight = grid.X(59);
    const std::vector<QColor> pixels = Row(field, row, rimLeft, rimRight);
    const QColor rim = pixels.front();
    for (int i = 0; i < line; ++i) {
        EXPECT_EQ(pixels[static_cast<size_t>(i)], rim) << "left rim " << i;
        EXPECT_EQ(pixels[pixels.size() - 1 - static_cast<size_t>(i)], rim) << "right rim " << i;
    }
    for (size_t i = static_cast<size_t>(line); i < pixels.size() - static_cast<size_t>(line); ++i)
        ASSERT_EQ(pixels[i], QColor(Skin::EditColor)) << "field pixel " << i;
    EXPECT_NE(field.pixelColor(rimLeft - 1, row), rim) << "the rim starts on a whole pixel";

    // The rim of the window face along its left edge, halfway down.
    const QImage face = Skin::MainBackground(TDeviceGrid(Ratio()));
    const int y = face.height() / 2, left = TDeviceGrid(Ratio()).X(1);
    const QColor dark(0x06, 0x1A, 0x36);
    EXPECT_NE(face.pixelColor(left - 1, y), dark) << "outside the outline";
    for (int x = left; x < left + line; ++x)
        EXPECT_EQ(face.pixelColor(x, y), dark) << x;
    const QColor light = face.pixelColor(left + line, y);
    EXPECT_NE(light, dark);
    for (int x = left + line; x < left + 2 * line; ++x)
        EXPECT_EQ(face.pixelColor(x, y), light) << "light line " << x;
    EXPECT_NE(face.pixelColor(left + 2 * line, y), light);
}

// The tray pictures keep to the sixteen colours at every size: no blended edge pixels.
TEST_P(SkinAtRatio, TrayPicturesKeepToTheSixteenColours) {
    const std::set<QRgb>& palette = SixteenColours();
    for (int item = 1; item <= Skin::TrayPictureCount; ++item) {
        const QImage image =
            Skin::TrayMenuPicture(item, Between()).convertToFormat(QImage::Format_ARGB32);
        ExpectRealPicture(image, "tray picture " + std::to_string(item));
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb px = image.pixel(x, y);
                if (qAlpha(px) == 0)
                    continue;
                ASSERT_EQ(qAlpha(px), 255) << item << " at " << x << "," << y;
                ASSERT_TRUE(palette.count(px)) << item << " at " << x << "," << y;
            }
    }
}
