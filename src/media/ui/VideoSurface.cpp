#include "media/ui/VideoSurface.h"

#include "media/VideoEngine.h"

#include <QPainter>

TVideoSurface::TVideoSurface(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
}

void TVideoSurface::SetEngine(TVideoEngine* engine) {
    if (engine_)
        disconnect(engine_, nullptr, this, nullptr);
    engine_ = engine;
    // Another engine numbers its frames anew: its first one drawn is new, whatever its number.
    paintedFrame_.reset();
    if (engine != nullptr) {
        if (!engine->Frame().isNull())
            setAttribute(Qt::WA_OpaquePaintEvent); // a frame prerolled before it came here
        connect(engine, &TVideoEngine::FrameChanged, this, &TVideoSurface::OnFrameChanged);
        engine->SetFrameSize(PixelSize());
    }
    update();
}

void TVideoSurface::SetStill(const QImage& still) {
    still_ = still;
    paintedFrame_.reset();
    if (!still.isNull())
        setAttribute(Qt::WA_OpaquePaintEvent);
    update();
}

QSize TVideoSurface::PixelSize() const {
    // A surface not yet placed has a made-up size: its frames keep theirs until it is.
    if (!testAttribute(Qt::WA_Resized))
        return QSize();
    return (QSizeF(size()) * devicePixelRatioF()).toSize();
}

void TVideoSurface::resizeEvent(QResizeEvent*) {
    if (engine_)
        engine_->SetFrameSize(PixelSize());
}

void TVideoSurface::OnFrameChanged() {
    // A frame covers the whole surface: what lies beneath need not be painted first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    update();
}

void TVideoSurface::paintEvent(QPaintEvent*) {
    const QImage& frame = !still_.isNull() ? still_ : engine_ ? engine_->Frame() : still_;
    if (frame.isNull()) {
        if (testAttribute(Qt::WA_OpaquePaintEvent)) {
            // Nothing to cover the surface with any more: the panel beneath shows again.
            setAttribute(Qt::WA_OpaquePaintEvent, false);
            update();
        }
        return;
    }
    QPainter painter(this);
    // A frame of the surface's size is copied as it is; one that was on its way before the
    // surface took its size is scaled here.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, frame.size() != PixelSize());
    painter.drawImage(rect(), frame);
    // A still counts as frame 0 of no engine.
    const quint64 number = still_.isNull() ? engine_->FrameNumber() : 0;
    if (number != paintedFrame_) {
        paintedFrame_ = number;
        emit FramePresented();
    }
}
