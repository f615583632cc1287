#pragma once

#include "widgets/DevicePixels.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>

// Drawing helpers shared by the skin's pictures: the canvas, gradients, glass tiles.
namespace SkinDraw {

// A picture of `logical` size being drawn for a local device grid. The painter draws in logical
// pixels (curves, symbols, text) or, between InDevicePixels() and InLogicalPixels(), in the
// picture's device pixels, where the edges that must be sharp are put through X, Y, Map and Line.
class TCanvas {
public:
    // The painter on the picture.
    QPainter p;

    // An opaque picture starts filled with `fill`, one with alpha transparent.
    TCanvas(QSize logical, const TDeviceGrid& grid, bool alpha = true,
            QColor fill = Qt::transparent);
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    const TDeviceGrid& Grid() const { return grid_; }
    qreal Ratio() const { return grid_.Ratio(); }
    int X(qreal x) const { return grid_.X(x); }
    int Y(qreal y) const { return grid_.Y(y); }
    QRect Map(const QRectF& logical) const { return grid_.Map(logical); }
    int Line(qreal logical = 1) const { return grid_.Line(logical); }

    void InDevicePixels();
    void InLogicalPixels();

    // Ends the painting; the picture carries the grid's device pixel ratio.
    QImage Finish();
    // Pixel work on the picture after Finish().
    QImage& Image() { return image_; }

private:
    TDeviceGrid grid_;
    QImage image_;
};

// Fills a logical rectangle on whole device pixels, flat or with a vertical gradient.
void FillRect(TCanvas& c, const QRectF& r, const QColor& colour);
void FillRect(TCanvas& c, const QRectF& r, const QColor& top, const QColor& bottom);

// A painter with antialiasing on, for smooth shapes.
void Smooth(QPainter& p);

// `a` blended towards `b` by t (0 gives a, 1 gives b), alpha included.
QColor Mix(const QColor& a, const QColor& b, double t);
QColor WithAlpha(QColor c, int alpha);

QLinearGradient Vertical(const QRectF& r, const QColor& top, const QColor& bottom);
QLinearGradient Horizontal(const QRectF& r, const QColor& left, const QColor& right);

QPainterPath RoundRect(const QRectF& r, qreal radius);

// The look of every raised control of the skin: a vertical gradient body, a glossy upper half, an
// inner highlight and a border, in logical pixels.
struct TTileLook {
    QColor top;
    QColor bottom;
    QColor border;
    qreal borderWidth = 1.0;
    int gloss = 60;     // alpha of the white sheen over the upper half
    int highlight = 60; // alpha of the inner light edge
};
// The centre line of a tile's border in device pixels: the rounded rectangle whose outer edge is
// `outer`, for a border `border` device pixels wide.
QPainterPath TileShape(const TCanvas& c, const QRectF& outer, qreal radius, int border);
// A tile whose outer edge is `outer` (logical), its border on whole device pixels.
void Tile(TCanvas& c, const QRectF& outer, qreal radius, const TTileLook& look);
// A tile of another shape: `shape` is its border's centre line in device pixels (TileShape).
void Tile(TCanvas& c, const QPainterPath& shape, const TTileLook& look);

// A sunken well filling `r` (logical): a dark rim, a shadowed top edge, a flat fill and a light
// line just below it.
void Well(TCanvas& c, const QRectF& r, qreal radius, const QColor& fill);

// Grey, faded copy of a picture, for controls that cannot be used.
QImage Disabled(const QImage& source);

// Maps a 16 x 16 design grid onto `box` for the lifetime of the scope.
class TGrid {
public:
    TGrid(QPainter& p, const QRectF& box);
    TGrid(const TGrid&) = delete;
    TGrid& operator=(const TGrid&) = delete;
    ~TGrid();

private:
    QPainter& p_;
};

} // namespace SkinDraw
