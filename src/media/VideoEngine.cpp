#include "media/VideoEngine.h"

#include "media/VideoPipeline.h"

#include <QFile>
#include <algorithm>
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

namespace {

void Tell(const QString& line) {
    std::fprintf(stderr, "%s\n", qPrintable(line));
}

} // namespace

void TVideoEngine::Prepare() {
    TVideoPipeline::Prepare();
}

TVideoEngine::TVideoEngine(QObject* parent)
    : QObject(parent), mailbox_(std::make_shared<TMailbox>()) {
    mailbox_->Engine = this;
    retryTimer_.setSingleShot(true);
    connect(&retryTimer_, &QTimer::timeout, this, &TVideoEngine::Start);
    stallTimer_.setSingleShot(true);
    connect(&stallTimer_, &QTimer::timeout, this, [this] {
        Fail(QStringLiteral("No new picture for %1 s")
                 .arg(std::chrono::duration_cast<std::chrono::seconds>(
                          std::chrono::milliseconds(stallTimer_.interval()))
                          .count()));
    });
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
    Start();
}

void TVideoEngine::Start() {
    retryTimer_.stop();
    stallTimer_.stop();
    state_ = TState::Opening;
    const quint64 session = ++session_;
    pipeline_.reset();
    pipeline_ = std::make_unique<TVideoPipeline>(
        QFile::encodeName(path_).toStdString(),
        [mailbox = mailbox_, session](TPipelineEvent event) {
            mailbox->Post(session, std::move(event));
        },
        playOnce_);
    pipeline_->SetFrameSize(frameSize_);
    if (playWanted_)
        pipeline_->Play();
}

void TVideoEngine::SetFrameSize(QSize size) {
    frameSize_ = size;
    if (pipeline_)
        pipeline_->SetFrameSize(size);
}

void TVideoEngine::Play() {
    if (state_ == TState::Closed)
        return;
    // Kept for a later opening too: after a failure, or when the file is opened anew.
    playWanted_ = true;
    switch (state_) {
    case TState::Ready:
    case TState::Paused:
    case TState::Ended:
    case TState::Playing:
        state_ = TState::Playing;
        WatchForStall();
        break;
    case TState::Failed:
        return;
    default:
        break;
    }
    pipeline_->Play();
}

void TVideoEngine::Pause() {
    if (state_ == TState::Closed)
        return;
    playWanted_ = false;
    stallTimer_.stop();
    if (state_ == TState::Playing)
        state_ = TState::Paused;
    else if (state_ != TState::Opening) // a Play on its way to the pipeline is taken back
        return;
    pipeline_->Pause();
}

void TVideoEngine::Close() {
    ++session_; // events of the closed video on their way are dropped
    pipeline_.reset();
    retryTimer_.stop();
    stallTimer_.stop();
    state_ = TState::Closed;
    playWanted_ = false;
    naturalSize_ = QSize();
    frame_ = QImage();
    failure_.clear();
    told_.clear();
    nextRetry_ = FirstRetry;
}

std::chrono::milliseconds TVideoEngine::RetryDelay() const {
    return retryTimer_.isActive() ? std::chrono::milliseconds(retryTimer_.interval())
                                  : std::chrono::milliseconds(0);
}

std::chrono::nanoseconds TVideoEngine::FrameTime() const {
    return pipeline_ ? pipeline_->FrameTime() : std::chrono::nanoseconds(0);
}

void TVideoEngine::WatchForStall() {
    const auto twoFrames = std::chrono::duration_cast<std::chrono::milliseconds>(2 * FrameTime());
    stallTimer_.start(std::max(StallLimit, twoFrames));
}

void TVideoEngine::Fail(const QString& reason) {
    // The pipeline stops here; what it showed last stays on show.
    ++session_;
    pipeline_.reset();
    stallTimer_.stop();
    state_ = TState::Failed;
    failure_ = reason;
    // Written once, not at every try: a terminal or the journal shows it.
    if (tellFailures_ && failure_ != told_) {
        Tell(QStringLiteral("Cannot play \"%1\": %2").arg(path_, failure_));
        told_ = failure_;
    }
    if (keepTrying_) {
        retryTimer_.start(nextRetry_);
        nextRetry_ = std::min(nextRetry_ * 2, LongestRetry);
    }
    emit Failed();
}

void TVideoEngine::Handle(quint64 session, const TPipelineEvent& event) {
    if (session != session_ || !pipeline_)
        return;
    switch (event.Kind) {
    case TPipelineEvent::TKind::Prerolled:
        naturalSize_ = event.NaturalSize;
        state_ = playWanted_ ? TState::Playing : TState::Ready;
        if (state_ == TState::Playing)
            WatchForStall();
        emit Opened();
        break;
    case TPipelineEvent::TKind::Frame:
        frame_ = pipeline_->TakeFrame();
        ++frameNumber_;
        if (state_ == TState::Playing)
            WatchForStall();
        emit FrameChanged();
        break;
    case TPipelineEvent::TKind::PassEnded:
        stallTimer_.stop();
        if (state_ == TState::Playing)
            state_ = TState::Ended;
        // A whole pass played: any trouble before is over.
        nextRetry_ = FirstRetry;
        if (!told_.isEmpty()) {
            Tell(QStringLiteral("Playing \"%1\" again").arg(path_));
            told_.clear();
        }
        emit PassEnded();
        break;
    case TPipelineEvent::TKind::Failed:
        Fail(event.Reason);
        break;
    case TPipelineEvent::TKind::Replaced:
        Tell(QStringLiteral("\"%1\" has changed: playing it anew").arg(path_));
        Start();
        break;
    }
}
