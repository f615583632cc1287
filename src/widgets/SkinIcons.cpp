// The program icon and the tray menu item pictures.
#include "widgets/SkinDraw.h"
#include "widgets/SkinGlyphs.h"
#include "widgets/SkinPictures.h"
#include "widgets/SkinZones.h"

#include <QRadialGradient>
#include <array>
#include <stdexcept>
#include <string>

namespace Skin {

namespace {

// The classic sixteen-colour palette, one letter per colour; '.' is transparent.
QRgb PaletteColour(char letter) {
    switch (letter) {
    case 'k':
        return qRgb(0, 0, 0);
    case 'm':
        return qRgb(128, 0, 0);
    case 'g':
        return qRgb(0, 128, 0);
    case 'o':
        return qRgb(128, 128, 0);
    case 'n':
        return qRgb(0, 0, 128);
    case 'p':
        return qRgb(128, 0, 128);
    case 't':
        return qRgb(0, 128, 128);
    case 's':
        return qRgb(192, 192, 192);
    case 'd':
        return qRgb(128, 128, 128);
    case 'r':
        return qRgb(255, 0, 0);
    case 'l':
        return qRgb(0, 255, 0);
    case 'y':
        return qRgb(255, 255, 0);
    case 'b':
        return qRgb(0, 0, 255);
    case 'f':
        return qRgb(255, 0, 255);
    case 'a':
        return qRgb(0, 255, 255);
    case 'w':
        return qRgb(255, 255, 255);
    case '.':
        return qRgba(0, 0, 0, 0);
    default:
        throw std::logic_error(std::string("unknown palette letter ") + letter);
    }
}

using TPixelArt = std::array<const char*, 11>;

// clang-format off
constexpr TPixelArt kStartArt{
    "...........",
    ".kk........",
    ".klkk......",
    ".kllgkk....",
    ".klllggkk..",
    ".kllllgggk.",
    ".klllggkk..",
    ".kllgkk....",
    ".klkk......",
    ".kk........",
    "...........",
};
constexpr TPixelArt kStopArt{
    "...........",
    ".kkkkkkkkk.",
    ".kwrrrrrrk.",
    ".krrrrrrrk.",
    ".krrrrrrrk.",
    ".krrrrrrmk.",
    ".krrrrrrmk.",
    ".krrrrrmmk.",
    ".krrmmmmmk.",
    ".kkkkkkkkk.",
    "...........",
};
constexpr TPixelArt kWebArt{
    "...kkkkk...",
    ".kkabbbbkk.",
    ".kaallbbbk.",
    "kaalllbbbbk",
    "kbllllbbbbk",
    "kbbllbbgggk",
    "kbbbbbggggk",
    "kbbbbbbgggk",
    ".kbbbbbbbk.",
    ".kknbbbnkk.",
    "...kkkkk...",
};
constexpr TPixelArt kPageArt{
    ".kkkkkkk...",
    ".kwwwwwsk..",
    ".kwwwwwssk.",
    ".kwwwwwkkk.",
    ".kwnnnnnwk.",
    ".kwwwwwwwk.",
    ".kwnnnnnwk.",
    ".kwwwwwwwk.",
    ".kwnnnwwwk.",
    ".kwwwwwwwk.",
    ".kkkkkkkkk.",
};
constexpr TPixelArt kExitArt{
    "...kkkkk...",
    ".kkrrrrrkk.",
    ".krrrrrrrk.",
    "krwwrrrwwrk",
    "krrwwrwwrrk",
    "krrrwwwrrrk",
    "krrwwrwwrrk",
    "krwwrrrwwrk",
    ".krrrrrrmk.",
    ".kkmmmmmkk.",
    "...kkkkk...",
};
// clang-format on

QImage FromPixelArt(const TPixelArt& art) {
    QImage image(TrayPictureSize, QImage::Format_ARGB32);
    for (int y = 0; y < 11; ++y) {
        const std::string_view row(art[static_cast<size_t>(y)]);
        if (row.size() != 11)
            throw std::logic_error("pixel art row of wrong length");
        for (int x = 0; x < 11; ++x)
            image.setPixel(x, y, PaletteColour(row[static_cast<size_t>(x)]));
    }
    return image;
}

} // namespace

QImage ProgramIcon() {
    QImage image = SkinDraw::NewImage(QSize(32, 32), true);
    QPainter p(&image);
    SkinDraw::Smooth(p);

    // A dark blue disc, so the icon reads on light and dark panels alike.
    QRadialGradient disc(QPointF(16, 16), 15.5, QPointF(12, 9));
    disc.setColorAt(0, QColor(0x3A, 0x78, 0xC8));
    disc.setColorAt(1, QColor(0x0C, 0x30, 0x5E));
    p.setPen(QPen(QColor(0x04, 0x18, 0x34), 1.0));
    p.setBrush(disc);
    p.drawEllipse(QPointF(16, 16), 15.3, 15.3);

    // The ring that links the three monitors.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x6A, 0x30, 0x04), 3.4));
    p.drawEllipse(QPointF(16, 16.3), 10, 10);
    p.setPen(QPen(QBrush(SkinDraw::Vertical(QRectF(6, 6, 20, 21), QColor(0xFF, 0xDC, 0x6A),
                                            QColor(TitleNameColor))),
                  2.0));
    p.drawEllipse(QPointF(16, 16.3), 10, 10);

    const QColor screenTop(0x9C, 0xE0, 0xFF), screenBottom(0x1F, 0x74, 0xD0);
    SkinGlyph::Monitor(p, QRectF(9.25, 0.5, 13.5, 13.5), screenTop, screenBottom);
    SkinGlyph::Monitor(p, QRectF(0.5, 16, 13.5, 13.5), screenTop, screenBottom);
    SkinGlyph::Monitor(p, QRectF(18, 16, 13.5, 13.5), screenTop, screenBottom);
    p.end();
    return image;
}

QImage TrayMenuPicture(int item) {
    switch (item) {
    case 1:
        return FromPixelArt(kStartArt);
    case 2:
        return FromPixelArt(kStopArt);
    case 3:
        return FromPixelArt(kWebArt);
    case 4:
        return FromPixelArt(kPageArt);
    case 5:
        return FromPixelArt(kExitArt);
    default:
        throw std::out_of_range("Picture index out of range (" + std::to_string(item) + ")");
    }
}

} // namespace Skin
