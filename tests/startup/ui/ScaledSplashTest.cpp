// The splash on a screen of the device pixel ratio the test process runs at (QT_SCALE_FACTOR; the
// program runs once per ratio): 400 x 300 logical pixels whatever the ratio, its pictures and
// its bar drawn for the device pixels they cover.
#include "common/QtPrint.h"
#include "common/ShownPixels.h"
#include "common/TempDir.h"
#include "startup/ui/LSVGauge.h"
#include "startup/ui/Logo.h"
#include "startup/ui/SplashPictures.h"
#include "widgets/PictureView.h"

#include <QTimer>
#include <gtest/gtest.h>

namespace {

// The shown pixels of `area` (device pixels) equal those of the picture drawn for `place`.
void ExpectShownAs(const QImage& shown, const QImage& picture, QPoint place, const QRect& area,
                   const char* what) {
    SCOPED_TRACE(what);
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ASSERT_EQ(shown.pixel(x, y) | 0xFF000000u,
                      picture.pixel(x - place.x(), y - place.y()) | 0xFF000000u)
                << x << "," << y;
}

TEST(ScaledSplash, KeepsItsLogicalSizeWithPicturesAtDevicePixels) {
    const TTempDir home;
    const TConfigHomeGuard guard(home.Path());
    TfmLogo logo;
    const QImage shown = ShownPixels(logo);
    ASSERT_FALSE(shown.isNull());
    logo.Timer_Work->stop();
    const qreal ratio = logo.devicePixelRatioF();
    ASSERT_EQ(ratio, ProcessScaleFactor());

    EXPECT_EQ(logo.size(), QSize(400, 300));
    EXPECT_EQ(logo.Img_Logo->geometry(), QRect(0, 0, 400, 300));
    EXPECT_EQ(logo.Img_Load->geometry(), QRect(256, 6, 27, 10));
    EXPECT_EQ(logo.Ind_Load->geometry(), QRect(256, 18, 140, 15));
    const TDeviceGrid window(ratio);
    EXPECT_EQ(shown.size(), window.Extent(QSize(400, 300)));

    // The product picture where nothing covers it, the mark and the bar, pixel for pixel.
    ExpectShownAs(shown, SplashPictures::Product(window), {}, window.Map(QRectF(0, 0, 250, 300)),
                  "product");
    const TDeviceGrid mark(ratio, QPointF(256, 6) * ratio);
    ExpectShownAs(shown, SplashPictures::LoadMark(mark.Local()), mark.Origin(),
                  mark.Map(QRectF(0, 0, 27, 10)).translated(mark.Origin()), "mark");
    const TDeviceGrid bar(ratio, QPointF(256, 18) * ratio);
    ExpectShownAs(shown, logo.Ind_Load->Picture(bar), bar.Origin(),
                  bar.Map(QRectF(0, 0, 140, 15)).translated(bar.Origin()), "bar");
    logo.done(0);
}

} // namespace
