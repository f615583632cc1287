// Metafiles written record by record, played into an image and checked at chosen pixels. Set
// METAFILE_TEST_IMAGES to a folder to keep every rendered image there as a PNG.

#include "common/TempDir.h"
#include "metafile/MetafileParser.h"
#include "metafile/MetafileWriter.h"
#include "metafile/ui/Metafile.h"
#include "metafile/ui/MetafileObjects.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <bit>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>

using namespace Metafile;
using namespace MetafileTest;

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF, kBlack = 0x000000, kRed = 0xFF0000, kGreen = 0x00FF00,
                        kBlue = 0x0000FF, kYellow = 0xFFFF00;

QImage Render(const TBytes& bytes, QSize size = {100, 100}, QRectF target = {}) {
    if (target.isEmpty())
        target = QRectF(QPointF(0, 0), size);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    TMetafilePicture(ParseMetafile(bytes, "test")).Play(painter, target);
    painter.end();
    if (const char* folder = std::getenv("METAFILE_TEST_IMAGES")) {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        static int serial = 0;
        image.save(QString("%1/%2_%3_%4.png")
                       .arg(folder, info->test_suite_name(), info->name())
                       .arg(++serial));
    }
    return image;
}

std::uint32_t At(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFF;
}

// Pixels in the rectangle that are not white.
int Ink(const QImage& image, QRect area) {
    int count = 0;
    area = area.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += At(image, x, y) != kWhite;
    return count;
}

// The smallest rectangle around every pixel that is not white.
QRect InkBounds(const QImage& image) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (At(image, x, y) != kWhite)
                bounds = bounds.united(QRect(x, y, 1, 1));
    return bounds;
}

// A WMF of 1000 x 1000 logical units with no pen and a solid brush of this colour (object 0).
TWmfWriter WmfWithBrush(std::uint32_t rgb) {
    TWmfWriter w;
    w.SetWindowOrg(0, 0).SetWindowExt(1000, 1000);
    w.CreatePen(PS_NULL, 0, 0).Select(0).CreateBrush(BS_SOLID, rgb).Select(1);
    return w;
}

// An EMF whose frame is 100 x 100 device pixels, with no pen and a solid brush (object 1).
TEmfWriter EmfWithBrush(std::uint32_t rgb) {
    TEmfWriter w;
    w.Select(STOCK_OBJECT_FLAG | 8).CreateBrush(1, BS_SOLID, rgb).Select(1);
    return w;
}

} // namespace

// ---- Frame and mapping ----

TEST(MetafilePlay, TheWindowIsStretchedOntoTheTarget) {
    const QImage image = Render(WmfWithBrush(kRed).Rectangle(0, 0, 500, 500).Finish());
    EXPECT_EQ(At(image, 25, 25), kRed);
    EXPECT_EQ(At(image, 48, 48), kRed);
    EXPECT_EQ(At(image, 52, 52), kWhite);
    EXPECT_EQ(At(image, 75, 25), kWhite);

    // Anisotropic: the same file in a wide target keeps filling the left half.
    const QImage wide = Render(WmfWithBrush(kRed).Rectangle(0, 0, 500, 1000).Finish(), {200, 50});
    EXPECT_EQ(At(wide, 98, 25), kRed);
    EXPECT_EQ(At(wide, 102, 25), kWhite);
}

TEST(MetafilePlay, NothingIsDrawnOutsideTheTarget) {
    const TBytes bytes = WmfWithBrush(kBlue).Rectangle(-5000, -5000, 5000, 5000).Finish();
    const QImage image = Render(bytes, {200, 200}, QRectF(50, 60, 100, 80));
    EXPECT_EQ(InkBounds(image), QRect(50, 60, 100, 80));
}

TEST(MetafilePlay, WindowRunningUpwardsIsShownTheRightWayUp) {
    // y grows upwards: the rectangle at the bottom of the logical space is at the image's bottom.
    TWmfWriter w;
    w.SetWindowOrg(0, 1000).SetWindowExt(1000, -1000);
    w.CreatePen(PS_NULL, 0, 0).Select(0).CreateBrush(BS_SOLID, kGreen).Select(1);
    const QImage image = Render(w.Rectangle(0, 0, 1000, 300).Finish());
    EXPECT_EQ(At(image, 50, 90), kGreen);
    EXPECT_EQ(At(image, 50, 10), kWhite);
}

TEST(MetafilePlay, PlaceableWmfUsesItsBox) {
    TWmfWriter w = TWmfWriter::Placeable(1000, 1000, 2440, 2440, 1440);
    w.CreatePen(PS_NULL, 0, 0).Select(0).CreateBrush(BS_SOLID, kRed).Select(1);
    const TBytes bytes = w.Rectangle(1720, 1720, 2440, 2440).Finish();
    const QImage image = Render(bytes);
    EXPECT_EQ(At(image, 75, 75), kRed);
    EXPECT_EQ(At(image, 25, 25), kWhite);
    EXPECT_EQ(TMetafilePicture(ParseMetafile(bytes, "p")).FrameSize(), QSizeF(96, 96));
}

TEST(MetafilePlay, EmfMappingModesAndWorldTransform) {
    // Metric: a tenth of a millimetre is 0.4 device pixels, and y runs upwards.
    const QImage metric =
        Render(EmfWithBrush(kRed).SetMapMode(MM_LOMETRIC).Rectangle(0, 0, 125, -125).Finish());
    EXPECT_EQ(At(metric, 25, 25), kRed);
    EXPECT_EQ(At(metric, 75, 75), kWhite);

    // Anisotropic: window 10 x 10 onto the 100 x 100 viewport.
    const QImage scaled = Render(EmfWithBrush(kBlue)
                                     .SetMapMode(MM_ANISOTROPIC)
                                     .SetWindowExt(10, 10)
                                     .SetViewportExt(100, 100)
                                     .Rectangle(5, 5, 10, 10)
                                     .Finish());
    EXPECT_EQ(At(scaled, 75, 75), kBlue);
    EXPECT_EQ(At(scaled, 25, 25), kWhite);

    // World transform: doubled and moved right.
    const QImage world = Render(
        EmfWithBrush(kGreen).SetWorldTransform(2, 0, 0, 2, 50, 0).Rectangle(0, 0, 25, 25).Finish());
    EXPECT_EQ(At(world, 75, 25), kGreen);
    EXPECT_EQ(At(world, 25, 25), kWhite);
}

TEST(MetafilePlay, EmfFrameCanStartAnywhere) {
    // Frame from (20, 10) to (120, 110) device pixels: (20, 10) lands at the target's corner.
    TEmfWriter w({500, 250, 3000, 2750});
    w.Select(STOCK_OBJECT_FLAG | 8).CreateBrush(1, BS_SOLID, kRed).Select(1);
    const QImage image = Render(w.Rectangle(20, 10, 70, 60).Finish());
    EXPECT_EQ(At(image, 25, 25), kRed);
    EXPECT_EQ(At(image, 75, 75), kWhite);
}

// ---- Pens, brushes and objects ----

