#include "SplashPictures.h"

#include "platform/Product.h"
#include "widgets/SkinDraw.h"

#include <QConicalGradient>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <array>
#include <cmath>
#include <functional>
#include <numbers>
#include <set>
#include <string_view>
#include <utility>

namespace {

QFont SansFont(int pixelSize, bool bold) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

// --- The product picture -----------------------------------------------------------------

constexpr QPointF RingCentre(200, 184);
constexpr double RingRadiusX = 122;
constexpr double RingRadiusY = 60;

QPointF OnRing(double degrees) {
    const double a = degrees * std::numbers::pi / 180;
    return {RingCentre.x() + RingRadiusX * std::cos(a), RingCentre.y() + RingRadiusY * std::sin(a)};
}

void PaintBackground(QPainter& p) {
    QLinearGradient sky(0, 0, 0, 300);
    sky.setColorAt(0, QColor(0x06, 0x1C, 0x4E));
    sky.setColorAt(0.55, QColor(0x0F, 0x3F, 0x92));
    sky.setColorAt(1, QColor(0x16, 0x58, 0xB4));
    p.fillRect(0, 0, 400, 300, sky);

    QRadialGradient glow(RingCentre, 190);
    glow.setColorAt(0, QColor(0x5A, 0xB4, 0xFF, 120));
    glow.setColorAt(1, QColor(0x5A, 0xB4, 0xFF, 0));
    p.fillRect(0, 0, 400, 300, glow);

    // A faint floor grid in perspective under the ring.
    p.setPen(QPen(QColor(0x9F, 0xD4, 0xFF, 28), 1));
    for (int i = -10; i <= 10; ++i)
        p.drawLine(QPointF(200 + i * 14, 190), QPointF(200 + i * 60, 300));
    for (double y = 196; y < 300; y += (y - 180) * 0.35)
        p.drawLine(QPointF(0, y), QPointF(400, y));

    // Light streaks.
    for (int i = 0; i < 3; ++i) {
        QLinearGradient streak(0, 70 + i * 18, 400, 30 + i * 18);
        streak.setColorAt(0, QColor(255, 255, 255, 0));
        streak.setColorAt(0.6, QColor(255, 255, 255, 14 - i * 4));
        streak.setColorAt(1, QColor(255, 255, 255, 0));
        p.setPen(QPen(QBrush(streak), 10 - i * 3));
        p.drawLine(QPointF(0, 110 + i * 18), QPointF(400, 40 + i * 18));
    }
}

void PaintRing(QPainter& p) {
    const QRectF ring(RingCentre.x() - RingRadiusX, RingCentre.y() - RingRadiusY, 2 * RingRadiusX,
                      2 * RingRadiusY);
    p.setBrush(Qt::NoBrush);
    // A soft glow under the ring, then the ring itself.
    for (const auto& [width, alpha] : {std::pair{16.0, 30}, std::pair{9.0, 70}}) {
        p.setPen(QPen(QColor(0x6C, 0xD8, 0xFF, alpha), width));
        p.drawEllipse(ring);
    }
    QConicalGradient shine(RingCentre, 0);
    shine.setColorAt(0, QColor(0xB8, 0xF0, 0xFF));
    shine.setColorAt(0.25, QColor(0x3C, 0xB4, 0xF0));
    shine.setColorAt(0.5, QColor(0xB8, 0xF0, 0xFF));
    shine.setColorAt(0.75, QColor(0x3C, 0xB4, 0xF0));
    shine.setColorAt(1, QColor(0xB8, 0xF0, 0xFF));
    p.setPen(QPen(QBrush(shine), 3.5));
    p.drawEllipse(ring);

    // Data travelling along the ring.
    for (const double degrees : {10.0, 62.0, 118.0, 200.0, 236.0, 300.0, 336.0}) {
        const QPointF at = OnRing(degrees);
        QRadialGradient spark(at, 6);
        spark.setColorAt(0, QColor(255, 250, 200, 255));
        spark.setColorAt(0.4, QColor(255, 214, 90, 200));
        spark.setColorAt(1, QColor(255, 214, 90, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(spark);
        p.drawEllipse(at, 6, 6);
    }
}

// What the three displays show: a simple advertisement each.
struct TScreenLook {
    QColor Top;
    QColor Bottom;
    std::string_view Caption;
    QColor CaptionColour;
};

void PaintMonitor(QPainter& p, const QPointF& centre, const TScreenLook& look) {
    const QRectF bezel(centre.x() - 50, centre.y() - 34, 100, 64);
    // Stand and base.
    QPainterPath neck;
    neck.moveTo(centre.x() - 8, bezel.bottom() - 2);
    neck.lineTo(centre.x() + 8, bezel.bottom() - 2);
    neck.lineTo(centre.x() + 12, bezel.bottom() + 12);
    neck.lineTo(centre.x() - 12, bezel.bottom() + 12);
    neck.closeSubpath();
    QLinearGradient metal(centre.x() - 12, 0, centre.x() + 12, 0);
    metal.setColorAt(0, QColor(0x2A, 0x2F, 0x3A));
    metal.setColorAt(0.5, QColor(0x6A, 0x74, 0x86));
    metal.setColorAt(1, QColor(0x2A, 0x2F, 0x3A));
    p.setPen(Qt::NoPen);
    p.setBrush(metal);
    p.drawPath(neck);
    p.drawRoundedRect(QRectF(centre.x() - 26, bezel.bottom() + 10, 52, 6), 3, 3);

    // Shadow, bezel and its highlight.
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawRoundedRect(bezel.translated(3, 4), 6, 6);
    QLinearGradient frame(0, bezel.top(), 0, bezel.bottom());
    frame.setColorAt(0, QColor(0x4A, 0x52, 0x62));
    frame.setColorAt(1, QColor(0x15, 0x18, 0x20));
    p.setBrush(frame);
    p.setPen(QPen(QColor(0x8A, 0x96, 0xAA), 1));
    p.drawRoundedRect(bezel, 6, 6);

    // The screen with its advertisement.
    const QRectF screen = bezel.adjusted(5, 5, -5, -9);
    QLinearGradient content(0, screen.top(), 0, screen.bottom());
    content.setColorAt(0, look.Top);
    content.setColorAt(1, look.Bottom);
    p.setPen(Qt::NoPen);
    p.setBrush(content);
    p.drawRect(screen);
    p.save();
    p.setClipRect(screen);
    p.setBrush(QColor(255, 255, 255, 40));
    p.drawEllipse(QPointF(screen.right() - 14, screen.top() + 12), 22, 22);
    p.setBrush(QColor(255, 255, 255, 28));
    p.drawRect(QRectF(screen.left() + 6, screen.bottom() - 11, screen.width() - 12, 5));
    p.setFont(SansFont(17, true));
    p.setPen(QColor(0, 0, 0, 90));
    p.drawText(
        screen.translated(1, 0).adjusted(0, 0, 0, -8), Qt::AlignCenter,
        QString::fromLatin1(look.Caption.data(), static_cast<qsizetype>(look.Caption.size())));
    p.setPen(look.CaptionColour);
    p.drawText(
        screen.adjusted(0, -1, 0, -9), Qt::AlignCenter,
        QString::fromLatin1(look.Caption.data(), static_cast<qsizetype>(look.Caption.size())));
    // Glass reflection.
    QPainterPath glare;
    glare.moveTo(screen.topLeft());
    glare.lineTo(screen.left() + screen.width() * 0.45, screen.top());
    glare.lineTo(screen.left() + screen.width() * 0.2, screen.bottom());
    glare.lineTo(screen.left(), screen.bottom());
    glare.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 30));
    p.drawPath(glare);
    p.restore();

    // Power light.
    p.setBrush(QColor(0x6C, 0xFF, 0x8C));
    p.drawEllipse(QPointF(bezel.right() - 8, bezel.bottom() - 4.5), 1.5, 1.5);
}

void PaintTitle(QPainter& p) {
    p.setFont(SansFont(34, true));
    p.setPen(QColor(0xC5, 0x60, 0x0E));
    p.drawText(QPointF(15, 43), QString::fromLatin1(Product::Name));
    p.setPen(QColor(0xF0, 0xB9, 0x26));
    p.drawText(QPointF(13, 41), QString::fromLatin1(Product::Name));
    p.setFont(SansFont(11, false));
    p.setPen(QColor(0xC8, 0xE1, 0xBB));
    p.drawText(QPointF(16, 60), QStringLiteral("Advertising display network server"));
}

void PaintStatusPlate(SkinDraw::TCanvas& c) {
    QPainter& p = c.p;
    c.InDevicePixels();
    const int line = c.Line();
    const QRectF plate = QRectF(c.Map(QRectF(250, 2, 149, 37)))
                             .adjusted(line / 2.0, line / 2.0, -line / 2.0, -line / 2.0);
    p.setPen(QPen(QColor(0x6C, 0xB4, 0xFF, 150), line));
    p.setBrush(QColor(0x03, 0x10, 0x30, 215));
    p.drawRoundedRect(plate, 5 * c.Ratio(), 5 * c.Ratio());
    c.InLogicalPixels();
    p.setFont(SansFont(9, false));
    p.setPen(QColor(0x9F, 0xC8, 0xF0));
    p.drawText(QRectF(288, 5, 106, 12), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("version 1.0"));
}

void PaintFooter(SkinDraw::TCanvas& c) {
    QPainter& p = c.p;
    c.InDevicePixels();
    const QRect rule(c.X(10), c.Y(279), c.X(390) - c.X(10), c.Line());
    QLinearGradient line(rule.left(), 0, rule.left() + rule.width(), 0);
    line.setColorAt(0, QColor(0x9F, 0xD4, 0xFF, 0));
    line.setColorAt(0.5, QColor(0x9F, 0xD4, 0xFF, 110));
    line.setColorAt(1, QColor(0x9F, 0xD4, 0xFF, 0));
    p.fillRect(rule, line);
    c.InLogicalPixels();
    p.setFont(SansFont(10, false));
    p.setPen(QColor(0xB4, 0xD2, 0xF0));
    p.drawText(QRectF(14, 282, 372, 14), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromUtf8("© ") + QString::fromLatin1(Product::Maker));
    p.drawText(QRectF(14, 282, 372, 14), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("Server for 16 displays"));
}

// --- The status marks --------------------------------------------------------------------

// Letters five pixels wide and seven high, drawn pixel by pixel so they stay sharp at 10 pixels.
using TGlyph = std::array<std::string_view, 7>;

constexpr TGlyph GlyphFor(char c) {
    switch (c) {
    case 'L':
        return {"X....", "X....", "X....", "X....", "X....", "X....", "XXXXX"};
    case 'D':
        return {"XXXX.", "X...X", "X...X", "X...X", "X...X", "X...X", "XXXX."};
    case 'o':
        return {".....", ".....", ".XXX.", "X...X", "X...X", "X...X", ".XXX."};
    case 'a':
        return {".....", ".....", ".XXX.", "....X", ".XXXX", "X...X", ".XXXX"};
    case 'd':
        return {"....X", "....X", ".XXXX", "X...X", "X...X", "X...X", ".XXXX"};
    case 'n':
        return {".....", ".....", "XXXX.", "X...X", "X...X", "X...X", "X...X"};
    case 'e':
        return {".....", ".....", ".XXX.", "X...X", "XXXXX", "X....", ".XXX."};
    default:
        return {};
    }
}

// Pixels of the letter design drawn as strokes of whole device pixels: each lit design pixel is
// a square one stroke wide at its place on the device, joined to its lit neighbours, so letters
// keep even strokes and their gaps at any ratio.
void PaintPixels(SkinDraw::TCanvas& c, const std::set<std::pair<int, int>>& lit,
                 const std::function<QColor(int row)>& colourOfRow) {
    const int stroke = c.Line();
    const QTransform place = c.Grid().Transform();
    const auto start = [&](int x, int y) {
        const QPointF centre = place.map(QPointF(x + 0.5, y + 0.5));
        return QPoint(static_cast<int>(std::floor(centre.x() - stroke / 2.0 + 0.5)),
                      static_cast<int>(std::floor(centre.y() - stroke / 2.0 + 0.5)));
    };
    c.InDevicePixels();
    for (const auto& [x, y] : lit)
        if (lit.count({x, y + 1}) != 0) {
            const QPoint from = start(x, y), to = start(x, y + 1);
            c.p.fillRect(QRect(from.x(), from.y(), stroke, to.y() + stroke - from.y()),
                         colourOfRow(y));
        }
    for (const auto& [x, y] : lit) {
        if (lit.count({x - 1, y}) != 0)
            continue; // inside a run drawn from its first pixel
        int last = x;
        while (lit.count({last + 1, y}) != 0)
            ++last;
        const QPoint from = start(x, y), to = start(last, y);
        c.p.fillRect(QRect(from.x(), from.y(), to.x() + stroke - from.x(), stroke), colourOfRow(y));
    }
    c.InLogicalPixels();
}

QImage Mark(std::string_view word, const TDeviceGrid& grid) {
    SkinDraw::TCanvas c(SplashPictures::MarkSize, grid, false);
    // A little deeper blue toward the bottom.
    SkinDraw::FillRect(c, QRectF(QPointF(), SplashPictures::MarkSize), QColor(0x12, 0x3C, 0x9A),
                       QColor(0x12, 0x45, 0x7F));
    std::set<std::pair<int, int>> letters;
    int left = 2;
    for (const char ch : word) {
        const TGlyph glyph = GlyphFor(ch);
        for (int row = 0; row < 7; ++row)
            for (int col = 0; col < 5; ++col) {
                const std::string_view line = glyph[static_cast<size_t>(row)];
                if (!line.empty() && line[static_cast<size_t>(col)] == 'X')
                    letters.insert({left + col, 1 + row});
            }
        left += 6;
    }
    std::set<std::pair<int, int>> shadow;
    for (const auto& [x, y] : letters)
        shadow.insert({x + 1, y + 1});
    PaintPixels(c, shadow, [](int) { return QColor(0xA8, 0x58, 0x10); });
    PaintPixels(c, letters, [](int row) { return QColor(0xFF, 0xDC - (row - 1) * 6, 0x30); });
    QImage image = c.Finish().convertToFormat(QImage::Format_RGB888);
    image.setDevicePixelRatio(grid.Ratio());
    return image;
}

} // namespace

