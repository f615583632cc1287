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
    if (engine != nullptr)
        connect(engine, &TVideoEngine::FrameChanged, this, qOverload<>(&QWidget::update));
    update();
}

void TVideoSurface::paintEvent(QPaintEvent*) {
    if (!engine_ || engine_->Frame().isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), engine_->Frame());
    if (engine_->FrameNumber() != paintedFrame_) {
        paintedFrame_ = engine_->FrameNumber();
        emit FramePresented();
    }
}
