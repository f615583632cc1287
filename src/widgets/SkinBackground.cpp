// The main window's background: title band, server panel, settings panel and the window outline.
#include "widgets/SkinDraw.h"
#include "widgets/SkinGlyphs.h"
#include "widgets/SkinPictures.h"
#include "widgets/SkinZones.h"

#include <algorithm>
#include <array>
#include <vector>

namespace Skin {

namespace {

using SkinDraw::Vertical;
using SkinDraw::WithAlpha;

constexpr qreal kPanelRadius = 6;

void PaintTitleBand(QPainter& p) {
    const QRectF band(TitleBand);
    p.setPen(Qt::NoPen);
    p.setBrush(Vertical(band, QColor(0x0F, 0x3A, 0x6E), QColor(0x1E, 0x54, 0x96)));
    p.drawRect(band);
    const QRectF upper(band.left(), band.top(), band.width(), 24);
    p.setBrush(Vertical(upper, QColor(255, 255, 255, 34), QColor(255, 255, 255, 4)));
    p.drawRect(upper);

    // A faint web of linked nodes: the display network the program serves. Fixed positions, so
    // the picture is the same on every run.
    static constexpr std::array<QPoint, 14> nodes{{{300, 30},
                                                   {338, 12},
                                                   {371, 36},
                                                   {410, 18},
                                                   {452, 40},
                                                   {487, 10},
                                                   {520, 29},
                                                   {561, 15},
                                                   {596, 38},
                                                   {624, 20},
                                                   {652, 34},
                                                   {668, 9},
                                                   {430, 6},
                                                   {545, 44}}};
    static constexpr std::array<std::pair<int, int>, 19> links{{{0, 1},
                                                                {0, 2},
                                                                {1, 3},
                                                                {2, 3},
                                                                {3, 4},
                                                                {3, 12},
                                                                {12, 5},
                                                                {4, 6},
                                                                {5, 6},
                                                                {6, 7},
                                                                {6, 13},
                                                                {13, 8},
                                                                {7, 8},
                                                                {8, 9},
                                                                {7, 9},
                                                                {9, 10},
                                                                {9, 11},
                                                                {2, 4},
                                                                {10, 8}}};
    // The web fades in from the left, so the program name stays on a clean band.
    QLinearGradient fade(QPointF(280, 0), QPointF(700, 0));
    fade.setColorAt(0, QColor(180, 215, 255, 0));
    fade.setColorAt(0.35, QColor(180, 215, 255, 46));
    fade.setColorAt(1, QColor(180, 215, 255, 30));
    p.setPen(QPen(QBrush(fade), 1.0));
    for (auto [a, b] : links)
        p.drawLine(QPointF(nodes[static_cast<size_t>(a)]) + QPointF(0.5, 0.5),
                   QPointF(nodes[static_cast<size_t>(b)]) + QPointF(0.5, 0.5));
    p.setPen(Qt::NoPen);
    for (const QPoint& n : nodes) {
        const qreal t = std::clamp((n.x() - 280) / 420.0, 0.0, 1.0);
        p.setBrush(QColor(200, 228, 255, static_cast<int>(30 + 70 * std::min(1.0, t * 2.5))));
        p.drawEllipse(QPointF(n) + QPointF(0.5, 0.5), 1.8, 1.8);
    }

    // Gold hairline above a dark edge closes the band.
    QLinearGradient gold(QPointF(0, 0), QPointF(band.width(), 0));
    gold.setColorAt(0, WithAlpha(QColor(TitleNameColor), 0));
    gold.setColorAt(0.15, WithAlpha(QColor(TitleNameColor), 150));
    gold.setColorAt(0.85, WithAlpha(QColor(TitleNameColor), 150));
    gold.setColorAt(1, WithAlpha(QColor(TitleNameColor), 0));
    p.setBrush(gold);
    p.drawRect(QRectF(0, 48, band.width(), 1));
    p.setBrush(QColor(0x08, 0x24, 0x48));
    p.drawRect(QRectF(0, 49, band.width(), 1));

    // A recessed tray behind the four title buttons and a socket for the start indicator.
    const QRectF tray(QRectF(TitleButtons).adjusted(-3.5, -2.5, 2.5, 3.5));
    p.setBrush(QColor(0, 0, 0, 48));
    p.drawRoundedRect(tray, 6, 6);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 34), 1.0));
    p.drawLine(tray.bottomLeft() + QPointF(6, 0), tray.bottomRight() - QPointF(6, 0));
    p.setPen(Qt::NoPen);
    const QRectF socket(QRectF(IndicatorFrame).adjusted(-2.5, -2.5, 2.5, 2.5));
    p.setBrush(QColor(0, 0, 0, 64));
    p.drawRoundedRect(socket, 3, 3);
    p.setPen(QPen(QColor(255, 255, 255, 40), 1.0));
    p.drawLine(socket.bottomLeft() + QPointF(3, 0), socket.bottomRight() - QPointF(3, 0));
}

