#pragma once

#include <QPointer>
#include <QWidget>

class TVideoEngine;

// Draws the frames of a video engine into a widget, stretched to the surface's whole area; the
// surface goes wherever and at whatever size its owner places it. The engine is asked for frames
// of the surface's size, so each is scaled once, while decoded, and drawn as it comes: one copy
// into the window, with nothing beneath it painted first. It takes no mouse input, so whatever
// lies beneath keeps its context menu over the video.
class TVideoSurface : public QWidget {
    Q_OBJECT

public:
    explicit TVideoSurface(QWidget* parent = nullptr);

    void SetEngine(TVideoEngine* engine);

signals:
    // A frame not drawn before has been drawn.
    void FramePresented();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnFrameChanged();
    // The surface's size in the screen's pixels; empty until it is placed.
    QSize PixelSize() const;

    QPointer<TVideoEngine> engine_;
    quint64 paintedFrame_ = 0;
};
