// Writes the program's own drawn icon at each size the desktop's hicolor theme uses:
//     velmora_icons <folder>   ->   <folder>/<N>x<N>/apps/velmora.png
// Each size is drawn anew for its pixels from the same drawing the window uses, not scaled.
#include "widgets/DevicePixels.h"
#include "widgets/SkinPictures.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: velmora_icons <folder>\n", stderr);
        return 64;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QString root = QString::fromLocal8Bit(argv[1]);
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const TDeviceGrid grid(static_cast<qreal>(size) / Skin::ProgramIconSize.width());
        QImage icon = Skin::ProgramIcon(grid);
        icon.setDevicePixelRatio(1);
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(root).arg(size);
        if (icon.size() != QSize(size, size) || !QDir().mkpath(folder) ||
            !icon.save(folder + QStringLiteral("/velmora.png"))) {
            std::fprintf(stderr, "velmora_icons: cannot write the %dx%d icon\n", size, size);
            return 1;
        }
    }
    return 0;
}
