#include "layoutview/VideoPlayer.h"

#include "media/VideoEngine.h"
#include "media/ui/VideoSurface.h"
#include "widgets/ShownText.h"

#include <QEventLoop>
#include <QWidget>
#include <algorithm>

TVideoPlayer::TVideoPlayer(QObject* owner) : QObject(owner), engine_(new TVideoEngine(this)) {
    connect(engine_, &TVideoEngine::Opened, this, &TVideoPlayer::OnOpened);
    connect(engine_, &TVideoEngine::PassEnded, this, &TVideoPlayer::OnEnded);
    connect(engine_, &TVideoEngine::Failed, this, [this] {
        error_ = FailureCode();
        PlaceSurface();
        OnEnded();
    });
}

TVideoPlayer::~TVideoPlayer() {
    Close();
    delete surface_;
}

void TVideoPlayer::TakeRequestSwitches(bool& notify, bool& wait) {
    notify = notify_;
    wait = wait_;
    notify_ = true;
    wait_ = false;
    notifyPending_ = false;
}

void TVideoPlayer::Fail(int code, const QString& message) {
    error_ = code;
    throw EVideoPlayerError(message.toStdString());
}

void TVideoPlayer::Open() {
    bool notify = false;
    bool wait = false;
    TakeRequestSwitches(notify, wait);
    Close();
    error_ = NoError;
    engine_->Open(ShownText::FromBytes(fileName_));
}

void TVideoPlayer::Play() {
    bool notify = false;
    bool wait = false;
    TakeRequestSwitches(notify, wait);
    switch (engine_->State()) {
    case TVideoEngine::TState::Closed:
        Fail(NotOpenError, QStringLiteral("The video is not open"));
    case TVideoEngine::TState::Failed:
        Fail(FailureCode(), engine_->FailureText());
    default:
        break;
    }
    error_ = NoError;
    notifyPending_ = notify;
    engine_->Play();
    if (!wait)
        return;
    // Only a caller that asks for it waits; the layout window never does.
    QEventLoop loop;
    const auto check = [this, &loop] {
        if (engine_->State() != TVideoEngine::TState::Playing &&
            engine_->State() != TVideoEngine::TState::Opening)
            loop.quit();
    };
    connect(engine_, &TVideoEngine::PassEnded, &loop, check);
    connect(engine_, &TVideoEngine::Failed, &loop, check);
    connect(engine_, &TVideoEngine::destroyed, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void TVideoPlayer::Stop() {
    bool notify = false;
    bool wait = false;
    TakeRequestSwitches(notify, wait);
    if (engine_->State() == TVideoEngine::TState::Closed) {
        error_ = NotOpenError;
        return;
    }
    error_ = NoError;
    engine_->Pause();
}

void TVideoPlayer::Close() {
    notifyPending_ = false;
    notify_ = true;
    wait_ = false;
    engine_->Close();
    displayRect_ = QRect();
    PlaceSurface();
    error_ = NoError;
}

TVideoPlayer::TMode TVideoPlayer::Mode() {
    error_ = NoError;
    switch (engine_->State()) {
    case TVideoEngine::TState::Closed:
        error_ = NotOpenError;
        return TMode::NotReady;
    case TVideoEngine::TState::Failed:
        error_ = FailureCode();
        return TMode::NotReady;
    case TVideoEngine::TState::Opening:
        return engine_->PlayRequested() ? TMode::Playing : TMode::Stopped;
    case TVideoEngine::TState::Playing:
        return TMode::Playing;
    default:
        // Cued up, stopped or at the end of a pass: to the window the video stands still.
        return TMode::Stopped;
    }
}

void TVideoPlayer::SetDisplay(QWidget* display) {
    display_ = display;
    if (display != nullptr && !surface_) {
        surface_ = new TVideoSurface(display);
        surface_->SetEngine(engine_);
        connect(surface_, &TVideoSurface::FramePresented, this, &TVideoPlayer::FramePresented);
    } else if (display != nullptr && surface_->parentWidget() != display) {
        surface_->setParent(display);
    }
    PlaceSurface();
}

int TVideoPlayer::FailureCode() const {
    // A video that showed a picture failed on the way; one that never did, while opening.
    return HasPicture() ? PlaybackError : CannotOpenError;
}

bool TVideoPlayer::HasPicture() const {
    return !engine_->NaturalSize().isEmpty();
}

QRect TVideoPlayer::DisplayRect() const {
    return HasPicture() ? displayRect_ : QRect();
}

void TVideoPlayer::SetDisplayRect(const QRect& rect) {
    if (!HasPicture())
        return;
    displayRect_ = rect;
    PlaceSurface();
}

void TVideoPlayer::ShowAtNaturalSize(const QPoint& topLeft) {
    SetDisplayRect(QRect(topLeft, NaturalSize()));
}

QSize TVideoPlayer::NaturalSize() const {
    return engine_->NaturalSize();
}

void TVideoPlayer::SetVolume(int volume) {
    volume_ = std::clamp(volume, 0, 100);
}

void TVideoPlayer::PlaceSurface() {
    if (!surface_)
        return;
    if (!display_ || !HasPicture()) {
        surface_->hide();
        return;
    }
    surface_->setGeometry(displayRect_.left(), displayRect_.top(),
                          std::max(displayRect_.width(), 0), std::max(displayRect_.height(), 0));
    surface_->show();
    surface_->raise();
}

void TVideoPlayer::OnOpened() {
    displayRect_ = QRect(QPoint(0, 0), NaturalSize());
    PlaceSurface();
    emit NaturalSizeKnown();
}

void TVideoPlayer::OnEnded() {
    if (!notifyPending_)
        return;
    notifyPending_ = false;
    if (OnNotify)
        OnNotify(*this);
}
