#include "startup/ui/LSVGauge.h"

#include "startup/ui/SplashPictures.h"

#include <QApplication>
#include <climits>
#include <gtest/gtest.h>

namespace {

const QRgb Orange = qRgb(255, 160, 0);
const QRgb Green = qRgb(0, 255, 0);
const QRgb Grey = qRgb(128, 128, 128);
const QRgb Olive = qRgb(100, 90, 40);
const QRgb White = qRgb(255, 255, 255);
const QRgb Navy = qRgb(0, 0, 128);

// A 6 x 15 texture: columns 0 to 4 in one colour, column 5 and the bottom row in the other.
TDrawnPicture SegmentTexture(QRgb segment, QRgb field, QImage::Format format) {
    QImage image(6, 15, format);
    for (int y = 0; y < 15; ++y) {
        for (int x = 0; x < 6; ++x)
            image.setPixel(x, y, (x == 5 || y == 14) ? field : segment);
    }
    return TDrawnPicture::FromImage(image);
}

// The gauge as the splash uses it.
void MakeSplashBar(TLSVGauge& gauge) {
    gauge.resize(140, 15);
    gauge.SetBorderStyle(TLSVBorderStyle::None);
    gauge.SetFrame3D(false);
    gauge.SetShowText(false);
    gauge.SetTextureOnBack(SegmentTexture(Olive, Grey, QImage::Format_RGB32));
    gauge.SetTextureOnFore(SegmentTexture(Orange, Green, QImage::Format_RGB888));
    gauge.SetTransparentFore(true);
}

void MakePlain(TLSVGauge& gauge, int width, int height) {
    gauge.resize(width, height);
    gauge.SetBorderStyle(TLSVBorderStyle::None);
    gauge.SetFrame3D(false);
    gauge.SetShowText(false);
}

std::string MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const ELSVGaugeError& e) {
        return e.what();
    }
    return "<no error>";
}

int CountColour(const QImage& image, QRgb colour, const QRect& where) {
    int count = 0;
    for (int y = where.top(); y <= where.bottom(); ++y) {
        for (int x = where.left(); x <= where.right(); ++x)
            count += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF) ? 1 : 0;
    }
    return count;
}

TEST(LSVGaugeTest, Defaults) {
    TLSVGauge g;
    EXPECT_EQ(g.size(), QSize(150, 20));
    EXPECT_EQ(g.Kind(), lgkHorizontalBar);
    EXPECT_EQ(g.MinValue(), 0);
    EXPECT_EQ(g.MaxValue(), 100);
    EXPECT_EQ(g.Progress(), 0);
    EXPECT_EQ(g.ForeColor(), QColor(0, 0, 128));
    EXPECT_EQ(g.BackColor(), QColor(Qt::white));
    EXPECT_EQ(g.BorderStyle(), TLSVBorderStyle::Single);
    EXPECT_EQ(g.BorderColor(), QColor(Qt::black));
    EXPECT_TRUE(g.Frame3D());
    EXPECT_TRUE(g.ShowText());
    EXPECT_EQ(g.Text(), "%d%%");
    EXPECT_EQ(g.Font().Color, QColor(Qt::black));
    EXPECT_EQ(g.Font().ColorOnFilled, QColor(Qt::white));
    EXPECT_EQ(g.Font().ColorOnBackground, QColor(Qt::black));
    EXPECT_FALSE(g.Font().FixTextColor);
    EXPECT_EQ(g.HorTextAlignment(), TLSVHorAlignment::Center);
    EXPECT_EQ(g.VerTextAlignment(), taCentered);
    EXPECT_FALSE(g.TextInCenterFore());
    EXPECT_TRUE(g.TextureOnBack().IsNull());
    EXPECT_TRUE(g.TextureOnFore().IsNull());
    EXPECT_FALSE(g.TransparentBack());
    EXPECT_FALSE(g.TransparentFore());
    EXPECT_FALSE(g.ForeAsBlocks());
    EXPECT_EQ(g.ForeBlockSize(), 0);
    EXPECT_EQ(g.Edge(), 0);
    EXPECT_EQ(g.Pie3DHeight(), 20);
    EXPECT_EQ(g.Pie3DColor(), QColor(Qt::black));
    EXPECT_FALSE(g.RunningStrip());
    EXPECT_EQ(g.RuningStep(), 1);
    EXPECT_TRUE(g.testAttribute(Qt::WA_OpaquePaintEvent));
}

