#pragma once

#include <QRectF>
#include <QSizeF>

class QPainter;

// A picture made of drawing records rather than pixels (a Windows metafile): it is drawn anew at
// whatever size it is shown, so it stays sharp when the picture box scales it.
class TVectorPicture {
public:
    virtual ~TVectorPicture() = default;

    // The picture's own frame size in pixels; scaling keeps its proportions.
    virtual QSizeF FrameSize() const = 0;

    // Draws the picture so that its frame fills target.
    virtual void Play(QPainter& painter, const QRectF& target) const = 0;
};