TEST(MetafilePlay, PensDrawLinesOfTheirColourWidthAndStyle) {
    TWmfWriter w;
    w.SetWindowExt(100, 100);
    w.CreatePen(PS_SOLID, 6, kRed).Select(0).MoveTo(10, 20).LineTo(90, 20);
    w.CreatePen(PS_DASH, 0, kBlack).Select(1).MoveTo(0, 60).LineTo(100, 60);
    w.CreatePen(PS_NULL, 0, 0).Select(2).MoveTo(0, 80).LineTo(100, 80);
    const QImage image = Render(w.Finish());
    EXPECT_EQ(At(image, 50, 20), kRed);
    EXPECT_EQ(At(image, 50, 18), kRed); // six units wide
    EXPECT_EQ(At(image, 50, 26), kWhite);
    int dark = 0, light = 0;
    for (int x = 0; x < 100; ++x)
        (At(image, x, 60) == kWhite ? light : dark)++;
    EXPECT_GT(dark, 30);
    EXPECT_GT(light, 10);
    EXPECT_EQ(Ink(image, QRect(0, 75, 100, 10)), 0);
}

TEST(MetafilePlay, GapsOfStyledLinesShowTheBackgroundColourOnlyWhenOpaque) {
    // A new device context's background is opaque; its colour here is yellow.
    TWmfWriter w;
    w.SetWindowExt(100, 100).SetBkColor(kYellow);
    w.CreatePen(PS_DOT, 0, kBlack).Select(0).MoveTo(0, 30).LineTo(100, 30);
    w.SetBkMode(TRANSPARENT).MoveTo(0, 70).LineTo(100, 70);
    const QImage image = Render(w.Finish());
    auto count = [&](int y, std::uint32_t rgb) {
        int n = 0;
        for (int x = 0; x < 100; ++x)
            n += At(image, x, y) == rgb;
        return n;
    };
    EXPECT_GT(count(30, kBlack), 30);
    EXPECT_GT(count(30, kYellow), 30);
    EXPECT_EQ(count(30, kWhite), 0);
    EXPECT_GT(count(70, kBlack), 30);
    EXPECT_GT(count(70, kWhite), 30);
    EXPECT_EQ(count(70, kYellow), 0);
}

TEST(MetafilePlay, HatchedBrushesFillTheirBackgroundOnlyWhenOpaque) {
    TWmfWriter w;
    w.SetWindowExt(100, 100).CreatePen(PS_NULL, 0, 0).Select(0);
    w.CreateBrush(BS_SOLID, kGreen).Select(1).Rectangle(0, 0, 100, 100);
    w.CreateBrush(BS_HATCHED, kBlue, HS_CROSS).Select(2).SetBkColor(kYellow);
    w.SetBkMode(OPAQUE).Rectangle(0, 0, 50, 100);
    w.SetBkMode(TRANSPARENT).Rectangle(50, 0, 100, 100);
    const QImage image = Render(w.Finish());
    int blue = 0, yellow = 0, green = 0;
    for (int y = 10; y < 40; ++y)
        for (int x = 10; x < 40; ++x) {
            blue += At(image, x, y) == kBlue;
            yellow += At(image, x, y) == kYellow;
        }
    EXPECT_GT(blue, 50);
    EXPECT_GT(yellow, 400);
    blue = 0;
    for (int y = 10; y < 40; ++y)
        for (int x = 60; x < 90; ++x) {
            blue += At(image, x, y) == kBlue;
            green += At(image, x, y) == kGreen;
            yellow += At(image, x, y) == kYellow;
        }
    EXPECT_GT(blue, 50);
    EXPECT_GT(green, 400);
}

TEST(MetafilePlay, NullBrushLeavesTheInsideAndDeletedObjectsKeepTheSelection) {
    TWmfWriter w;
    w.SetWindowExt(100, 100).CreatePen(PS_SOLID, 0, kBlack).Select(0);
    w.CreateBrush(BS_NULL, 0).Select(1).Rectangle(10, 10, 90, 90);
    w.CreateBrush(BS_SOLID, kRed).Select(2);
    w.CreateBrush(BS_SOLID, kBlue).Delete(3).Select(3); // gone: red stays selected
    w.Rectangle(40, 40, 60, 60);
    const QImage image = Render(w.Finish());
    EXPECT_EQ(At(image, 25, 50), kWhite);
    EXPECT_EQ(At(image, 10, 50), kBlack); // a crisp one-pixel outline
    EXPECT_EQ(At(image, 50, 50), kRed);
}

TEST(MetafilePlay, EmfStockObjects) {
    TEmfWriter w;
    w.Select(STOCK_OBJECT_FLAG | 4).Select(STOCK_OBJECT_FLAG | 8).Rectangle(0, 0, 50, 50);
    w.Select(STOCK_OBJECT_FLAG | 2).Rectangle(50, 50, 100, 100);
    w.Select(STOCK_OBJECT_FLAG | 99).Rectangle(50, 0, 100, 50); // no such object: still gray
    const QImage image = Render(w.Finish());
    EXPECT_EQ(At(image, 25, 25), kBlack);
    EXPECT_EQ(At(image, 75, 75), 0x808080u);
    EXPECT_EQ(At(image, 75, 25), 0x808080u);
}

TEST(MetafilePlay, EmfNullObjectsPaintNothingAndADeletedSelectionStays) {
    // A null pen style, a geometric pen with a hollow brush, a hollow brush and the stock null
    // brush: neither outline nor inside.
    TEmfWriter w;
    w.ExtCreatePen(1, PS_GEOMETRIC | PS_NULL, 8, kBlack).Select(1);
    w.CreateBrush(2, BS_NULL, kBlack).Select(2).Rectangle(10, 10, 40, 40);
    w.Record(95, {3, 0, 0, 0, 0, PS_GEOMETRIC | PS_SOLID, 8, BS_NULL, 0, 0, 0}).Select(3);
    w.Select(STOCK_OBJECT_FLAG | 5).Rectangle(60, 10, 90, 40);
    // A brush deleted while selected still paints; a new one in its place waits to be selected.
    w.Select(STOCK_OBJECT_FLAG | 8);
    w.CreateBrush(4, BS_SOLID, kRed).Select(4).Delete(4).CreateBrush(4, BS_SOLID, kBlue);
    w.Rectangle(10, 60, 40, 90).Select(4).Rectangle(60, 60, 90, 90);
    const QImage image = Render(w.Finish());
    EXPECT_EQ(Ink(image, QRect(0, 0, 100, 50)), 0);
    EXPECT_EQ(At(image, 25, 75), kRed);
    EXPECT_EQ(At(image, 75, 75), kBlue);
}

TEST(MetafilePlay, PatternBrushRepeatsItsBitmap) {
    // 2 x 2 checks of red and blue, painted in output pixels.
    const TDib dib = MakeDib(2, 2, 24, {kRed, kBlue, kBlue, kRed});
    TWmfWriter w;
    w.SetWindowExt(100, 100).CreatePen(PS_NULL, 0, 0).Select(0);
    w.CreateDibPatternBrush(dib).Select(1).Rectangle(0, 0, 100, 100);
    const QImage image = Render(w.Finish());
    EXPECT_EQ(At(image, 20, 20), kRed);
    EXPECT_EQ(At(image, 21, 20), kBlue);
    EXPECT_EQ(At(image, 21, 21), kRed);
}

// ---- Lines and polygons ----