TEST(LSVGaugeTest, ProgressStaysInTheRange) {
    TLSVGauge g;
    g.SetProgress(150);
    EXPECT_EQ(g.Progress(), 100);
    g.SetProgress(-5);
    EXPECT_EQ(g.Progress(), 0);
    g.StepBy(INT_MAX);
    EXPECT_EQ(g.Progress(), 100);
    g.SetMinValue(INT_MIN);
    g.SetProgress(INT_MIN);
    g.StepBy(INT_MIN);
    EXPECT_EQ(g.Progress(), INT_MIN);
}

TEST(LSVGaugeTest, RangeThatWouldTurnInsideOutIsRefused) {
    TLSVGauge g;
    EXPECT_EQ(MessageOf([&] { g.SetMinValue(101); }), "Value must be between -2147483647 and 99");
    EXPECT_EQ(MessageOf([&] { g.SetMaxValue(-1); }), "Value must be between 1 and 2147483647");
    EXPECT_EQ(g.MinValue(), 0);
    EXPECT_EQ(g.MaxValue(), 100);
    g.SetProgress(50);
    g.SetMinValue(60);
    EXPECT_EQ(g.Progress(), 60);
    g.SetMaxValue(60);
    EXPECT_EQ(g.MaxValue(), 60) << "equal bounds are accepted";
    EXPECT_EQ(g.PercentDone(), 0);
    g.SetMaxValue(100);
    g.SetProgress(90);
    g.SetMaxValue(70);
    EXPECT_EQ(g.Progress(), 70);
    // The bounds of the message are computed without overflowing.
    g.SetMinValue(INT_MIN);
    g.SetMaxValue(INT_MIN);
    EXPECT_EQ(MessageOf([&] { g.SetMinValue(0); }),
              "Value must be between -2147483647 and -2147483649");
}

// Counts the paints the gauge really gets once it is on screen.
class CountingGauge : public TLSVGauge {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override {
        ++paints;
        TLSVGauge::paintEvent(event);
    }
};

int PaintsAfter(CountingGauge& g, const std::function<void()>& change) {
    QApplication::processEvents();
    g.paints = 0;
    change();
    QApplication::processEvents();
    return g.paints;
}

TEST(LSVGaugeTest, RepaintsOnlyWhenThePercentageChanges) {
    CountingGauge g;
    g.show();
    g.SetMaxValue(1000);
    EXPECT_EQ(PaintsAfter(g, [&] { g.StepBy(1); }), 0);
    EXPECT_EQ(g.Progress(), 1) << "the value is stored all the same";
    EXPECT_EQ(PaintsAfter(g, [&] { g.StepBy(4); }), 1);
    EXPECT_EQ(PaintsAfter(g, [&] { g.SetForeColor(g.ForeColor()); }), 0);
    EXPECT_EQ(PaintsAfter(g, [&] { g.SetForeColor(Qt::red); }), 1);
    EXPECT_EQ(PaintsAfter(g, [&] { g.SetMinValue(1); }), 1);
}

TEST(LSVGaugeTest, SplashBarAt99FillsAll140Columns) {
    TLSVGauge g;
    MakeSplashBar(g);
    g.SetProgress(99);
    const QImage picture = g.Picture();
    ASSERT_EQ(picture.size(), QSize(140, 15));
    for (int x = 0; x < 140; ++x) {
        // The green field of the foreground is see-through: the grey edge of the background
        // shows there.
        const QRgb expected = x % 6 == 5 ? Grey : Orange;
        EXPECT_EQ(picture.pixel(x, 7) & 0xFFFFFF, expected & 0xFFFFFF) << x;
        EXPECT_EQ(picture.pixel(x, 14) & 0xFFFFFF, Grey & 0xFFFFFF) << x;
    }
    g.SetProgress(98); // 138 columns
    const QImage less = g.Picture();
    EXPECT_EQ(less.pixel(136, 7) & 0xFFFFFF, Orange & 0xFFFFFF);
    EXPECT_EQ(less.pixel(138, 7) & 0xFFFFFF, Olive & 0xFFFFFF);
    g.SetProgress(0);
    EXPECT_EQ(CountColour(g.Picture(), Orange, QRect(0, 0, 140, 15)), 0);
}

TEST(LSVGaugeTest, OpaqueForegroundTextureShowsItsFieldColour) {
    TLSVGauge g;
    MakeSplashBar(g);
    g.SetTransparentFore(false);
    g.SetProgress(100);
    EXPECT_EQ(g.Picture().pixel(5, 7) & 0xFFFFFF, Green & 0xFFFFFF);
}

