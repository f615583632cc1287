// The real program on a real X server at 150 %: the splash is 400 x 300 logical pixels, and the
// X server cuts the main window's outline exactly where the window's face draws its dark rim, row
// by row of the stepped corners. With VELMORA_SCREENSHOT_DIR set, the screen is saved there.
#include "common/DesktopSession.h"
#include "common/QtPrint.h"
#include "widgets/DevicePixels.h"
#include "widgets/SkinPictures.h"
#include "widgets/SkinZones.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using DesktopSession::WaitFor;

constexpr qreal Scale = 1.5;
const QRgb Rim = qRgb(0x06, 0x1A, 0x36);

// Outside every window the root window's black and white weave shows.
bool IsRoot(QRgb pixel) {
    return qRed(pixel) == qGreen(pixel) && qGreen(pixel) == qBlue(pixel);
}

// The one window of that title and size once it is shown: the main window's hints carry its
// title too.
std::optional<TVirtualDisplay::TWindow> WindowShown(const TVirtualDisplay& display,
                                                    const QString& title, QSize size) {
    std::vector<TVirtualDisplay::TWindow> windows;
    if (!WaitFor(
            [&] {
                windows = display.VisibleWindows(title);
                std::erase_if(windows,
                              [&](const auto& window) { return window.Geometry.size() != size; });
                return windows.size() == 1;
            },
            30s))
        return std::nullopt;
    return windows.front();
}

TEST(ScaledDesktopTest, TheOutlineIsCutWhereTheFaceDrawsItsRim) {
    if (const std::string why =
            DesktopSession::MissingProgramReason({"Xvfb", "xdotool", "xwininfo", "import"});
        !why.empty())
        GTEST_SKIP() << why;
    TVirtualDisplay display(QSize(1920, 1200));
    ASSERT_TRUE(display.Started());
    TProgramUnderTest program;
    QProcessEnvironment environment = program.Environment(&display, nullptr);
    environment.insert("QT_SCALE_FACTOR", QString::number(Scale));
    QProcess& run = program.Start(environment);

    const TDeviceGrid grid(Scale);
    EXPECT_TRUE(WindowShown(display, "Logo", QSize(600, 450)).has_value())
        << "the splash, 400 x 300 logical pixels";
    const auto main = WindowShown(display, "Velmora", grid.Extent(Skin::BackgroundSize));
    ASSERT_TRUE(main.has_value());
    const QPoint origin = main->Geometry.topLeft();
    QImage screen;
    ASSERT_TRUE(WaitFor([&] {
        screen = display.Screenshot();
        const QRect middle = grid.Map(QRectF(1, 300, 800, 1)).translated(origin);
        return !screen.isNull() && screen.pixel(middle.topLeft()) == Rim;
    })) << "the window is painted";
    const QString folder = qEnvironmentVariable("VELMORA_SCREENSHOT_DIR");
    if (!folder.isEmpty())
        screen.save(QDir(folder).filePath("main-window-at-150.png"));

    // Each row of the outline, at its top and bottom device rows: the rim on its first and last
    // pixel, the root window just beyond them.
    for (const QRect& row : Skin::WindowOutline()) {
        const QRect device = grid.Map(QRectF(row)).translated(origin);
        for (const int y : {device.top(), device.bottom()}) {
            SCOPED_TRACE(testing::Message() << "outline row " << row.top() << " at " << y);
            EXPECT_EQ(screen.pixel(device.left(), y), Rim);
            EXPECT_EQ(screen.pixel(device.right(), y), Rim);
            EXPECT_TRUE(IsRoot(screen.pixel(device.left() - 1, y)));
            EXPECT_TRUE(IsRoot(screen.pixel(device.right() + 1, y)));
        }
    }
    // Above the first row and below the last nothing of the window shows.
    const QRect bounds = grid.Map(QRectF(Skin::WindowOutline().boundingRect())).translated(origin);
    EXPECT_TRUE(IsRoot(screen.pixel(bounds.center().x(), bounds.top() - 1)));
    EXPECT_TRUE(IsRoot(screen.pixel(bounds.center().x(), bounds.bottom() + 1)));
    EXPECT_EQ(screen.pixel(bounds.center().x(), bounds.top()), Rim);
    EXPECT_EQ(screen.pixel(bounds.center().x(), bounds.bottom()), Rim);

    run.terminate();
    EXPECT_TRUE(TProgramUnderTest::EndsWith(run, 0));
}

} // namespace