TEST(MetafilePlay, PolyPolygonFillFollowsTheFillMode) {
    const std::vector<std::vector<std::pair<int, int>>> squares = {
        {{0, 0}, {100, 0}, {100, 100}, {0, 100}}, {{30, 30}, {70, 30}, {70, 70}, {30, 70}}};
    TWmfWriter alternate = WmfWithBrush(kRed);
    alternate.SetWindowExt(100, 100).PolyPolygon(squares);
    const QImage holed = Render(alternate.Finish());
    EXPECT_EQ(At(holed, 10, 10), kRed);
    EXPECT_EQ(At(holed, 50, 50), kWhite);

    TWmfWriter winding = WmfWithBrush(kRed);
    winding.SetWindowExt(100, 100).SetPolyFillMode(WINDING).PolyPolygon(squares);
    EXPECT_EQ(At(Render(winding.Finish()), 50, 50), kRed);
}

TEST(MetafilePlay, SixteenAndThirtyTwoBitPolygonsDrawAlike) {
    const std::vector<std::pair<int, int>> star = {
        {50, 0}, {80, 100}, {0, 30}, {100, 30}, {20, 100}};
    const QImage wide = Render(EmfWithBrush(kBlue).Poly(3, star).Finish());
    const QImage small = Render(EmfWithBrush(kBlue).Poly(86, star).Finish());
    EXPECT_EQ(wide, small);
    EXPECT_EQ(At(wide, 50, 20), kBlue);
    EXPECT_EQ(At(wide, 50, 50), kWhite); // the middle of a star, alternate fill
    EXPECT_EQ(At(wide, 5, 90), kWhite);

    const auto pp = std::vector<std::vector<std::pair<int, int>>>{
        {{0, 0}, {40, 0}, {40, 40}}, {{60, 60}, {100, 60}, {100, 100}}};
    EXPECT_EQ(Render(EmfWithBrush(kBlue).PolyPoly(8, pp).Finish()),
              Render(EmfWithBrush(kBlue).PolyPoly(91, pp).Finish()));
}

TEST(MetafilePlay, PolylinesAndCurrentPosition) {
    TEmfWriter w;
    w.CreatePen(1, PS_SOLID, 3, kRed).Select(1);
    w.Poly(4, {{10, 10}, {90, 10}});                // polyline: does not move the position
    w.LineTo(10, 90);                               // from (0, 0)
    w.MoveTo(90, 50).Poly(6, {{90, 90}, {50, 90}}); // polyline-to from the position
    const QImage image = Render(w.Finish());
    EXPECT_EQ(At(image, 50, 10), kRed);
    EXPECT_EQ(At(image, 5, 45), kRed); // on the line from (0, 0) to (10, 90)
    EXPECT_EQ(At(image, 90, 70), kRed);
    EXPECT_EQ(At(image, 70, 90), kRed);
    EXPECT_EQ(At(image, 50, 50), kWhite);
}

// ---- Shapes ----

TEST(MetafilePlay, AngleArcsRunFromALineToTheirStartAndLeaveThePositionAtTheirEnd) {
    TEmfWriter w;
    w.CreatePen(1, PS_SOLID, 3, kBlack).Select(1);
    w.MoveTo(5, 50).AngleArc(50, 50, 30, 0, 180).LineTo(50, 95);
    const QImage upper = Render(w.Finish());
    EXPECT_EQ(At(upper, 50, 50), kBlack); // the line from the position to the arc's start
    EXPECT_EQ(At(upper, 50, 20), kBlack); // counter-clockwise: over the top
    EXPECT_EQ(At(upper, 50, 80), kWhite);
    EXPECT_EQ(At(upper, 35, 72), kBlack); // from the arc's end at (20, 50)

    TEmfWriter clockwise;
    clockwise.CreatePen(1, PS_SOLID, 3, kBlack).Select(1);
    clockwise.MoveTo(80, 50).AngleArc(50, 50, 30, 0, -180);
    const QImage lower = Render(clockwise.Finish());
    EXPECT_EQ(At(lower, 50, 80), kBlack);
    EXPECT_EQ(At(lower, 50, 20), kWhite);
}

TEST(MetafilePlay, PolyDrawMovesDrawsLinesAndCurvesAndClosesFiguresWithoutFilling) {
    TEmfWriter w = EmfWithBrush(kBlue);
    w.CreatePen(2, PS_SOLID, 3, kBlack).Select(2);
    w.PolyDraw({{10, 10, 6},
                {90, 10, 2},
                {90, 40, 3},
                {10, 60, 6},
                {30, 90, 4},
                {70, 90, 4},
                {90, 60, 4}});
    w.LineTo(90, 95);
    const QImage image = Render(w.Finish());
    EXPECT_EQ(At(image, 50, 10), kBlack);
    EXPECT_EQ(At(image, 50, 25), kBlack); // the closing line back to the move
    EXPECT_EQ(At(image, 75, 18), kWhite); // never filled
    EXPECT_EQ(At(image, 50, 82), kBlack); // the curve's lowest point
    EXPECT_EQ(Ink(image, QRect(40, 40, 20, 30)), 0) << "no line from the triangle to the curve";
    EXPECT_EQ(At(image, 90, 80), kBlack); // the position is left at the curve's end

    TEmfWriter inPath = EmfWithBrush(kBlue);
    inPath.PathOp(59).PolyDraw({{10, 10, 6}, {90, 10, 2}, {90, 40, 3}}, 92).PathOp(60);
    inPath.PathOp(62);
    EXPECT_EQ(At(Render(inPath.Finish()), 75, 18), kBlue);

    // A kind GDI does not know, or a curve cut short, and the record draws nothing.
    for (const int last : {8 /* no such kind */, 4 /* a curve of one point */}) {
        TEmfWriter bad;
        bad.CreatePen(1, PS_SOLID, 3, kBlack).Select(1);
        bad.PolyDraw({{10, 10, 6}, {90, 10, 2}, {90, 90, last}});
        EXPECT_EQ(Ink(Render(bad.Finish()), QRect(0, 0, 100, 100)), 0) << last;
    }
}