TEST(LSVGaugeTest, TransparentBackgroundShowsTheBackColour) {
    TLSVGauge g;
    MakeSplashBar(g);
    g.SetBackColor(Qt::white);
    g.SetTransparentBack(true); // the grey of the background texture is its transparent colour
    const QImage picture = g.Picture();
    EXPECT_EQ(picture.pixel(5, 7) & 0xFFFFFF, White & 0xFFFFFF);
    EXPECT_EQ(picture.pixel(4, 7) & 0xFFFFFF, Olive & 0xFFFFFF);
}

TEST(LSVGaugeTest, VerticalBarFillsUpwardFromTheBottom) {
    TLSVGauge g;
    MakePlain(g, 20, 100);
    g.SetKind(lgkVerticalBar);
    g.SetProgress(50); // 101 x 0.5 = 50.5: 51 rows
    const QImage picture = g.Picture();
    EXPECT_EQ(picture.pixel(10, 99) & 0xFFFFFF, Navy & 0xFFFFFF);
    EXPECT_EQ(picture.pixel(10, 49) & 0xFFFFFF, Navy & 0xFFFFFF);
    EXPECT_EQ(picture.pixel(10, 48) & 0xFFFFFF, White & 0xFFFFFF);
}

TEST(LSVGaugeTest, BlocksDrawWholeTextureWidthsExceptWhenFull) {
    TLSVGauge g;
    MakePlain(g, 99, 10); // a fill of 40 pixels at 40 %
    g.SetTextureOnFore(SegmentTexture(Orange, Orange, QImage::Format_RGB888));
    g.SetForeAsBlocks(true);
    g.SetProgress(40);
    QImage picture = g.Picture();
    EXPECT_EQ(CountColour(picture, Orange, QRect(0, 5, 99, 1)), 36);
    g.SetProgress(100);
    picture = g.Picture();
    EXPECT_EQ(CountColour(picture, Orange, QRect(0, 5, 99, 1)), 99);
}

TEST(LSVGaugeTest, BorderAndSunkenFrameSurroundTheBar) {
    TLSVGauge g; // default: 3D frame and a single border
    g.SetBorderColor(Qt::red);
    g.SetProgress(100);
    const QImage picture = g.Picture();
    EXPECT_EQ(picture.pixel(0, 0), g.palette().color(QPalette::Mid).rgb());
    EXPECT_EQ(picture.pixel(1, 1), g.palette().color(QPalette::Dark).rgb());
    EXPECT_EQ(picture.pixel(149, 19), g.palette().color(QPalette::Light).rgb());
    EXPECT_EQ(picture.pixel(2, 2), qRgb(255, 0, 0));
    EXPECT_EQ(picture.pixel(147, 17), qRgb(255, 0, 0));
    EXPECT_EQ(picture.pixel(3, 3) & 0xFFFFFF, Navy & 0xFFFFFF);
    EXPECT_EQ(picture.pixel(146, 16) & 0xFFFFFF, Navy & 0xFFFFFF);
}

TEST(LSVGaugeTest, EdgeCapsComeFromTheEndsOfTheTexture) {
    TLSVGauge g;
    MakePlain(g, 100, 10);
    QImage texture(6, 1, QImage::Format_RGB32);
    const QRgb colours[6] = {qRgb(255, 0, 0), qRgb(1, 1, 1), qRgb(2, 2, 2),
                             qRgb(3, 3, 3),   qRgb(4, 4, 4), qRgb(0, 0, 255)};
    for (int x = 0; x < 6; ++x)
        texture.setPixel(x, 0, colours[x]);
    g.SetTextureOnFore(TDrawnPicture::FromImage(texture));
    g.SetEdge(1);
    g.SetProgress(50); // 101 x 0.5 = 50.5: 51 columns
    const QImage picture = g.Picture();
    EXPECT_EQ(picture.pixel(0, 3), colours[0]);
    EXPECT_EQ(picture.pixel(50, 3), colours[5]) << "right cap from the texture's end";
    EXPECT_EQ(picture.pixel(6, 3), colours[0]) << "middle tiled from the bar's left edge";
    EXPECT_EQ(picture.pixel(11, 3), colours[5]);
    EXPECT_EQ(picture.pixel(51, 3), White);
}

