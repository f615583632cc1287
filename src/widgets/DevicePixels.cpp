#include "widgets/DevicePixels.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

// Halves round up, as the window system rounds a widget's edges; also for the negative
// fractions of a local grid, where a plain qRound would round away from zero.
int Round(qreal value) {
    return static_cast<int>(std::floor(value + 0.5));
}

// The painter's whole mapping to its device: world transform, device pixel ratio and the place of
// a widget in its window.
TDeviceGrid GridOf(const QPainter& painter) {
    const QTransform& full = painter.deviceTransform();
    return TDeviceGrid(full.m11(), full.map(QPointF()));
}

} // namespace

TDeviceGrid::TDeviceGrid(qreal ratio, QPointF origin) : ratio_(ratio), origin_(origin) {}

QPoint TDeviceGrid::Origin() const {
    return {Round(origin_.x()), Round(origin_.y())};
}

TDeviceGrid TDeviceGrid::Local() const {
    return TDeviceGrid(ratio_, origin_ - QPointF(Origin()));
}

QTransform TDeviceGrid::Transform() const {
    const QPointF shift = origin_ - QPointF(Origin());
    return {ratio_, 0, 0, ratio_, shift.x(), shift.y()};
}

int TDeviceGrid::X(qreal x) const {
    return Round(origin_.x() + x * ratio_) - Round(origin_.x());
}

int TDeviceGrid::Y(qreal y) const {
    return Round(origin_.y() + y * ratio_) - Round(origin_.y());
}

QRect TDeviceGrid::Map(const QRectF& logical) const {
    const int left = X(logical.left()), top = Y(logical.top());
    return {left, top, X(logical.right()) - left, Y(logical.bottom()) - top};
}

int TDeviceGrid::Line(qreal logical) const {
    return std::max(1, Round(logical * ratio_));
}

QRegion TDeviceGrid::MapRegion(const QRegion& logical) const {
    QRegion device;
    for (const QRect& r : logical)
        device += Map(QRectF(r));
    return device;
}

TDevicePainting::TDevicePainting(QPainter& painter) : painter_(painter), grid_(GridOf(painter)) {
    painter_.save();
    // The world transform that undoes the rest of the mapping.
    painter_.setWorldTransform(painter_.deviceTransform().inverted() * painter_.worldTransform());
}

TDevicePainting::~TDevicePainting() {
    painter_.restore();
}

QRect TDevicePainting::Map(const QRectF& logical) const {
    return grid_.Map(logical).translated(grid_.Origin());
}

void FillFrame(QPainter& painter, const QRect& r, int width, const QColor& colour) {
    painter.fillRect(QRect(r.left(), r.top(), r.width(), width), colour);
    painter.fillRect(QRect(r.left(), r.bottom() + 1 - width, r.width(), width), colour);
    painter.fillRect(QRect(r.left(), r.top(), width, r.height()), colour);
    painter.fillRect(QRect(r.right() + 1 - width, r.top(), width, r.height()), colour);
}