TEST(MetafilePlay, GradientFillShadesRectanglesAndTriangles) {
    auto near = [](std::uint32_t pixel, std::uint32_t rgb, int tolerance) {
        for (const int shift : {0, 8, 16}) {
            const int got = static_cast<int>((pixel >> shift) & 0xFF);
            if (std::abs(got - static_cast<int>((rgb >> shift) & 0xFF)) > tolerance)
                return false;
        }
        return true;
    };
    TEmfWriter rects;
    rects.GradientFill(0, {{0, 0, kRed}, {100, 50, kBlue}}, {{0, 1}});
    rects.GradientFill(1, {{0, 50, kGreen}, {100, 100, kYellow}}, {{0, 1}});
    const QImage shaded = Render(rects.Finish());
    EXPECT_TRUE(near(At(shaded, 1, 25), kRed, 8));
    EXPECT_TRUE(near(At(shaded, 50, 25), 0x800080, 8)); // halfway across
    EXPECT_TRUE(near(At(shaded, 98, 25), kBlue, 8));
    EXPECT_TRUE(near(At(shaded, 50, 51), kGreen, 8));
    EXPECT_TRUE(near(At(shaded, 50, 98), kYellow, 8));
    EXPECT_EQ(At(shaded, 1, 51), At(shaded, 98, 51)) << "the vertical one is even across";

    TEmfWriter triangle;
    triangle.GradientFill(2, {{0, 0, kRed}, {100, 0, kGreen}, {0, 100, kBlue}}, {{0, 1, 2}});
    const QImage corners = Render(triangle.Finish());
    EXPECT_TRUE(near(At(corners, 2, 2), kRed, 16));
    EXPECT_TRUE(near(At(corners, 94, 2), kGreen, 16));
    EXPECT_TRUE(near(At(corners, 2, 94), kBlue, 16));
    EXPECT_TRUE(near(At(corners, 25, 25), 0x804040, 12)); // half the first corner, a quarter each
    EXPECT_EQ(Ink(corners, QRect(55, 55, 45, 45)), 0);

    // On a screen of two device pixels a point the shading covers every device pixel.
    QImage sharp(200, 200, QImage::Format_RGB32);
    sharp.setDevicePixelRatio(2);
    sharp.fill(Qt::white);
    QPainter painter(&sharp);
    TMetafilePicture(ParseMetafile(triangle.Finish(), "test"))
        .Play(painter, QRectF(0, 0, 100, 100));
    painter.end();
    EXPECT_TRUE(near(At(sharp, 2, 2), kRed, 8));
    EXPECT_TRUE(near(At(sharp, 100, 50), At(corners, 50, 25), 8));
    EXPECT_EQ(At(sharp, 120, 120), kWhite);

    // An index past the vertices, and the record draws nothing.
    TEmfWriter bad;
    bad.GradientFill(0, {{0, 0, kRed}, {100, 100, kBlue}}, {{0, 2}});
    EXPECT_EQ(Ink(Render(bad.Finish()), QRect(0, 0, 100, 100)), 0);
}

TEST(MetafilePlay, RectanglesEllipsesAndRoundedCorners) {
    const QImage ellipse = Render(EmfWithBrush(kRed).Ellipse(0, 0, 100, 100).Finish());
    EXPECT_EQ(At(ellipse, 50, 50), kRed);
    EXPECT_EQ(At(ellipse, 50, 3), kRed);
    EXPECT_EQ(At(ellipse, 5, 5), kWhite);

    TWmfWriter w = WmfWithBrush(kBlue);
    w.SetWindowExt(100, 100).RoundRect(0, 0, 100, 100, 60, 60);
    const QImage round = Render(w.Finish());
    EXPECT_EQ(At(round, 50, 50), kBlue);
    EXPECT_EQ(At(round, 50, 2), kBlue);
    EXPECT_EQ(At(round, 4, 4), kWhite);
}

TEST(MetafilePlay, PiesChordsAndArcsFollowTheirRays) {
    // A flat ellipse 100 x 50: the pie runs counter-clockwise from the ray through the top-right
    // corner to the ray through the top-left corner.
    const QImage pie = Render(EmfWithBrush(kRed).ArcLike(47, 0, 0, 100, 50, 100, 0, 0, 0).Finish());
    EXPECT_EQ(At(pie, 50, 10), kRed);
    EXPECT_EQ(At(pie, 75, 10), kRed); // between the ray (26.6 degrees) and 45 degrees
    EXPECT_EQ(At(pie, 90, 20), kWhite);
    EXPECT_EQ(At(pie, 50, 40), kWhite);

    // Clockwise, the same pie is the rest of the ellipse.
    const QImage clockwise = Render(
        EmfWithBrush(kRed).Record(57, {2}).ArcLike(47, 0, 0, 100, 50, 100, 0, 0, 0).Finish());
    EXPECT_EQ(At(clockwise, 50, 10), kWhite);
    EXPECT_EQ(At(clockwise, 50, 40), kRed);

    // A chord cuts along the straight line between the ends.
    TWmfWriter chord = WmfWithBrush(kGreen);
    chord.SetWindowExt(100, 100).ArcLike(0x0830, 0, 0, 100, 100, 100, 50, 0, 50);
    const QImage c = Render(chord.Finish());
    EXPECT_EQ(At(c, 50, 20), kGreen);
    EXPECT_EQ(At(c, 50, 70), kWhite);

    // An arc is only a line.
    TWmfWriter arc;
    arc.SetWindowExt(100, 100).CreatePen(PS_SOLID, 4, kBlack).Select(0);
    arc.ArcLike(0x0817, 0, 0, 100, 100, 100, 50, 0, 50);
    const QImage a = Render(arc.Finish());
    EXPECT_EQ(At(a, 50, 1), kBlack);
    EXPECT_EQ(At(a, 50, 20), kWhite);
    EXPECT_EQ(At(a, 50, 98), kWhite);
}

TEST(MetafilePlay, SetPixelPaintsOneDevicePixel) {
    TEmfWriter w;
    w.Record(15, {30, 40, static_cast<std::int32_t>(ColorRef(kBlue))});
    const QImage image = Render(w.Finish());
    EXPECT_EQ(At(image, 30, 40), kBlue);
    EXPECT_EQ(Ink(image, image.rect()), 1);
}

// ---- Text ----

TEST(MetafilePlay, TextIsAlignedOnItsReferencePoint) {
    auto render = [](int align) {
        TWmfWriter w;
        w.SetWindowExt(200, 100).CreateFont(-30, 400, "DejaVu Sans").Select(0);
        w.SetBkMode(TRANSPARENT).SetTextColor(kBlack).SetTextAlign(align);
        return Render(w.TextOut(100, 50, "HHH").Finish(), {200, 100});
    };
    const QRect left = InkBounds(render(0)); // top left at the point
    EXPECT_GE(left.left(), 99);
    EXPECT_GE(left.top(), 50);
    EXPECT_LE(left.bottom(), 85);
    EXPECT_GT(left.width(), 40);
    const QRect right = InkBounds(render(TA_RIGHT | TA_BOTTOM));
    EXPECT_LE(right.right(), 101);
    EXPECT_LE(right.bottom(), 50);
    const QRect centre = InkBounds(render(TA_CENTER | TA_BASELINE));
    EXPECT_LT(centre.left(), 100);
    EXPECT_GT(centre.right(), 100);
    EXPECT_LE(centre.bottom(), 51); // H has no descender
    EXPECT_GT(centre.top(), 20);
}

TEST(MetafilePlay, OpaqueTextFillsItsBackground) {
    TWmfWriter w;
    w.SetWindowExt(200, 100).CreateFont(-30, 700, "DejaVu Sans").Select(0);
    w.SetTextColor(kBlue).SetBkColor(kYellow).SetBkMode(OPAQUE).TextOut(10, 10, "Mi");
    const QImage image = Render(w.Finish(), {200, 100});
    EXPECT_EQ(At(image, 11, 12), kYellow);
    EXPECT_GT(Ink(image, QRect(10, 10, 40, 30)), 300);
    int blue = 0;
    for (int y = 10; y < 45; ++y)
        for (int x = 10; x < 60; ++x)
            blue += At(image, x, y) == kBlue;
    EXPECT_GT(blue, 30);
    EXPECT_EQ(At(image, 150, 80), kWhite);
}

TEST(MetafilePlay, AnsiTextIsReadInWindows1251LikeTheWideText) {
    auto render = [](bool wide) {
        TEmfWriter w;
        w.CreateFont(1, -20, 400, u"DejaVu Sans").Select(1).SetBkMode(TRANSPARENT);
        if (wide)
            w.ExtTextOutW(5, 30, u"Привет");
        else
            w.ExtTextOutA(5, 30, "\xCF\xF0\xE8\xE2\xE5\xF2");
        return Render(w.Finish());
    };
    const QImage ansi = render(false);
    EXPECT_GT(Ink(ansi, ansi.rect()), 100);
    EXPECT_EQ(ansi, render(true));
}