namespace SplashPictures {

QImage Product(const TDeviceGrid& grid) {
    SkinDraw::TCanvas c(ProductSize, grid, false);
    QPainter& p = c.p;
    PaintBackground(p);
    PaintRing(p);
    PaintMonitor(
        p, OnRing(270),
        {QColor(0xFF, 0xB0, 0x30), QColor(0xE0, 0x38, 0x60), "SALE", QColor(255, 255, 255)});
    PaintMonitor(
        p, OnRing(150),
        {QColor(0x30, 0xD0, 0xA0), QColor(0x10, 0x70, 0xA0), "NEW", QColor(0xFF, 0xF2, 0x9A)});
    PaintMonitor(
        p, OnRing(30),
        {QColor(0xB0, 0x60, 0xF0), QColor(0x40, 0x28, 0xA0), "-30%", QColor(255, 255, 255)});
    PaintTitle(p);
    PaintStatusPlate(c);
    PaintFooter(c);
    QImage image = c.Finish().convertToFormat(QImage::Format_RGB888);
    image.setDevicePixelRatio(grid.Ratio());
    return image;
}

QImage LoadMark(const TDeviceGrid& grid) {
    return Mark("Load", grid);
}
QImage DoneMark(const TDeviceGrid& grid) {
    return Mark("Done", grid);
}

QImage BarBackTexture(const TDeviceGrid& grid) {
    const int width = grid.X(BarTextureSize.width()), height = grid.Y(BarTextureSize.height());
    const int line = grid.Line();
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        // Olive-brown, lighter at the top, shaded by the row of the design it falls in.
        const int row = y * BarTextureSize.height() / height;
        for (int x = 0; x < width; ++x) {
            QColor colour(0x7C - row * 3, 0x6A - row * 3, 0x30 - row);
            if (y < line)
                colour = QColor(0x9A, 0x9A, 0x9A);
            else if (y >= height - line || x >= width - line)
                colour = QColor(0x70, 0x70, 0x70);
            image.setPixelColor(x, y, colour);
        }
    }
    image.setDevicePixelRatio(grid.Ratio());
    return image;
}

QImage BarForeTexture(const TDeviceGrid& grid) {
    const int width = grid.X(BarTextureSize.width()), height = grid.Y(BarTextureSize.height());
    const int line = grid.Line();
    QImage image(width, height, QImage::Format_RGB888);
    const QColor field(0x00, 0xC0, 0x00);
    for (int y = 0; y < height; ++y) {
        const int shade = y * BarTextureSize.height() / height - 1; // 0 to 12 inside the lamp
        for (int x = 0; x < width; ++x) {
            QColor colour = field;
            if (x < width - line && y >= line && y < height - line) {
                // Orange-yellow, bright along the top like a lit lamp, darker at its sides.
                colour = y < 2 * line ? QColor(0xFF, 0xF0, 0x9A)
                                      : QColor(0xFF, 0xD8 - shade * 7, 0x40 - shade * 3);
                if (x < line || x >= width - 2 * line)
                    colour = colour.darker(112);
            }
            image.setPixelColor(x, y, colour);
        }
    }
    image.setDevicePixelRatio(grid.Ratio());
    return image;
}

} // namespace SplashPictures
