// The kit on a screen of the device pixel ratio the test process runs at (QT_SCALE_FACTOR; the
// program runs once per ratio): pictures land pixel for pixel on the device pixels of their
// widgets, pictures that meet leave no seam, the tray menu keeps its sixteen-colour pictures and
// even bands, and a hint its even border.
#include "SixteenColours.h"
#include "TestEvents.h"
#include "common/QtPrint.h"
#include "common/ShownPixels.h"
#include "widgets/PictureView.h"
#include "widgets/ShapeHint.h"
#include "widgets/SkinZones.h"
#include "widgets/TrayIcon.h"

#include <QAction>
#include <QPainter>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <set>
#include <vector>

namespace {

const QColor Window(Qt::magenta);
const QColor Edge(Qt::yellow);
const QColor Inside(Qt::blue);

// A picture with an edge of one device pixel around a blue inside: drawn larger than its widget
// it would lose an edge, drawn smaller the window would show beside it.
TDrawnPicture Framed(QSize size) {
    return TDrawnPicture(size, [size](const TDeviceGrid& grid) {
        QImage image(grid.Extent(size), QImage::Format_RGB32);
        image.fill(Edge);
        QPainter(&image).fillRect(image.rect().adjusted(1, 1, -1, -1), Inside);
        return image;
    });
}

std::unique_ptr<QWidget> MagentaWindow(QSize size) {
    auto window = std::make_unique<QWidget>();
    window->setFixedSize(size);
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, Window);
    window->setPalette(palette);
    window->setAutoFillBackground(true);
    return window;
}

// The lengths of the runs of one colour along a column, from `from` to `to` (excluded).
std::vector<int> Runs(const QImage& image, int x, int from, int to) {
    std::vector<int> runs;
    for (int y = from; y < to; ++y) {
        if (y == from || image.pixel(x, y) != image.pixel(x, y - 1))
            runs.push_back(0);
        ++runs.back();
    }
    return runs;
}

TEST(ScaledWidgets, PicturesThatMeetLeaveNoSeam) {
    const auto window = MagentaWindow({240, 60});
    // Side by side from a place between device pixels, each of another width, so that every way
    // of rounding comes up.
    std::vector<TPictureView*> views;
    int left = 3;
    for (int width = 13; width <= 20; ++width) {
        views.push_back(TPictureView::Create(*window, "view", Framed(QSize(width, 21 + width % 3)),
                                             QPoint(left, 5)));
        left += width;
    }
    const QImage shown = ShownPixels(*window);
    ASSERT_FALSE(shown.isNull());
    ASSERT_EQ(window->devicePixelRatioF(), ProcessScaleFactor());
    const TDeviceGrid grid(window->devicePixelRatioF());
    EXPECT_EQ(shown.size(), grid.Extent(window->size()));
    for (const TPictureView* view : views) {
        EXPECT_EQ(view->size(), view->Picture().Size()) << "the logical size stays";
        const QRect device = grid.Map(view->geometry());
        EXPECT_EQ(shown.pixelColor(device.topLeft()), Edge);
        EXPECT_EQ(shown.pixelColor(device.bottomRight()), Edge);
        EXPECT_EQ(shown.pixelColor(device.topLeft() + QPoint(1, 1)), Inside);
        EXPECT_EQ(shown.pixelColor(device.bottomRight() - QPoint(1, 1)), Inside);
    }
    // Along a row through all of them: edges and insides, never the window between them.
    const int y = grid.Y(15);
    for (int x = grid.X(3); x < grid.X(left); ++x)
        ASSERT_NE(shown.pixelColor(x, y), Window) << "a seam at " << x;
    EXPECT_EQ(shown.pixelColor(grid.X(3) - 1, y), Window);
    EXPECT_EQ(shown.pixelColor(grid.X(left), y), Window);
}

