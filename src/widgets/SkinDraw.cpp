#include "widgets/SkinDraw.h"

#include <algorithm>
#include <cmath>

namespace SkinDraw {

TCanvas::TCanvas(QSize logical, const TDeviceGrid& grid, bool alpha, QColor fill)
    : grid_(grid), image_(grid.Extent(logical),
                          alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32) {
    image_.fill(alpha ? fill : QColor(fill.rgb()));
    // The picture takes its device pixel ratio when it is finished; until then the painter maps
    // logical pixels itself.
    p.begin(&image_);
    Smooth(p);
    InLogicalPixels();
}

void TCanvas::InDevicePixels() {
    p.setWorldTransform(QTransform());
}

void TCanvas::InLogicalPixels() {
    p.setWorldTransform(grid_.Transform());
}

QImage TCanvas::Finish() {
    if (p.isActive())
        p.end();
    image_.setDevicePixelRatio(grid_.Ratio());
    return image_;
}

void FillRect(TCanvas& c, const QRectF& r, const QColor& colour) {
    FillRect(c, r, colour, colour);
}

void FillRect(TCanvas& c, const QRectF& r, const QColor& top, const QColor& bottom) {
    c.p.save();
    c.InDevicePixels();
    const QRect area = c.Map(r);
    if (top == bottom)
        c.p.fillRect(area, top);
    else
        c.p.fillRect(area, Vertical(QRectF(area), top, bottom));
    c.p.restore();
}

void Smooth(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

QColor Mix(const QColor& a, const QColor& b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    auto mix = [t](int x, int y) { return static_cast<int>(std::lround(x + (y - x) * t)); };
    return QColor(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue()),
                  mix(a.alpha(), b.alpha()));
}

QColor WithAlpha(QColor c, int alpha) {
    c.setAlpha(alpha);
    return c;
}

QLinearGradient Vertical(const QRectF& r, const QColor& top, const QColor& bottom) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    return g;
}

QLinearGradient Horizontal(const QRectF& r, const QColor& left, const QColor& right) {
    QLinearGradient g(r.topLeft(), r.topRight());
    g.setColorAt(0, left);
    g.setColorAt(1, right);
    return g;
}

QPainterPath RoundRect(const QRectF& r, qreal radius) {
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

QPainterPath TileShape(const TCanvas& c, const QRectF& outer, qreal radius, int border) {
    const qreal half = border / 2.0;
    return RoundRect(QRectF(c.Map(outer)).adjusted(half, half, -half, -half), radius * c.Ratio());
}

void Tile(TCanvas& c, const QRectF& outer, qreal radius, const TTileLook& look) {
    Tile(c, TileShape(c, outer, radius, c.Line(look.borderWidth)), look);
}

void Tile(TCanvas& c, const QPainterPath& shape, const TTileLook& look) {
    QPainter& p = c.p;
    p.save();
    c.InDevicePixels();
    const int border = c.Line(look.borderWidth);
    const QRectF line = shape.boundingRect();
    const QRectF bounds = line.adjusted(-border / 2.0, -border / 2.0, border / 2.0, border / 2.0);
    p.setPen(Qt::NoPen);
    p.setBrush(Vertical(bounds, look.top, look.bottom));
    p.drawPath(shape);

    // Sheen over the upper half, clipped to the shape.
    p.setClipPath(shape);
    const QRectF upper(bounds.left(), bounds.top(), bounds.width(),
                       std::round(bounds.height() / 2));
    p.setBrush(
        Vertical(upper, QColor(255, 255, 255, look.gloss), QColor(255, 255, 255, look.gloss / 6)));
    p.drawRect(upper);
    p.setClipping(false);

    // Light inner edge just inside the border, brighter at the top.
    if (look.highlight > 0) {
        const int width = c.Line(1);
        p.setPen(QPen(QBrush(Vertical(bounds, QColor(255, 255, 255, look.highlight),
                                      QColor(255, 255, 255, look.highlight / 5))),
                      width));
        p.setBrush(Qt::NoBrush);
        QTransform shrink;
        const QPointF centre = line.center();
        shrink.translate(centre.x(), centre.y());
        shrink.scale((line.width() - border - width) / line.width(),
                     (line.height() - border - width) / line.height());
        shrink.translate(-centre.x(), -centre.y());
        p.drawPath(shrink.map(shape));
    }

    p.setPen(QPen(look.border, border));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shape);
    p.restore();
}

void Well(TCanvas& c, const QRectF& r, qreal radius, const QColor& fill) {
    QPainter& p = c.p;
    p.save();
    c.InDevicePixels();
    const QRectF well(c.Map(r));
    const qreal round = radius * c.Ratio();
    const int line = c.Line(1);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(RoundRect(well, round));
    // Shadow along the top edge, light along the bottom: the field lies below the surface.
    p.setClipPath(RoundRect(well, round));
    const QRectF shadow(well.left(), well.top(), well.width(), c.Line(4));
    p.setBrush(Vertical(shadow, QColor(0, 0, 0, 90), QColor(0, 0, 0, 0)));
    p.drawRect(shadow);
    p.setClipping(false);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(4, 24, 52, 220), line));
    p.drawPath(RoundRect(well.adjusted(line / 2.0, line / 2.0, -line / 2.0, -line / 2.0), round));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 45));
    p.drawRect(QRectF(well.left() + round, well.bottom(), well.width() - 2 * round, line));
    p.restore();
}

QImage Disabled(const QImage& source) {
    QImage image = source.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb px = line[x];
            // Compress the grey towards a cool mid tone so the picture reads as inactive.
            const int grey = 70 + qGray(px) * 110 / 255;
            line[x] = qRgba(grey, grey + 6, grey + 16, qAlpha(px) * 3 / 4);
        }
    }
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(source.devicePixelRatio());
    return image;
}

TGrid::TGrid(QPainter& p, const QRectF& box) : p_(p) {
    p_.save();
    p_.translate(box.topLeft());
    p_.scale(box.width() / 16.0, box.height() / 16.0);
}

TGrid::~TGrid() {
    p_.restore();
}

} // namespace SkinDraw