TEST(MetafilePlay, EscapementTurnsTheBaseline) {
    TEmfWriter w;
    w.CreateFont(1, -20, 400, u"DejaVu Sans", 900).Select(1).SetBkMode(TRANSPARENT);
    w.SetTextAlign(TA_BASELINE).ExtTextOutW(50, 90, u"HHHHH");
    const QRect ink = InkBounds(Render(w.Finish()));
    EXPECT_GT(ink.height(), 2 * ink.width()); // runs upwards...
    EXPECT_LE(ink.bottom(), 91);              // ...from the reference point
    EXPECT_LE(ink.right(), 51);
}

TEST(MetafilePlay, ExplicitAdvancesPlaceEachCharacter) {
    TWmfWriter w;
    w.SetWindowExt(200, 100).CreateFont(-20, 400, "DejaVu Sans").Select(0);
    w.SetBkMode(TRANSPARENT).ExtTextOut(0, 10, 0, "II", {}, {150, 10});
    const QImage image = Render(w.Finish(), {200, 100});
    EXPECT_GT(Ink(image, QRect(0, 0, 20, 100)), 0);
    EXPECT_GT(Ink(image, QRect(148, 0, 20, 100)), 0);
    EXPECT_EQ(Ink(image, QRect(20, 0, 120, 100)), 0);
}

TEST(MetafilePens, LogPenMapsToQPen) {
    auto pen = [](std::uint32_t style, std::int32_t width, double pixelsPerUnit,
                  std::vector<std::uint32_t> dashes = {}) {
        return MakePen(TLogPen{style, width, TColor{1, 2, 3}, std::move(dashes)}, pixelsPerUnit, 4);
    };
    EXPECT_EQ(pen(PS_NULL, 5, 1).style(), Qt::NoPen);
    EXPECT_EQ(pen(PS_SOLID, 0, 5).widthF(), 0);   // one device pixel
    EXPECT_EQ(pen(PS_SOLID, 1, 0.5).widthF(), 0); // thinner than a pixel: one pixel
    const QPen wide = pen(PS_SOLID | PS_ENDCAP_FLAT | PS_JOIN_MITER, 4, 2);
    EXPECT_EQ(wide.widthF(), 4); // logical units; the painter scales them
    EXPECT_EQ(wide.color(), QColor(1, 2, 3));
    EXPECT_EQ(wide.capStyle(), Qt::FlatCap);
    EXPECT_EQ(wide.joinStyle(), Qt::SvgMiterJoin); // beveled past the limit, as GDI does
    EXPECT_EQ(wide.miterLimit(), 4);
    EXPECT_EQ(pen(PS_SOLID, 4, 2).capStyle(), Qt::RoundCap); // GDI's default ends
    EXPECT_EQ(pen(PS_DASH, 0, 1).dashPattern(), (QList<qreal>{18, 6}));
    EXPECT_EQ(pen(PS_USERSTYLE | PS_GEOMETRIC, 5, 1, {10, 5}).dashPattern(), (QList<qreal>{2, 1}));
    // Absurd widths stay within what Qt accepts and what a screen can show.
    const QPen huge = pen(PS_SOLID, INT32_MIN, 1e-6);
    EXPECT_EQ(huge.widthF(), 32767);
    EXPECT_LE(pen(PS_SOLID, 1000000, 1).widthF(), 10000);
}

TEST(MetafileFonts, LogFontMapsToQFont) {
    TLogFont logFont;
    logFont.faceName = u"DejaVu Serif";
    logFont.weight = 700;
    logFont.italic = logFont.underline = logFont.strikeOut = true;
    const QFont em = MakeFont(logFont, -40, 0);
    EXPECT_EQ(em.family(), "DejaVu Serif");
    EXPECT_EQ(em.pixelSize(), 40);
    EXPECT_EQ(em.weight(), QFont::Bold);
    EXPECT_TRUE(em.italic() && em.underline() && em.strikeOut());
    // A positive height is the cell: ascent and descent together, so the em is smaller.
    const QFont cell = MakeFont(logFont, 40, 0);
    EXPECT_LT(cell.pixelSize(), 40);
    EXPECT_NEAR(QFontMetricsF(cell).ascent() + QFontMetricsF(cell).descent(), 40, 2);
    // The average width stretches the font, within limits Qt's glyph cache survives.
    const double natural = QFontMetricsF(em).averageCharWidth();
    EXPECT_NEAR(MakeFont(logFont, -40, natural * 2).stretch(), 200, 1);
    EXPECT_EQ(MakeFont(logFont, -40, natural * 1000).stretch(), 400);
    EXPECT_EQ(MakeFont(logFont, -40, natural / 1000).stretch(), 25);
}

TEST(MetafilePlay, AbsurdlyWideFontDoesNotBringDownTheProgram) {
    // A 64-pixel font stretched forty times once crashed Qt's glyph cache for a CJK character.
    TEmfWriter w;
    w.CreateFont(1, -134, 400, u"Noto Sans Mono", 0, 524288)
        .Select(1)
        .ExtTextOutW(5, 5, u"\x4D45\xA800 x");
    QImage image(64, 48, QImage::Format_RGB32);
    QPainter painter(&image);
    TMetafilePicture(ParseMetafile(w.Finish(), "t")).Play(painter, QRectF(0, 0, 64, 48));
}

// ---- Bitmaps ----

TEST(MetafilePlay, StretchDibitsInEveryDepthAndRowOrder) {
    const std::vector<std::uint32_t> colours = {kRed, kGreen, kBlue, kYellow};
    const std::vector<std::uint32_t> palette = {kRed, kGreen, kBlue, kYellow};
    const std::vector<std::uint32_t> indexes = {0, 1, 2, 3};
    const std::vector<TDib> dibs = {
        MakeDib(2, 2, 24, colours),
        MakeDib(2, 2, 24, colours, {}, true),
        MakeDib(2, 2, 32, colours),
        MakeDib(2, 2, 8, indexes, palette),
        MakeDib(2, 2, 4, indexes, palette, true),
    };
    for (std::size_t i = 0; i < dibs.size(); ++i) {
        const QImage image =
            Render(TEmfWriter().StretchDiBits(0, 0, 100, 100, dibs[i], 0, 0, 2, 2).Finish());
        EXPECT_EQ(At(image, 25, 25), kRed) << i;
        EXPECT_EQ(At(image, 75, 25), kGreen) << i;
        EXPECT_EQ(At(image, 25, 75), kBlue) << i;
        EXPECT_EQ(At(image, 75, 75), kYellow) << i;
    }
    // One bit a pixel.
    const TDib mono = MakeDib(2, 1, 1, {1, 0}, {kBlack, kWhite});
    const QImage image =
        Render(TEmfWriter().StretchDiBits(0, 0, 100, 100, mono, 0, 0, 2, 1).Finish());
    EXPECT_EQ(At(image, 25, 50), kWhite);
    EXPECT_EQ(At(image, 75, 50), kBlack);
}

