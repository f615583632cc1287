#pragma once

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QRegion>
#include <QSize>
#include <QTransform>

class QColor;
class QPainter;

// How logical pixels land on the device pixels of a screen. The window system puts every edge of
// a widget (its clip, the window's outline) on the device pixel nearest to the edge's logical
// place times the ratio, halves rounding up. Everything drawn through a grid rounds edges the
// same way, so a picture fills its widget exactly and what meets in logical pixels meets in device
// pixels too, without a seam or an overlap, whatever the ratio.
class TDeviceGrid {
public:
    // `origin`: the device position of the logical origin; a fractional ratio may put it between
    // two device pixels.
    explicit TDeviceGrid(qreal ratio = 1, QPointF origin = {});

    qreal Ratio() const { return ratio_; }
    // The device pixel on which the logical origin lands.
    QPoint Origin() const;
    // The same grid counted from Origin(): what a picture placed at the logical origin is drawn
    // for. Two places with the same local grid take the same picture.
    TDeviceGrid Local() const;
    bool operator==(const TDeviceGrid&) const = default;

    // The grid of what is placed `by` logical pixels further.
    TDeviceGrid Moved(QPointF by) const { return TDeviceGrid(ratio_, origin_ + by * ratio_); }
    // Logical positions to device positions counted from Origin(), without rounding: for what
    // may fall between pixels (curves, text).
    QTransform Transform() const;
    // The device edge of a logical edge, counted from Origin().
    int X(qreal x) const;
    int Y(qreal y) const;
    QRect Map(const QRectF& logical) const;
    // The device pixels a picture of `logical` size covers when placed at the logical origin.
    QSize Extent(QSizeF logical) const { return Map(QRectF(QPointF(), logical)).size(); }
    // A line `logical` pixels thick as a whole number of device pixels, at least one.
    int Line(qreal logical = 1) const;
    // A region of logical rectangles as the device pixels the window system gives it, counted
    // from Origin().
    QRegion MapRegion(const QRegion& logical) const;

private:
    qreal ratio_;
    QPointF origin_;
};

// For its lifetime the painter draws in the device pixels of its paint device, so that pictures
// drawn for the device land pixel for pixel and edges fall on whole pixels. Grid() says where
// the painter's logical pixels were.
class TDevicePainting {
public:
    explicit TDevicePainting(QPainter& painter);
    ~TDevicePainting();
    TDevicePainting(const TDevicePainting&) = delete;
    TDevicePainting& operator=(const TDevicePainting&) = delete;

    const TDeviceGrid& Grid() const { return grid_; }
    // A rectangle of the painter's logical pixels as device pixels of its paint device.
    QRect Map(const QRectF& logical) const;

private:
    QPainter& painter_;
    TDeviceGrid grid_;
};

// A frame `width` device pixels wide just inside `r`, for a painter in device pixels.
void FillFrame(QPainter& painter, const QRect& r, int width, const QColor& colour);
