#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>

// Drawing helpers shared by the skin's pictures: fresh images, gradients, glass tiles.
namespace SkinDraw {

// A fully transparent ARGB image, or an opaque RGB image filled with `fill`.
QImage NewImage(QSize size, bool alpha, QColor fill = Qt::transparent);

// A painter with antialiasing on, for smooth shapes.
void Smooth(QPainter& p);

// `a` blended towards `b` by t (0 gives a, 1 gives b), alpha included.
QColor Mix(const QColor& a, const QColor& b, double t);
QColor WithAlpha(QColor c, int alpha);

QLinearGradient Vertical(const QRectF& r, const QColor& top, const QColor& bottom);
QLinearGradient Horizontal(const QRectF& r, const QColor& left, const QColor& right);

QPainterPath RoundRect(const QRectF& r, qreal radius);

// The look of every raised control of the skin: a vertical gradient body, a glossy upper half, an
// inner highlight and a one-pixel border.
struct TTileLook {
    QColor top;
    QColor bottom;
    QColor border;
    qreal borderWidth = 1.0;
    int gloss = 60;     // alpha of the white sheen over the upper half
    int highlight = 60; // alpha of the inner light edge
};
void Tile(QPainter& p, const QPainterPath& shape, const QRectF& bounds, const TTileLook& look);

// A sunken well: a dark rim, a shadowed top edge and a flat fill.
void Well(QPainter& p, const QRectF& r, qreal radius, const QColor& fill);

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