TEST(MetafilePlay, StretchDibitsSourceCountsFromTheBottomOfABottomUpBitmap) {
    const std::vector<std::uint32_t> colours = {kRed, kGreen, kBlue, kYellow};
    // The source pixel (0, 0) of a bottom-up bitmap is its bottom-left one: blue.
    for (const bool topDown : {false, true}) {
        const TDib dib = MakeDib(2, 2, 24, colours, {}, topDown);
        const QImage image =
            Render(TEmfWriter().StretchDiBits(0, 0, 100, 100, dib, 0, 0, 1, 1).Finish());
        EXPECT_EQ(At(image, 50, 50), topDown ? kRed : kBlue) << topDown;
    }
}

TEST(MetafilePlay, NegativeDestinationMirrors) {
    const TDib dib = MakeDib(2, 1, 24, {kRed, kBlue});
    const QImage image =
        Render(TEmfWriter().StretchDiBits(100, 0, -100, 100, dib, 0, 0, 2, 1).Finish());
    EXPECT_EQ(At(image, 25, 50), kBlue);
    EXPECT_EQ(At(image, 75, 50), kRed);
}

TEST(MetafilePlay, WmfBitBltAndStretchBlt) {
    const TDib dib = MakeDib(2, 1, 24, {kRed, kBlue});
    TWmfWriter w;
    w.SetWindowExt(100, 100);
    w.DibStretchBlt(0, 0, 100, 50, dib, 0, 0, 2, 1);
    w.DibBitBlt(10, 60, 2, 1, dib);
    const QImage image = Render(w.Finish());
    EXPECT_EQ(At(image, 25, 25), kRed);
    EXPECT_EQ(At(image, 75, 25), kBlue);
    EXPECT_EQ(At(image, 10, 60), kRed);
    EXPECT_EQ(At(image, 11, 60), kBlue);
    EXPECT_EQ(At(image, 13, 60), kWhite);
}

TEST(MetafilePlay, EmfBitBltStretchBltAndRasterOperations) {
    const TDib dib = MakeDib(2, 1, 24, {kRed, kBlue});
    const TDib mask = MakeDib(1, 1, 24, {kBlack});
    TEmfWriter w;
    w.Blt(77, 0, 0, 100, 50, SRCCOPY, &dib, 2, 1);
    w.Blt(76, 0, 60, 1, 1, SRCCOPY, &mask);
    w.Blt(77, 50, 70, 50, 30, SRCAND, &mask, 1, 1);  // white AND black: black
    w.Blt(77, 0, 70, 50, 30, SRCPAINT, &mask, 1, 1); // white OR black: white
    const QImage image = Render(w.Finish());
    EXPECT_EQ(At(image, 25, 25), kRed);
    EXPECT_EQ(At(image, 75, 25), kBlue);
    EXPECT_EQ(At(image, 0, 60), kBlack);
    EXPECT_EQ(At(image, 75, 85), kBlack);
    EXPECT_EQ(At(image, 25, 85), kWhite);
}

TEST(MetafilePlay, AlphaBlendAndTransparentBlt) {
    const TDib red = MakeDib(1, 1, 24, {kRed});
    const TDib halfRed = MakeDib(1, 1, 32, {0x80800000}); // premultiplied: alpha 128
    const TDib redBlue = MakeDib(2, 1, 24, {kRed, kBlue});
    TEmfWriter w;
    w.Blt(114, 0, 0, 50, 50, 128u << 16, &red, 1, 1);                     // half of the whole
    w.Blt(114, 50, 0, 50, 50, (1u << 24) | (255u << 16), &halfRed, 1, 1); // per-pixel alpha
    w.Blt(116, 0, 50, 100, 50, ColorRef(kBlue), &redBlue, 2, 1);          // blue is see-through
    const QImage image = Render(w.Finish());
    for (const QPoint p : {QPoint(25, 25), QPoint(75, 25)}) {
        const QColor c = QColor::fromRgb(image.pixel(p));
        EXPECT_EQ(c.red(), 255) << p.x();
        EXPECT_NEAR(c.green(), 127, 2) << p.x();
        EXPECT_NEAR(c.blue(), 127, 2) << p.x();
    }
    EXPECT_EQ(At(image, 25, 75), kRed);
    EXPECT_EQ(At(image, 75, 75), kWhite);
}

TEST(MetafilePlay, HalftoneStretchingSmoothsWhereGdiWouldRepeatPixels) {
    const TDib dib = MakeDib(2, 1, 24, {kRed, kBlue});
    const QImage plain =
        Render(TEmfWriter().StretchDiBits(0, 0, 100, 100, dib, 0, 0, 2, 1).Finish());
    EXPECT_EQ(At(plain, 49, 50), kRed);
    EXPECT_EQ(At(plain, 50, 50), kBlue);
    const QImage smooth = Render(TEmfWriter()
                                     .Record(21, {HALFTONE})
                                     .StretchDiBits(0, 0, 100, 100, dib, 0, 0, 2, 1)
                                     .Finish());
    EXPECT_NE(At(smooth, 49, 50), kRed);
    EXPECT_NE(At(smooth, 50, 50), kBlue);
}

TEST(MetafilePlay, PatBltPaintsWithTheBrushOrAFixedColour) {
    TEmfWriter w = EmfWithBrush(kGreen);
    w.Blt(76, 0, 0, 50, 50, PATCOPY);
    w.Blt(76, 50, 0, 50, 50, BLACKNESS);
    w.Blt(76, 0, 50, 100, 50, PATCOPY).Blt(76, 50, 50, 50, 50, WHITENESS);
    const QImage image = Render(w.Finish());
    EXPECT_EQ(At(image, 25, 25), kGreen);
    EXPECT_EQ(At(image, 75, 25), kBlack);
    EXPECT_EQ(At(image, 25, 75), kGreen);
    EXPECT_EQ(At(image, 75, 75), kWhite);

    TWmfWriter wmf = WmfWithBrush(kBlue);
    wmf.PatBlt(0, 0, 500, 1000, PATCOPY);
    const QImage patterned = Render(wmf.Finish());
    EXPECT_EQ(At(patterned, 25, 50), kBlue);
    EXPECT_EQ(At(patterned, 75, 50), kWhite);
}

// ---- Device context state ----

TEST(MetafilePlay, RestoreDcBringsBackObjectsMappingAndClip) {
    TWmfWriter w = WmfWithBrush(kRed);
    w.SaveDc();
    w.CreateBrush(BS_SOLID, kBlue).Select(2);
    w.IntersectClipRect(0, 0, 100, 100);
    w.SetWindowExt(100, 100);
    w.RestoreDc(-1);
    w.Rectangle(0, 0, 1000, 1000);
    const QImage image = Render(w.Finish());
    EXPECT_EQ(At(image, 5, 5), kRed);
    EXPECT_EQ(At(image, 95, 95), kRed); // neither clipped nor mapped to 100 units

    // A restore further back than anything saved is ignored.
    TWmfWriter nothing = WmfWithBrush(kRed);
    nothing.RestoreDc(-3).RestoreDc(5).Rectangle(0, 0, 500, 500);
    EXPECT_EQ(At(Render(nothing.Finish()), 25, 25), kRed);

    // Positive: back to that save, dropping the later ones.
    TWmfWriter numbered = WmfWithBrush(kRed);
    numbered.SaveDc().CreateBrush(BS_SOLID, kBlue).Select(2).SaveDc();
    numbered.CreateBrush(BS_SOLID, kGreen).Select(3).RestoreDc(1).Rectangle(0, 0, 500, 500);
    numbered.RestoreDc(-1).Rectangle(500, 500, 1000, 1000); // nothing left to restore
    const QImage n = Render(numbered.Finish());
    EXPECT_EQ(At(n, 25, 25), kRed);
    EXPECT_EQ(At(n, 75, 75), kRed);
}

