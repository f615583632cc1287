#pragma once

#include "widgets/DevicePixels.h"

#include <QIcon>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QSize>
#include <functional>
#include <memory>

// A picture drawn in code for the device pixels it lands on, so that it is sharp at every device
// pixel ratio: a widget asks for it through the grid of the place it shows it at, and each local
// grid is drawn once. Copies share the drawing and what has been drawn.
class TDrawnPicture {
public:
    // Draws the picture for a local grid: an image of the grid's extent of the picture's size.
    using TDraw = std::function<QImage(const TDeviceGrid&)>;

    TDrawnPicture() = default;
    TDrawnPicture(QSize size, TDraw draw);
    // A bitmap: its own pixels at its own device pixel ratio, scaled pixel by pixel elsewhere.
    static TDrawnPicture FromImage(const QImage& image);

    bool IsNull() const { return state_ == nullptr; }
    // In logical pixels.
    QSize Size() const;
    // The picture for the device pixels of a place: the grid's extent of Size(), carrying the
    // grid's ratio. Null for a null picture.
    QPixmap Pixmap(const TDeviceGrid& at) const;
    QImage Image(const TDeviceGrid& at) const { return Pixmap(at).toImage(); }
    // An icon drawn at whatever size and ratio it is asked for. `sizes` are those it offers to
    // who asks what it has (window managers, notification areas); by default the picture's own.
    QIcon Icon(const QList<QSize>& sizes = {}) const;

    // The same drawing, not merely the same pixels.
    bool operator==(const TDrawnPicture& other) const { return state_ == other.state_; }

private:
    struct TState;
    std::shared_ptr<TState> state_;
};
