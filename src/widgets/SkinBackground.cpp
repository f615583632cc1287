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

using SkinDraw::FillRect;
using SkinDraw::TCanvas;
using SkinDraw::Vertical;
using SkinDraw::WithAlpha;

constexpr qreal kPanelRadius = 6;

// Lines one logical pixel thick, on whole device pixels: the k-th line below the logical row
// edge `y` or above it, from `left` for `width` logical pixels. Lines that belong to an edge stay
// on it, however the rows between them round.
QRect LineBelow(const TCanvas& c, qreal left, qreal width, qreal y, int k = 0) {
    return QRect(c.X(left), c.Y(y) + k * c.Line(), c.X(left + width) - c.X(left), c.Line());
}

QRect LineAbove(const TCanvas& c, qreal left, qreal width, qreal y, int k = 0) {
    return LineBelow(c, left, width, y, -k - 1);
}

void PaintTitleBand(TCanvas& c) {
    QPainter& p = c.p;
    const QRectF band(TitleBand);
    FillRect(c, band, QColor(0x0F, 0x3A, 0x6E), QColor(0x1E, 0x54, 0x96));
    FillRect(c, QRectF(band.left(), band.top(), band.width(), 24), QColor(255, 255, 255, 34),
             QColor(255, 255, 255, 4));

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
    c.InDevicePixels();
    QLinearGradient gold(QPointF(0, 0), QPointF(c.X(band.width()), 0));
    gold.setColorAt(0, WithAlpha(QColor(TitleNameColor), 0));
    gold.setColorAt(0.15, WithAlpha(QColor(TitleNameColor), 150));
    gold.setColorAt(0.85, WithAlpha(QColor(TitleNameColor), 150));
    gold.setColorAt(1, WithAlpha(QColor(TitleNameColor), 0));
    p.fillRect(LineAbove(c, 0, band.width(), band.bottom(), 1), gold);
    p.fillRect(LineAbove(c, 0, band.width(), band.bottom()), QColor(0x08, 0x24, 0x48));

    // A recessed tray behind the four title buttons and a socket for the start indicator, each
    // with light catching its lower edge.
    const QRectF tray(QRectF(TitleButtons).adjusted(-3.5, -2.5, 2.5, 3.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 48));
    p.drawRoundedRect(c.Map(tray), 6 * c.Ratio(), 6 * c.Ratio());
    p.fillRect(LineAbove(c, tray.left() + 6, tray.width() - 12, tray.bottom() + 0.5),
               QColor(255, 255, 255, 34));
    const QRectF socket(QRectF(IndicatorFrame).adjusted(-2.5, -2.5, 2.5, 2.5));
    p.setBrush(QColor(0, 0, 0, 64));
    p.drawRoundedRect(c.Map(socket), 3 * c.Ratio(), 3 * c.Ratio());
    p.fillRect(LineAbove(c, socket.left() + 3, socket.width() - 6, socket.bottom() + 0.5),
               QColor(255, 255, 255, 40));
    c.InLogicalPixels();
}

// A panel: dark body with a header strip, rounded corners, a soft shadow and light edges.
void PaintPanel(TCanvas& c, const QRect& panelRect, const QRect& headerRect, bool lightHeader) {
    QPainter& p = c.p;
    const QRectF panel(panelRect);
    const QRectF header(headerRect);
    const qreal radius = kPanelRadius * c.Ratio();
    const int line = c.Line();
    c.InDevicePixels();
    const QRectF area(c.Map(panel));
    const QPainterPath shape = SkinDraw::RoundRect(area, radius);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 34));
    p.drawPath(shape.translated(0, 2 * line));
    p.setBrush(QColor(0, 0, 0, 40));
    p.drawPath(shape.translated(0, line));

    p.save();
    p.setClipPath(shape);
    const QRectF body(panel.left(), header.bottom(), panel.width(),
                      panel.bottom() - header.bottom());
    c.InLogicalPixels();
    FillRect(c, body, QColor(0x20, 0x52, 0x8F), QColor(0x1B, 0x47, 0x80));
    // Light falls on the body from the upper left; the panel's shape cuts it.
    QRadialGradient light(body.topLeft() + QPointF(120, 10), 420);
    light.setColorAt(0, QColor(255, 255, 255, 13));
    light.setColorAt(1, QColor(255, 255, 255, 0));
    p.setBrush(light);
    p.drawRect(body.adjusted(-1, 0, 1, 1));

    const qreal left = header.left(), width = header.width();
    c.InDevicePixels();
    if (lightHeader) {
        FillRect(c, header, QColor(0xE4, 0xEE, 0xF9), QColor(0xC9, 0xDC, 0xF2));
        p.fillRect(LineBelow(c, left, width, header.top()), QColor(255, 255, 255, 220));
        p.fillRect(LineAbove(c, left, width, header.bottom(), 1), QColor(0x9D, 0xB9, 0xDD));
    } else {
        FillRect(c, header, QColor(0x0D, 0x32, 0x5F), QColor(0x17, 0x45, 0x7F));
        p.fillRect(LineBelow(c, left, width, header.top()), QColor(255, 255, 255, 40));
        QLinearGradient gold(QPointF(c.X(left), 0), QPointF(c.X(left + width), 0));
        gold.setColorAt(0, WithAlpha(QColor(TitleNameColor), 110));
        gold.setColorAt(0.6, WithAlpha(QColor(TitleNameColor), 40));
        gold.setColorAt(1, WithAlpha(QColor(TitleNameColor), 0));
        p.fillRect(LineAbove(c, left, width, header.bottom(), 1), gold);
    }
    p.fillRect(LineAbove(c, left, width, header.bottom()), QColor(0x0D, 0x32, 0x64));

    // The product motif as a watermark at the right end of the header.
    c.InLogicalPixels();
    p.setOpacity(lightHeader ? 0.28 : 0.35);
    SkinGlyph::Network(p, QRectF(header.right() - 38, header.top() + 3, 27, 27));
    p.setOpacity(1.0);
    p.restore();

    c.InDevicePixels();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 36), line));
    p.drawPath(SkinDraw::RoundRect(area.adjusted(1.5 * line, 1.5 * line, -1.5 * line, -1.5 * line),
                                   radius - line));
    p.setPen(QPen(QColor(0x0A, 0x2A, 0x55), line));
    p.drawPath(SkinDraw::RoundRect(area.adjusted(line / 2.0, line / 2.0, -line / 2.0, -line / 2.0),
                                   radius));
    c.InLogicalPixels();
}

