#include "widgets/SkinDraw.h"

#include <algorithm>
#include <cmath>

namespace SkinDraw {

QImage NewImage(QSize size, bool alpha, QColor fill) {
    QImage image(size, alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    image.fill(alpha ? fill : QColor(fill.rgb()));
    return image;
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

void Tile(QPainter& p, const QPainterPath& shape, const QRectF& bounds, const TTileLook& look) {
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(Vertical(bounds, look.top, look.bottom));
    p.drawPath(shape);

    // Sheen over the upper half, clipped to the shape.
    p.setClipPath(shape);
    QRectF upper(bounds.left(), bounds.top(), bounds.width(), bounds.height() * 0.5);
    p.setBrush(
        Vertical(upper, QColor(255, 255, 255, look.gloss), QColor(255, 255, 255, look.gloss / 6)));
    p.drawRect(upper);
    p.setClipping(false);

    // Light inner edge, brighter at the top.
    if (look.highlight > 0) {
        QPen inner(QBrush(Vertical(bounds, QColor(255, 255, 255, look.highlight),
                                   QColor(255, 255, 255, look.highlight / 5))),
                   1.0);
        p.setPen(inner);
        p.setBrush(Qt::NoBrush);
        QTransform shrink;
        const QPointF c = bounds.center();
        const qreal sx = (bounds.width() - 2 * look.borderWidth - 1) / bounds.width();
        const qreal sy = (bounds.height() - 2 * look.borderWidth - 1) / bounds.height();
        shrink.translate(c.x(), c.y());
        shrink.scale(sx, sy);
        shrink.translate(-c.x(), -c.y());
        p.drawPath(shrink.map(shape));
    }

    p.setPen(QPen(look.border, look.borderWidth));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shape);
    p.restore();
}

void Well(QPainter& p, const QRectF& r, qreal radius, const QColor& fill) {
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(RoundRect(r, radius));
    // Shadow along the top edge, light along the bottom: the field lies below the surface.
    p.setClipPath(RoundRect(r, radius));
    p.setBrush(
        Vertical(QRectF(r.left(), r.top(), r.width(), 4), QColor(0, 0, 0, 90), QColor(0, 0, 0, 0)));
    p.drawRect(QRectF(r.left(), r.top(), r.width(), 4));
    p.setClipping(false);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(4, 24, 52, 220), 1.0));
    p.drawPath(RoundRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius));
    p.setPen(QPen(QColor(255, 255, 255, 45), 1.0));
    p.drawLine(QPointF(r.left() + radius, r.bottom() + 0.5),
               QPointF(r.right() - radius, r.bottom() + 0.5));
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
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
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