TEST(MetafilePlay, ClipRectanglesIntersectAndExclude) {
    TWmfWriter w = WmfWithBrush(kBlue);
    w.IntersectClipRect(0, 0, 500, 1000).ExcludeClipRect(100, 100, 300, 300);
    w.Rectangle(0, 0, 1000, 1000);
    const QImage image = Render(w.Finish());
    EXPECT_EQ(At(image, 25, 50), kBlue);
    EXPECT_EQ(At(image, 75, 50), kWhite);
    EXPECT_EQ(At(image, 20, 20), kWhite);
    EXPECT_EQ(At(image, 35, 35), kBlue);
}

TEST(MetafilePlay, EmfClipRegionsAndPaths) {
    // A region of two device rectangles, then removed again.
    TEmfWriter region = EmfWithBrush(kRed);
    TByteWriter data;
    data.U32(32).U32(1).U32(2).U32(32).I32(0).I32(0).I32(100).I32(100);
    data.I32(0).I32(0).I32(50).I32(50).I32(50).I32(50).I32(100).I32(100);
    region.Record(75, {static_cast<std::int32_t>(data.Get().size()), RGN_COPY}, data.Get());
    region.Rectangle(0, 0, 100, 100);
    const QImage clipped = Render(region.Finish());
    EXPECT_EQ(At(clipped, 25, 25), kRed);
    EXPECT_EQ(At(clipped, 75, 75), kRed);
    EXPECT_EQ(At(clipped, 75, 25), kWhite);
    region.Record(75, {0, RGN_COPY}).Rectangle(0, 0, 100, 100);
    EXPECT_EQ(At(Render(region.Finish()), 75, 25), kRed);

    // A path filled, and a path used as the clip.
    TEmfWriter path = EmfWithBrush(kGreen);
    path.PathOp(59).Rectangle(0, 0, 50, 50).PathOp(60).PathOp(62);
    path.PathOp(59).Ellipse(50, 50, 100, 100).PathOp(60).Record(67, {RGN_COPY});
    path.Rectangle(0, 50, 100, 100);
    const QImage p = Render(path.Finish());
    EXPECT_EQ(At(p, 25, 25), kGreen);
    EXPECT_EQ(At(p, 75, 75), kGreen);
    EXPECT_EQ(At(p, 52, 52), kWhite); // outside the ellipse's clip
    EXPECT_EQ(At(p, 25, 75), kWhite);
}

TEST(MetafilePlay, PathsJoinLinesIntoOneFigure) {
    TEmfWriter w = EmfWithBrush(kBlue);
    w.PathOp(59).MoveTo(0, 0).LineTo(100, 0).LineTo(100, 100).PathOp(61).PathOp(60);
    w.PathOp(62);
    const QImage image = Render(w.Finish());
    EXPECT_EQ(At(image, 80, 20), kBlue); // inside the triangle
    EXPECT_EQ(At(image, 20, 80), kWhite);
}

TEST(MetafilePlay, PathFiguresBegunByAMoveStaySeparate) {
    // Two stroked figures; a line joining the first's end to the second's start would cross
    // the middle.
    TEmfWriter w;
    w.CreatePen(1, PS_SOLID, 4, kBlack).Select(1).PathOp(59);
    w.MoveTo(10, 10).Poly(5, {{30, 10}, {60, 10}, {90, 10}});
    w.MoveTo(10, 90).Poly(6, {{50, 90}, {90, 90}}).MoveTo(10, 50).LineTo(30, 50);
    w.PathOp(60).PathOp(64);
    const QImage image = Render(w.Finish());
    EXPECT_EQ(At(image, 50, 10), kBlack);
    EXPECT_EQ(At(image, 50, 90), kBlack);
    EXPECT_EQ(At(image, 20, 50), kBlack);
    EXPECT_EQ(Ink(image, QRect(5, 20, 90, 25)), 0);
    EXPECT_EQ(Ink(image, QRect(35, 45, 60, 35)), 0);
}

TEST(MetafilePlay, CloseFigureLeavesThePositionAtTheFigureStart) {
    // The second triangle has no move of its own: it starts where the first one began.
    TEmfWriter w = EmfWithBrush(kBlue);
    w.PathOp(59).MoveTo(0, 0).LineTo(100, 0).LineTo(100, 40).PathOp(61);
    w.LineTo(0, 100).LineTo(40, 100).PathOp(61).PathOp(60).PathOp(62);
    const QImage image = Render(w.Finish());
    EXPECT_EQ(At(image, 80, 10), kBlue);
    EXPECT_EQ(At(image, 8, 70), kBlue);
    EXPECT_EQ(At(image, 60, 60), kWhite);
}

TEST(MetafilePlay, AHoleClosesBackToItsOwnFirstPoint) {
    // A square with a square hole whose last side is drawn by the closing line alone.
    TEmfWriter w = EmfWithBrush(kBlack);
    w.SetPolyFillMode(ALTERNATE).PathOp(59);
    w.MoveTo(0, 0).LineTo(100, 0).LineTo(100, 100).LineTo(0, 100).PathOp(61);
    w.MoveTo(40, 40).Poly(6, {{60, 40}, {60, 60}, {40, 60}}).PathOp(61);
    w.PathOp(60).PathOp(62);
    const QImage image = Render(w.Finish());
    EXPECT_EQ(At(image, 50, 50), kWhite);
    EXPECT_EQ(At(image, 30, 38), kBlack); // where a close to the outer figure's start would cut
    EXPECT_EQ(At(image, 10, 90), kBlack);
}

TEST(MetafilePlay, APathIsFilledWhereItWasRecorded) {
    // The transform in force while the path is recorded places it; one set before the fill,
    // even one that collapses the plane, does not move it.
    for (const float scale : {2.0f, 0.0f}) {
        TEmfWriter w = EmfWithBrush(kGreen);
        w.PathOp(59).Rectangle(0, 0, 50, 50).PathOp(60);
        w.SetWorldTransform(scale, 0, 0, scale, 50, 50).PathOp(62);
        const QImage image = Render(w.Finish());
        EXPECT_EQ(At(image, 25, 25), kGreen) << scale;
        EXPECT_EQ(At(image, 75, 75), kWhite) << scale;
    }
}