// How far each device pixel lies inside the outline, counted along rows and columns to the
// nearest pixel outside it, and from which side that pixel is: the rim follows the outline's
// steps as the window system cuts it.
struct TDepth {
    int distance = 0; // 0: outside
    bool fromTopLeft = false;
};

std::vector<TDepth> OutlineDepths(const QRegion& outline, int w, int h) {
    std::vector<char> inside(static_cast<size_t>(w * h), 0);
    for (const QRect& r : outline)
        for (int y = std::max(r.top(), 0); y <= std::min(r.bottom(), h - 1); ++y)
            for (int x = std::max(r.left(), 0); x <= std::min(r.right(), w - 1); ++x)
                inside[static_cast<size_t>(y * w + x)] = 1;
    const auto at = [w](int x, int y) { return static_cast<size_t>(y * w + x); };
    std::vector<TDepth> depth(inside.size());
    const auto note = [&](size_t i, int distance, bool fromTopLeft) {
        if (depth[i].distance == 0 || distance < depth[i].distance ||
            (distance == depth[i].distance && fromTopLeft))
            depth[i] = {distance, fromTopLeft};
    };
    // Four sweeps along the lines of pixels: rows from the left and from the right, columns from
    // the top and from the bottom.
    const auto sweep = [&](int lines, int length, auto pixel, bool fromTopLeft) {
        for (int line = 0; line < lines; ++line) {
            int run = 0;
            for (int k = 0; k < length; ++k) {
                const size_t i = pixel(line, fromTopLeft ? k : length - 1 - k);
                if (inside[i] != 0)
                    note(i, ++run, fromTopLeft);
                else
                    run = 0;
            }
        }
    };
    const auto inRow = [&](int y, int x) { return at(x, y); };
    const auto inColumn = [&](int x, int y) { return at(x, y); };
    for (const bool fromTopLeft : {true, false}) {
        sweep(h, w, inRow, fromTopLeft);
        sweep(w, h, inColumn, fromTopLeft);
    }
    return depth;
}

// Rims the visible outline: a dark edge on its outermost line of device pixels, then a light
// line just inside along the top and left and a darker one along the bottom and right.
void PaintOutline(QImage& image, const TDeviceGrid& grid) {
    const int w = image.width(), h = image.height();
    const int line = grid.Line();
    const std::vector<TDepth> depth = OutlineDepths(grid.MapRegion(WindowOutline()), w, h);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const TDepth d = depth[static_cast<size_t>(y * w + x)];
            if (d.distance == 0 || d.distance > 2 * line)
                continue;
            const QColor here = QColor::fromRgb(row[x]);
            if (d.distance <= line)
                row[x] = qRgb(0x06, 0x1A, 0x36);
            else if (d.fromTopLeft)
                row[x] = SkinDraw::Mix(here, Qt::white, 0.22).rgb();
            else
                row[x] = SkinDraw::Mix(here, Qt::black, 0.25).rgb();
        }
    }
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

QImage MainBackground(const TDeviceGrid& grid) {
    TCanvas c(BackgroundSize, grid, false, QColor(FaceColor));

    // The face between and around the panels: the window colour with a gentle fall of light.
    FillRect(c,
             QRectF(0, TitleBand.bottom() + 1, BackgroundSize.width(),
                    BackgroundSize.height() - TitleBand.height()),
             QColor(0x3A, 0x70, 0xBA), QColor(0x32, 0x63, 0xA8));

    PaintTitleBand(c);
    PaintPanel(c, ServerPanel, ServerHeader, true);
    PaintPanel(c, SettingsPanel, SettingsHeader, false);
    c.Finish();

    QImage& image = c.Image();
    PaintOutline(image, grid);
    QImage picture = image.convertToFormat(QImage::Format_RGB888);
    picture.setDevicePixelRatio(grid.Ratio());
    return picture;
}

} // namespace Skin
