#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <optional>

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
    // A still picture drawn in place of the engine's frames, as a frame is (stretched to the
    // whole surface); a null image gives the surface back to the engine.
    void SetStill(const QImage& still);
    // The surface's size in the screen's pixels; empty until it is placed.
    QSize PixelSize() const;

signals:
    // A frame not drawn before has been drawn.
    void FramePresented();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnFrameChanged();

    QPointer<TVideoEngine> engine_;
    QImage still_;
    // The frame drawn last, by its engine's number; unset when the next one drawn is new.
    std::optional<quint64> paintedFrame_;
};
