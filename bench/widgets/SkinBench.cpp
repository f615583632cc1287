// How long the skin takes to draw: a window draws its pictures when it first shows them on a
// screen, and again on a screen of another device pixel ratio. Prints figures for each ratio; run
// with QT_QPA_PLATFORM=offscreen where there is no display.
#include "widgets/SkinPictures.h"

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>

namespace {

template <typename Work>
void Measure(const char* what, int runs, Work work) {
    work(); // fonts and caches warm up once
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < runs; ++i)
        work();
    std::printf("%-34s %8.2f ms per run (%d runs)\n", what,
                static_cast<double>(timer.nsecsElapsed()) / 1e6 / runs, runs);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    for (const qreal ratio : {1.0, 1.25, 1.5, 2.0}) {
        const TDeviceGrid grid(ratio);
        std::printf("device pixel ratio %.2f\n", ratio);
        Measure("  main window background", 10, [&] { (void)Skin::MainBackground(grid); });
        Measure("  button pictures (77)", 10, [&] {
            for (int i = 0; i < Skin::Btn::Count; ++i)
                (void)Skin::ButtonPicture(i, grid);
        });
        Measure("  display type pictures (9)", 10, [&] {
            for (int i = 0; i < Skin::DisplayPictureCount; ++i)
                (void)Skin::DisplayTypePicture(i, grid);
        });
        Measure("  program icon and tray pictures", 10, [&] {
            (void)Skin::ProgramIcon(grid);
            for (int i = 1; i <= Skin::TrayPictureCount; ++i)
                (void)Skin::TrayMenuPicture(i, grid);
        });
    }
    return 0;
}