TEST(LSVGaugeTest, PieFillsClockwiseFromTheTop) {
    TLSVGauge g;
    MakePlain(g, 100, 100);
    g.SetKind(lgkPie);
    g.SetProgress(25);
    QImage picture = g.Picture();
    EXPECT_EQ(picture.pixel(75, 25) & 0xFFFFFF, Navy & 0xFFFFFF);
    EXPECT_EQ(picture.pixel(25, 25), White);
    EXPECT_EQ(picture.pixel(75, 75), White);
    EXPECT_EQ(picture.pixel(25, 75), White);
    g.SetProgress(75);
    picture = g.Picture();
    EXPECT_EQ(picture.pixel(75, 75) & 0xFFFFFF, Navy & 0xFFFFFF);
    EXPECT_EQ(picture.pixel(25, 75) & 0xFFFFFF, Navy & 0xFFFFFF);
    EXPECT_EQ(picture.pixel(25, 25), White);
    EXPECT_EQ(picture.pixel(2, 2), White) << "outside the ellipse";
    g.SetProgress(0);
    EXPECT_EQ(CountColour(g.Picture(), Navy, QRect(0, 0, 100, 100)), 0);
}

TEST(LSVGaugeTest, FlatPieBorderIsAnEllipse) {
    TLSVGauge g;
    MakePlain(g, 100, 60);
    g.SetKind(lgkPie);
    g.SetBorderStyle(TLSVBorderStyle::Single);
    const QImage picture = g.Picture();
    EXPECT_EQ(picture.pixel(50, 0), qRgb(0, 0, 0));
    EXPECT_EQ(picture.pixel(0, 0), White) << "no rectangle frame";
}

TEST(LSVGaugeTest, Pie3DHasARimBelowTheFilledSegment) {
    TLSVGauge g;
    MakePlain(g, 100, 120);
    g.SetKind(lgkPie3D);
    g.SetPie3DColor(Qt::red);
    g.SetProgress(50); // the right half
    const QImage picture = g.Picture();
    EXPECT_EQ(picture.pixel(75, 50) & 0xFFFFFF, Navy & 0xFFFFFF);
    EXPECT_EQ(picture.pixel(75, 110), qRgb(255, 0, 0));
    EXPECT_EQ(picture.pixel(25, 110), White) << "no rim under the empty half";
}

// A label big enough to have solid pixels of its colours.
TLSVGaugeFont BigFont(QColor onFilled, QColor onBackground) {
    TLSVGaugeFont font;
    font.Font.setPixelSize(16);
    font.Font.setBold(true);
    font.ColorOnFilled = onFilled;
    font.ColorOnBackground = onBackground;
    font.Color = Qt::magenta;
    return font;
}

TEST(LSVGaugeTest, LabelTakesOneColourOverTheFillAndAnotherOverTheBackground) {
    TLSVGauge g;
    MakePlain(g, 150, 20);
    g.SetShowText(true);
    g.SetFont(BigFont(Qt::red, Qt::green));
    g.SetProgress(50); // fill ends at column 75, inside the centred label "50%"
    QImage picture = g.Picture();
    const QRect filled(0, 0, 76, 20), empty(76, 0, 74, 20);
    EXPECT_GT(CountColour(picture, qRgb(255, 0, 0), filled), 0);
    EXPECT_GT(CountColour(picture, qRgb(0, 255, 0), empty), 0);
    EXPECT_EQ(CountColour(picture, qRgb(255, 0, 0), empty), 0);
    EXPECT_EQ(CountColour(picture, qRgb(0, 255, 0), filled), 0);

    TLSVGaugeFont fixed = g.Font();
    fixed.FixTextColor = true;
    g.SetFont(fixed);
    picture = g.Picture();
    EXPECT_GT(CountColour(picture, qRgb(255, 0, 255), QRect(0, 0, 150, 20)), 0);
    EXPECT_EQ(CountColour(picture, qRgb(255, 0, 0), QRect(0, 0, 150, 20)), 0);
}

TEST(LSVGaugeTest, LabelInTheFillShowsOnlyWhereItFits) {
    TLSVGauge g;
    MakePlain(g, 150, 20);
    g.SetShowText(true);
    g.SetFont(BigFont(Qt::red, Qt::green));
    g.SetTextInCenterFore(true);
    g.SetProgress(10); // 15 pixels: narrower than "10%"
    EXPECT_EQ(CountColour(g.Picture(), qRgb(255, 0, 0), QRect(0, 0, 150, 20)), 0);
    g.SetProgress(60);
    const QImage picture = g.Picture();
    EXPECT_GT(CountColour(picture, qRgb(255, 0, 0), QRect(0, 0, 91, 20)), 0);
    EXPECT_EQ(CountColour(picture, qRgb(0, 255, 0), QRect(0, 0, 150, 20)), 0);
}