// A panel: dark body with a header strip, rounded corners, a soft shadow and light edges.
void PaintPanel(QPainter& p, const QRect& panelRect, const QRect& headerRect, bool lightHeader) {
    const QRectF panel(panelRect);
    const QRectF header(headerRect);
    const QPainterPath shape = SkinDraw::RoundRect(panel, kPanelRadius);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 34));
    p.drawPath(shape.translated(0, 2));
    p.setBrush(QColor(0, 0, 0, 40));
    p.drawPath(shape.translated(0, 1));

    p.save();
    p.setClipPath(shape);
    const QRectF body(panel.left(), header.bottom(), panel.width(),
                      panel.bottom() - header.bottom());
    p.setBrush(Vertical(body, QColor(0x20, 0x52, 0x8F), QColor(0x1B, 0x47, 0x80)));
    p.drawRect(body);
    // Light falls on the body from the upper left.
    QRadialGradient light(body.topLeft() + QPointF(120, 10), 420);
    light.setColorAt(0, QColor(255, 255, 255, 13));
    light.setColorAt(1, QColor(255, 255, 255, 0));
    p.setBrush(light);
    p.drawRect(body);

    if (lightHeader) {
        p.setBrush(Vertical(header, QColor(0xE4, 0xEE, 0xF9), QColor(0xC9, 0xDC, 0xF2)));
        p.drawRect(header);
        p.setBrush(QColor(255, 255, 255, 220));
        p.drawRect(QRectF(header.left(), header.top(), header.width(), 1));
        p.setBrush(QColor(0x9D, 0xB9, 0xDD));
        p.drawRect(QRectF(header.left(), header.bottom() - 2, header.width(), 1));
    } else {
        p.setBrush(Vertical(header, QColor(0x0D, 0x32, 0x5F), QColor(0x17, 0x45, 0x7F)));
        p.drawRect(header);
        p.setBrush(QColor(255, 255, 255, 40));
        p.drawRect(QRectF(header.left(), header.top(), header.width(), 1));
        QLinearGradient gold(header.bottomLeft(), header.bottomRight());
        gold.setColorAt(0, WithAlpha(QColor(TitleNameColor), 110));
        gold.setColorAt(0.6, WithAlpha(QColor(TitleNameColor), 40));
        gold.setColorAt(1, WithAlpha(QColor(TitleNameColor), 0));
        p.setBrush(gold);
        p.drawRect(QRectF(header.left(), header.bottom() - 2, header.width(), 1));
    }
    p.setBrush(QColor(0x0D, 0x32, 0x64));
    p.drawRect(QRectF(header.left(), header.bottom() - 1, header.width(), 1));

    // The product motif as a watermark at the right end of the header.
    p.setOpacity(lightHeader ? 0.28 : 0.35);
    SkinGlyph::Network(p, QRectF(header.right() - 38, header.top() + 3, 27, 27));
    p.setOpacity(1.0);
    p.restore();

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 36), 1.0));
    p.drawPath(SkinDraw::RoundRect(panel.adjusted(1.5, 1.5, -1.5, -1.5), kPanelRadius - 1));
    p.setPen(QPen(QColor(0x0A, 0x2A, 0x55), 1.0));
    p.drawPath(SkinDraw::RoundRect(panel.adjusted(0.5, 0.5, -0.5, -0.5), kPanelRadius));
}

// Rims the visible outline pixel by pixel: a dark edge on every outline pixel, then a light
// line just inside along the top and left and a darker one along the bottom and right.
void PaintOutline(QImage& image) {
    const int w = image.width(), h = image.height();
    std::vector<char> inside(static_cast<size_t>(w * h), 0);
    for (const QRect& r : WindowOutline())
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                inside[static_cast<size_t>(y * w + x)] = 1;
    const auto in = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < w && y < h && inside[static_cast<size_t>(y * w + x)];
    };
    const auto edge = [&](int x, int y) {
        return in(x, y) && (!in(x - 1, y) || !in(x + 1, y) || !in(x, y - 1) || !in(x, y + 1));
    };
    const auto blend = [&](int x, int y, QColor c, double t) {
        image.setPixelColor(x, y, SkinDraw::Mix(image.pixelColor(x, y), c, t));
    };
    std::vector<QPoint> lightRing, darkRing;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (!in(x, y) || edge(x, y))
                continue;
            if (edge(x - 1, y) || edge(x, y - 1))
                lightRing.emplace_back(x, y);
            else if (edge(x + 1, y) || edge(x, y + 1))
                darkRing.emplace_back(x, y);
        }
    for (const QPoint& pt : lightRing)
        blend(pt.x(), pt.y(), Qt::white, 0.22);
    for (const QPoint& pt : darkRing)
        blend(pt.x(), pt.y(), Qt::black, 0.25);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (edge(x, y))
                image.setPixelColor(x, y, QColor(0x06, 0x1A, 0x36));
}

} // namespace

QRegion WindowOutline() {
    static constexpr std::array<QRect, 9> rows{{{6, 1, 790, 1},
                                                {4, 2, 794, 1},
                                                {3, 3, 796, 1},
                                                {2, 4, 798, 2},
                                                {1, 6, 800, 590},
                                                {2, 596, 798, 2},
                                                {3, 598, 796, 1},
                                                {4, 599, 794, 1},
                                                {6, 600, 790, 1}}};
    QRegion region;
    for (const QRect& r : rows)
        region += r;
    return region;
}

QImage MainBackground() {
    QImage image = SkinDraw::NewImage(BackgroundSize, false, QColor(FaceColor));
    QPainter p(&image);
    SkinDraw::Smooth(p);

    // The face between and around the panels: the window colour with a gentle fall of light.
    const QRectF face(0, TitleBand.bottom() + 1, BackgroundSize.width(),
                      BackgroundSize.height() - TitleBand.height());
    p.setPen(Qt::NoPen);
    p.setBrush(Vertical(face, QColor(0x3A, 0x70, 0xBA), QColor(0x32, 0x63, 0xA8)));
    p.drawRect(face);

    PaintTitleBand(p);
    PaintPanel(p, ServerPanel, ServerHeader, true);
    PaintPanel(p, SettingsPanel, SettingsHeader, false);
    p.end();

    PaintOutline(image);
    return image.convertToFormat(QImage::Format_RGB888);
}

} // namespace Skin
