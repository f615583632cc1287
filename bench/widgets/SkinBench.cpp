// How long the skin takes to draw: the main window draws its pictures once when it is created.
// Prints figures; run with QT_QPA_PLATFORM=offscreen where there is no display.
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
    Measure("main window background", 20, [] { (void)Skin::MainBackground(); });
    Measure("button picture list (77)", 20, [] { (void)TPictureList::ButtonPictures(); });
    Measure("display type picture list (9)", 20, [] { (void)TPictureList::DisplayPictures(); });
    Measure("program icon and tray pictures", 20, [] {
        (void)Skin::ProgramIcon();
        for (int i = 1; i <= Skin::TrayPictureCount; ++i)
            (void)Skin::TrayMenuPicture(i);
    });
    return 0;
}
