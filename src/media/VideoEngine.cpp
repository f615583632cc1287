#include "media/VideoEngine.h"

#include "media/VideoPipeline.h"

#include <QFile>
#include <cstdio>
#include <mutex>

// The way back from GStreamer's threads: events are queued to the engine while it lives.
struct TVideoEngine::TMailbox {
    std::mutex Lock;
    TVideoEngine* Engine = nullptr;

    void Post(quint64 session, TPipelineEvent event) {
        const std::lock_guard lock(Lock);
        if (Engine == nullptr)
            return;
        // A queued call to an object that is deleted later is dropped with it.
        QMetaObject::invokeMethod(
            Engine,
            [engine = Engine, session, event = std::move(event)] {
                engine->Handle(session, event);
            },
            Qt::QueuedConnection);
    }
};

void TVideoEngine::Prepare() {
    TVideoPipeline::Prepare();
}

TVideoEngine::TVideoEngine(QObject* parent)
    : QObject(parent), mailbox_(std::make_shared<TMailbox>()) {
    mailbox_->Engine = this;
}

TVideoEngine::~TVideoEngine() {
    {
        const std::lock_guard lock(mailbox_->Lock);
        mailbox_->Engine = nullptr;
    }
    pipeline_.reset();
}

void TVideoEngine::Open(const QString& path) {
    Close();
    path_ = path;
    state_ = TState::Opening;
    const quint64 session = ++session_;
    pipeline_ = std::make_unique<TVideoPipeline>(
        QFile::encodeName(path).toStdString(), [mailbox = mailbox_, session](TPipelineEvent event) {
            mailbox->Post(session, std::move(event));
        });
}

void TVideoEngine::Play() {
    switch (state_) {
    case TState::Opening:
        playWanted_ = true;
        break;
    case TState::Ready:
    case TState::Paused:
    case TState::Ended:
    case TState::Playing:
        state_ = TState::Playing;
        break;
    case TState::Closed:
    case TState::Failed:
        return;
    }
    pipeline_->Play();
}

void TVideoEngine::Pause() {
    if (state_ == TState::Opening) {
        playWanted_ = false;
    } else if (state_ == TState::Playing) {
        state_ = TState::Paused;
    } else {
        return;
    }
    pipeline_->Pause();
}

void TVideoEngine::Close() {
    ++session_; // events of the closed video on their way are dropped
    pipeline_.reset();
    state_ = TState::Closed;
    playWanted_ = false;
    naturalSize_ = QSize();
    frame_ = QImage();
    failure_.clear();
}

void TVideoEngine::Handle(quint64 session, const TPipelineEvent& event) {
    if (session != session_ || !pipeline_)
        return;
    switch (event.Kind) {
    case TPipelineEvent::TKind::Prerolled:
        naturalSize_ = event.NaturalSize;
        state_ = playWanted_ ? TState::Playing : TState::Ready;
        emit Opened();
        break;
    case TPipelineEvent::TKind::Frame:
        frame_ = pipeline_->TakeFrame();
        ++frameNumber_;
        emit FrameChanged();
        break;
    case TPipelineEvent::TKind::PassEnded:
        if (state_ == TState::Playing)
            state_ = TState::Ended;
        emit PassEnded();
        break;
    case TPipelineEvent::TKind::Failed:
        state_ = TState::Failed;
        failure_ = event.Reason;
        std::fprintf(stderr, "Cannot play \"%s\": %s\n", qPrintable(path_), qPrintable(failure_));
        emit Failed();
        break;
    }
}