TEST(ScaledWidgets, TheTrayMenuKeepsItsSixteenColoursAndEvenBands) {
    TTrayMenu menu;
    for (int i = 1; i <= 5; ++i) {
        auto* action = new QAction(QStringLiteral("Item %1").arg(i), &menu);
        action->setObjectName(QStringLiteral("TrayMenu_%1").arg(i));
        menu.addAction(action);
    }
    menu.popup(QPoint(40, 40));
    const QImage shown = ShownPixels(menu);
    ASSERT_FALSE(shown.isNull());
    ASSERT_EQ(menu.devicePixelRatioF(), ProcessScaleFactor());
    const TDeviceGrid grid(menu.devicePixelRatioF());

    // Left of their captions the items show their pictures on the item colour, in the sixteen
    // colours only: a picture scaled to the screen would blend its edges.
    const std::set<QRgb> allowed{qRgb(0, 0, 0),       qRgb(128, 0, 0),       qRgb(0, 128, 0),
                                 qRgb(128, 128, 0),   qRgb(0, 0, 128),       qRgb(128, 0, 128),
                                 qRgb(0, 128, 128),   qRgb(192, 192, 192),   qRgb(128, 128, 128),
                                 qRgb(255, 0, 0),     qRgb(0, 255, 0),       qRgb(255, 255, 0),
                                 qRgb(0, 0, 255),     qRgb(255, 0, 255),     qRgb(0, 255, 255),
                                 qRgb(255, 255, 255), qRgb(0xEE, 0xF3, 0xFB)};
    for (QAction* action : menu.actions()) {
        const QRect item = menu.actionGeometry(action);
        const QRect pictures = grid.Map(QRectF(item.left(), item.top(), 22, item.height()));
        int drawn = 0;
        for (int y = pictures.top(); y <= pictures.bottom(); ++y)
            for (int x = pictures.left(); x <= pictures.right(); ++x) {
                const QRgb px = shown.pixel(x, y) | 0xFF000000u;
                ASSERT_TRUE(allowed.count(px))
                    << action->objectName().toStdString() << " at " << x << "," << y;
                drawn += px != qRgb(0xEE, 0xF3, 0xFB) ? 1 : 0;
            }
        EXPECT_GT(drawn, 20) << action->objectName().toStdString();
    }

    // The band: as many bands as it has device pixels up to 64, none more than a pixel longer
    // than another, from dark at the bottom to light at the top.
    const QRect band = grid.Map(menu.BandRect());
    const std::vector<int> runs = Runs(shown, band.left() + 1, band.top(), band.bottom() + 1);
    EXPECT_EQ(runs.size(), static_cast<size_t>(std::min(TTrayMenu::BandSteps, band.height())));
    const auto [shortest, longest] = std::minmax_element(runs.begin(), runs.end());
    EXPECT_LE(*longest - *shortest, 1);
    EXPECT_EQ(shown.pixel(band.left() + 1, band.bottom()) | 0xFF000000u,
              TTrayMenu::BandBottomColor | 0xFF000000u);
    EXPECT_EQ(shown.pixel(band.left() + 1, band.top()) | 0xFF000000u,
              TTrayMenu::BandTopColor | 0xFF000000u);
    menu.hide();
}

TEST(ScaledWidgets, AHintHasTheSameBorderOnEverySide) {
    QWidget host;
    host.resize(100, 40);
    host.setToolTip(QStringLiteral("Server: Stop"));
    host.show();
    TShapeHint hints;
    AskForToolTip(&host);
    QWidget& hint = *hints.HintWindow();
    const QImage shown = ShownPixels(hint);
    ASSERT_FALSE(shown.isNull());
    ASSERT_EQ(hint.devicePixelRatioF(), ProcessScaleFactor());
    const int line = TDeviceGrid(hint.devicePixelRatioF()).Line();
    const QColor border(Skin::HintBorderColor), back(Skin::HintBackColor);
    const int w = shown.width(), h = shown.height(), x = w / 2, y = h / 2;
    for (int i = 0; i < line; ++i) {
        EXPECT_EQ(shown.pixelColor(i, y), border) << "left " << i;
        EXPECT_EQ(shown.pixelColor(w - 1 - i, y), border) << "right " << i;
        EXPECT_EQ(shown.pixelColor(x, i), border) << "top " << i;
        EXPECT_EQ(shown.pixelColor(x, h - 1 - i), border) << "bottom " << i;
    }
    EXPECT_EQ(shown.pixelColor(line, y), back);
    EXPECT_EQ(shown.pixelColor(w - 1 - line, y), back);
    EXPECT_EQ(shown.pixelColor(x, line), back);
    EXPECT_EQ(shown.pixelColor(x, h - 1 - line), back);
}

} // namespace
