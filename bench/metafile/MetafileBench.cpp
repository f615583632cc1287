// How long a crowded chart-like EMF takes to read and to play at the layout window's size.
// Prints figures; never fails on time.

#include "metafile/MetafileParser.h"
#include "metafile/MetafileWriter.h"
#include "metafile/ui/Metafile.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>

using namespace MetafileTest;

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    // A chart-like EMF: 2000 bars, 2000 labels, grid lines, clip saves.
    TEmfWriter w({0, 0, 25000, 18750}, 1000, 250); // 1000 x 750 device pixels
    w.CreateFont(1, -12, 400, u"DejaVu Sans").Select(1).SetBkMode(1);
    w.CreatePen(2, 0, 0, 0x808080).Select(2);
    for (int i = 0; i < 2000; ++i) {
        const int x = (i * 997) % 1000, y = (i * 389) % 750;
        w.CreateBrush(3, 0, (i * 0x10203) & 0xFFFFFF).Select(3).Rectangle(x, y, x + 20, y + 30);
        w.Select(0x80000000u | 5).Delete(3);
        w.ExtTextOutW(x, y, u"Label 123");
        w.MoveTo(0, y).LineTo(1000, y);
        w.SaveDc().IntersectClipRect(x, y, x + 50, y + 50).RestoreDc(-1);
    }
    const TBytes bytes = w.Finish();
    QElapsedTimer t;
    t.start();
    const int parses = 20;
    for (int i = 0; i < parses; ++i)
        Metafile::ParseMetafile(bytes, "bench");
    const double parseMs = static_cast<double>(t.nsecsElapsed()) / 1e6 / parses;
    TMetafilePicture picture(Metafile::ParseMetafile(bytes, "bench"));
    QImage image(800, 600, QImage::Format_RGB32);
    t.restart();
    const int plays = 5;
    for (int i = 0; i < plays; ++i) {
        image.fill(Qt::white);
        QPainter p(&image);
        picture.Play(p, QRectF(0, 0, 800, 600));
    }
    const double playMs = static_cast<double>(t.nsecsElapsed()) / 1e6 / plays;
    std::printf("file %zu bytes, %zu commands: parse %.2f ms, play 800x600 %.1f ms\n", bytes.size(),
                picture.File().commands.size(), parseMs, playMs);
}