TEST(MetafilePlay, PathsArePaintedOnlyOnceTheirRecordingHasEnded) {
    // A fill before the end is refused and the recording goes on: the second rectangle still
    // joins the path, and nothing shows until the path is ended and filled.
    TEmfWriter w = EmfWithBrush(kBlue);
    w.PathOp(59).Rectangle(0, 0, 50, 50).PathOp(62).Rectangle(50, 50, 100, 100);
    EXPECT_EQ(Ink(Render(TEmfWriter(w).Finish()), QRect(0, 0, 100, 100)), 0);
    w.PathOp(60).PathOp(62);
    const QImage ended = Render(w.Finish());
    EXPECT_EQ(At(ended, 25, 25), kBlue);
    EXPECT_EQ(At(ended, 75, 75), kBlue);
    EXPECT_EQ(At(ended, 75, 25), kWhite);

    // Clipping to a path that was never recorded, or was used up, leaves the clip alone.
    TEmfWriter clip = EmfWithBrush(kRed);
    clip.PathOp(59).Rectangle(0, 0, 50, 50).PathOp(60).PathOp(62);
    clip.Record(67, {RGN_COPY}).Rectangle(0, 0, 100, 100);
    EXPECT_EQ(At(Render(clip.Finish()), 75, 75), kRed);
}

TEST(MetafilePlay, StrokingAndFillingAPathClosesItsOpenFigures) {
    // An open corner: stroked alone it stays open; stroked and filled, the line closing it back
    // to its start crosses the middle.
    auto render = [](std::uint32_t pathOp) {
        TEmfWriter w;
        w.CreatePen(1, PS_SOLID, 4, kBlack).Select(1).Select(STOCK_OBJECT_FLAG | 5);
        w.PathOp(59).MoveTo(10, 10).LineTo(90, 10).LineTo(90, 90).PathOp(60).PathOp(pathOp);
        return Render(w.Finish());
    };
    const QImage stroked = render(64);
    EXPECT_EQ(At(stroked, 90, 50), kBlack);
    EXPECT_EQ(At(stroked, 50, 50), kWhite);
    EXPECT_EQ(At(render(63), 50, 50), kBlack);
}

TEST(MetafilePlay, AWidenedPathFillsOnlyWhereThePenWouldPaint) {
    auto render = [](bool widen, bool geometric) {
        TEmfWriter w = EmfWithBrush(kGreen);
        if (geometric)
            w.ExtCreatePen(2, PS_GEOMETRIC | PS_SOLID, 10, kBlack).Select(2);
        w.PathOp(59).Rectangle(20, 20, 80, 80).PathOp(60);
        if (widen)
            w.PathOp(66);
        return Render(w.PathOp(62).Finish());
    };
    const QImage widened = render(true, true);
    EXPECT_EQ(At(widened, 20, 50), kGreen); // on the outline, where the pen would paint
    EXPECT_EQ(At(widened, 16, 50), kGreen);
    EXPECT_EQ(At(widened, 50, 50), kWhite);
    EXPECT_EQ(At(render(false, true), 50, 50), kGreen);
    // GDI widens nothing with a pen one pixel wide: the null pen selected here.
    EXPECT_EQ(At(render(true, false), 50, 50), kGreen);
}

TEST(MetafilePlay, MiterJoinsAreBeveledPastTheMiterLimit) {
    // A V whose joint, drawn mitered by a pen 6 wide, reaches 3 * 6.08 = 18 units below the
    // corner at (50, 70): within GDI's default limit of 10, beyond a limit of 4.
    auto tipAt80 = [](std::optional<std::int32_t> limitField) {
        TEmfWriter w;
        w.ExtCreatePen(1, PS_GEOMETRIC | PS_JOIN_MITER | PS_ENDCAP_FLAT, 6, kBlack).Select(1);
        if (limitField)
            w.Record(58, {*limitField});
        w.Poly(4, {{40, 10}, {50, 70}, {60, 10}});
        return At(Render(w.Finish()), 50, 80) == kBlack;
    };
    EXPECT_TRUE(tipAt80(std::nullopt));
    EXPECT_FALSE(tipAt80(4));                                 // the integer the format names
    EXPECT_FALSE(tipAt80(std::bit_cast<std::int32_t>(4.0f))); // the float GDI writes
    EXPECT_TRUE(tipAt80(7));
    EXPECT_TRUE(tipAt80(0)); // below 1: refused, the default stays
}

TEST(MetafilePlay, HatchStylesNamingAColourFillSolid) {
    TEmfWriter w;
    w.Select(STOCK_OBJECT_FLAG | 8).SetTextColor(kBlue).SetBkColor(kYellow);
    w.CreateBrush(1, BS_HATCHED, kRed, HS_SOLIDCLR).Select(1).Rectangle(0, 0, 100, 30);
    w.CreateBrush(2, BS_HATCHED, kRed, HS_SOLIDTEXTCLR).Select(2).Rectangle(0, 30, 100, 60);
    w.CreateBrush(3, BS_HATCHED, kRed, HS_DITHEREDBKCLR).Select(3).Rectangle(0, 60, 100, 100);
    const QImage image = Render(w.Finish());
    for (int x = 10; x < 20; ++x)
        for (int dy = 0; dy < 8; ++dy) {
            EXPECT_EQ(At(image, x, 10 + dy), kRed) << x << "," << dy;
            EXPECT_EQ(At(image, x, 40 + dy), kBlue) << x << "," << dy;
            EXPECT_EQ(At(image, x, 70 + dy), kYellow) << x << "," << dy;
        }
}

TEST(MetafilePlay, SelectingTheDefaultPaletteKeepsTheFont) {
    TEmfWriter w;
    w.CreateFont(1, -60, 400, u"DejaVu Sans").Select(1).Select(STOCK_OBJECT_FLAG | 15);
    w.SetBkMode(TRANSPARENT).ExtTextOutW(5, 5, u"H");
    EXPECT_GT(InkBounds(Render(w.Finish())).height(), 30);
}

// ---- The picture ----

TEST(MetafilePicture, PlayLeavesThePainterAsItWasFound) {
    QImage image(50, 50, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(QPen(Qt::green, 3));
    painter.setBrush(Qt::yellow);
    painter.translate(5, 5);
    TWmfWriter w = WmfWithBrush(kRed);
    w.IntersectClipRect(0, 0, 500, 500).Rectangle(0, 0, 1000, 1000);
    TMetafilePicture(ParseMetafile(w.Finish(), "t")).Play(painter, QRectF(0, 0, 20, 20));
    EXPECT_EQ(painter.pen().color(), QColor(Qt::green));
    EXPECT_EQ(painter.brush().color(), QColor(Qt::yellow));
    EXPECT_EQ(painter.worldTransform(), QTransform::fromTranslate(5, 5));
    EXPECT_FALSE(painter.hasClipping());
    painter.end();
    EXPECT_EQ(At(image, 12, 12), kRed); // the picture started at the translated corner
    EXPECT_EQ(At(image, 3, 3), kWhite);
    EXPECT_EQ(At(image, 20, 20), kWhite);
}

TEST(MetafilePicture, LoadsFilesAndReportsTheOnesItCannot) {
    TTempDir dir;
    const TBytes bytes = TWmfWriter::Placeable(0, 0, 2880, 1440, 1440).Finish();
    std::ofstream(dir.File("logo.wmf"), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    const auto picture = LoadMetafile(dir.File("logo.wmf"));
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->FrameSize(), QSizeF(192, 96));

    std::ofstream(dir.File("notes.emf")) << "not a picture at all\n";
    EXPECT_THROW(LoadMetafile(dir.File("notes.emf")), EMetafileError);
    try {
        LoadMetafile(dir.File("gone.wmf"));
        FAIL() << "no error";
    } catch (const EMetafileError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot open file \"" + dir.File("gone.wmf") + "\". No such file or directory");
    }
}