TEST(LSVGaugeTest, RunningStripMovesWithEveryChange) {
    TLSVGauge g;
    MakePlain(g, 100, 10);
    g.SetTextureOnFore(SegmentTexture(Orange, Orange, QImage::Format_RGB888));
    g.SetRunningStrip(true);
    g.SetRuningStep(3);
    g.SetMaxValue(1000);
    g.StepBy(1); // no change of percentage, but the strip moves
    const QImage picture = g.Picture();
    EXPECT_EQ(picture.pixel(2, 5), White);
    EXPECT_EQ(picture.pixel(3, 5) & 0xFFFFFF, Orange & 0xFFFFFF);
    EXPECT_EQ(picture.pixel(8, 5) & 0xFFFFFF, Orange & 0xFFFFFF);
    EXPECT_EQ(picture.pixel(9, 5), White);
}

TEST(LSVGaugeTest, PaintCopiesThePicture) {
    TLSVGauge g;
    MakeSplashBar(g);
    g.SetProgress(99);
    EXPECT_EQ(g.grab().toImage().convertToFormat(QImage::Format_RGB32),
              g.Picture().convertToFormat(QImage::Format_RGB32));
}

// The splash bar where the splash puts it, on screens of the common desktop scales: the picture
// comes at the device pixels the bar covers, its segments step evenly (one see-through gap of one
// line every segment, the same pitch all along) and the bottom edge is one line high.
TEST(LSVGaugeTest, SplashBarStepsEvenlyAtEveryRatio) {
    for (const qreal ratio : {1.0, 1.25, 1.5, 2.0}) {
        SCOPED_TRACE(ratio);
        TLSVGauge g;
        MakeSplashBar(g);
        g.SetTextureOnBack(
            TDrawnPicture(SplashPictures::BarTextureSize, &SplashPictures::BarBackTexture));
        g.SetTextureOnFore(
            TDrawnPicture(SplashPictures::BarTextureSize, &SplashPictures::BarForeTexture));
        g.SetProgress(99);
        const TDeviceGrid place(ratio, QPointF(256, 18) * ratio);
        const QImage picture = g.Picture(place);
        ASSERT_EQ(picture.size(), place.Extent(QSize(140, 15)));
        EXPECT_EQ(picture.devicePixelRatio(), ratio);
        const int line = place.Line();
        const QRgb gap = qRgb(0x70, 0x70, 0x70); // the back segment's edge, seen through
        std::vector<int> starts;
        for (int x = 0; x < picture.width(); ++x) {
            const bool inGap = picture.pixel(x, picture.height() / 2) == gap;
            if (inGap && (x == 0 || picture.pixel(x - 1, picture.height() / 2) != gap))
                starts.push_back(x);
            if (inGap && x + 1 < picture.width()) {
                EXPECT_TRUE(x - starts.back() < line) << "a gap wider than a line at " << x;
            }
        }
        ASSERT_GE(starts.size(), 20u);
        const int pitch = starts[1] - starts[0];
        EXPECT_EQ(pitch, place.X(262) - place.X(256));
        for (size_t i = 1; i < starts.size(); ++i)
            EXPECT_EQ(starts[i] - starts[i - 1], pitch) << "segment " << i;
        const int body = starts[3] - pitch / 2; // the middle of a lit segment
        for (int y = picture.height() - line; y < picture.height(); ++y)
            EXPECT_EQ(picture.pixel(body, y), gap) << "bottom edge row " << y;
        EXPECT_NE(picture.pixel(body, picture.height() - line - 1), gap);
    }
}

TEST(LSVGaugeTest, TinyAndEmptySizesDoNotBreak) {
    TLSVGauge g;
    for (const QSize size : {QSize(0, 0), QSize(1, 1), QSize(3, 3), QSize(5, 5)}) {
        for (TLSVGaugeKind kind : {lgkHorizontalBar, lgkVerticalBar, lgkPie3D, lgkPie}) {
            g.resize(size);
            g.SetKind(kind);
            g.SetEdge(4);
            g.SetProgress(100);
            EXPECT_EQ(g.Picture().size(), size);
        }
    }
}

} // namespace
