#include "layouts/ui/VideoPlayer.h"

#include "widgets/ShownText.h"

#include <QAudioOutput>
#include <QEventLoop>
#include <QFile>
#include <QMediaPlayer>
#include <QPainter>
#include <QTimer>
#include <QUrl>
#include <QVideoSink>
#include <QWidget>
#include <algorithm>

namespace {

// How long opening may take before the file counts as one that cannot be played: a local
// video is ready in a fraction of a second; this only keeps a stuck file from hanging the window.
constexpr int OpenTimeoutMs = 15000;

} // namespace

void TVideoPlayer::ChooseMediaBackend() {
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "gstreamer");
}

// The player's drawing surface: a child of the display that covers the destination rectangle.
// It takes no mouse input, so the display's context menu works over the video as well.
class TVideoSurface : public QWidget {
public:
    explicit TVideoSurface(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
    }

    std::function<void()> OnNewFramePainted;

    void SetFrame(const QVideoFrame& frame) {
        frame_ = frame;
        ++frameNumber_;
        update();
    }
    void Clear() {
        frame_ = QVideoFrame();
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (!frame_.isValid())
            return;
        QPainter painter(this);
        QVideoFrame::PaintOptions options;
        options.backgroundColor = Qt::transparent;
        options.aspectRatioMode = Qt::IgnoreAspectRatio;
        frame_.paint(&painter, QRectF(rect()), options);
        if (frameNumber_ != paintedFrameNumber_) {
            paintedFrameNumber_ = frameNumber_;
            if (OnNewFramePainted)
                OnNewFramePainted();
        }
    }

private:
    QVideoFrame frame_;
    quint64 frameNumber_ = 0;
    quint64 paintedFrameNumber_ = 0;
};

TVideoPlayer::TVideoPlayer(QObject* owner) : QObject(owner) {
    ChooseMediaBackend();
    sink_ = std::make_unique<QVideoSink>();
    connect(sink_.get(), &QVideoSink::videoFrameChanged, this, &TVideoPlayer::OnFrame);
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
    ++request_;
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

    const QString path = ShownText::FromBytes(fileName_);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        Fail(CannotOpenError,
             QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
    file.close();

    audio_ = std::make_unique<QAudioOutput>();
    audio_->setVolume(static_cast<float>(volume_) / 100.0f);
    player_ = std::make_unique<QMediaPlayer>();
    player_->setAudioOutput(audio_.get());
    player_->setVideoOutput(sink_.get());
    connect(player_.get(), &QMediaPlayer::mediaStatusChanged, this,
            &TVideoPlayer::OnMediaStatusChanged);
    connect(player_.get(), &QMediaPlayer::errorOccurred, this, &TVideoPlayer::OnPlayerError);
    player_->setSource(QUrl::fromLocalFile(path));

    // The waits below run the event loop, so the player may be closed under them.
    const auto failed = [this] {
        return !player_ || player_->mediaStatus() == QMediaPlayer::InvalidMedia ||
               player_->error() != QMediaPlayer::NoError;
    };
    bool ready = WaitUntil(
        [this, &failed] {
            if (failed())
                return true;
            const auto status = player_->mediaStatus();
            return (status != QMediaPlayer::NoMedia && status != QMediaPlayer::LoadingMedia &&
                    status != QMediaPlayer::StalledMedia);
        },
        OpenTimeoutMs);
    // The first picture tells the natural size, which the window needs to fit the video. It
    // comes once the video is cued up, which also lets the first Play start at once.
    if (ready && !failed() && player_->hasVideo()) {
        player_->pause();
        ready = WaitUntil([this, &failed] { return failed() || sink_->videoSize().isValid(); },
                          OpenTimeoutMs);
    }
    if (failed()) {
        const QString reason =
            player_ ? player_->errorString() : QStringLiteral("It was closed while opening");
        Close();
        Fail(CannotOpenError, QStringLiteral("Cannot play \"%1\". %2").arg(path, reason));
    }
    if (!ready) {
        Close();
        Fail(CannotOpenError,
             QStringLiteral("Cannot play \"%1\". It did not open in time").arg(path));
    }
    naturalSize_ = player_->hasVideo() ? sink_->videoSize() : QSize();
    displayRect_ = QRect(QPoint(0, 0), NaturalSize());
    PlaceSurface();
}

void TVideoPlayer::Play() {
    bool notify = false;
    bool wait = false;
    TakeRequestSwitches(notify, wait);
    if (!player_)
        Fail(NotOpenError, QStringLiteral("The video is not open"));
    error_ = NoError;
    if (player_->mediaStatus() == QMediaPlayer::EndOfMedia ||
        (player_->duration() > 0 && player_->position() >= player_->duration()))
        player_->setPosition(0);
    notifyPending_ = notify;
    player_->play();
    if (wait) {
        const quint64 request = request_;
        WaitUntil(
            [this, request] {
                return request_ != request || !player_ ||
                       player_->playbackState() != QMediaPlayer::PlayingState;
            },
            -1);
    }
}

void TVideoPlayer::Stop() {
    bool notify = false;
    bool wait = false;
    TakeRequestSwitches(notify, wait);
    if (!player_) {
        error_ = NotOpenError;
        return;
    }
    error_ = NoError;
    player_->stop();
}

void TVideoPlayer::Close() {
    ++request_;
    notifyPending_ = false;
    notify_ = true;
    wait_ = false;
    if (player_) {
        player_->disconnect(this);
        player_->stop();
        player_.reset();
        audio_.reset();
    }
    displayRect_ = QRect();
    naturalSize_ = QSize();
    if (surface_) {
        surface_->Clear();
        surface_->hide();
    }
    error_ = NoError;
}

TVideoPlayer::TMode TVideoPlayer::Mode() {
    if (!player_) {
        error_ = NotOpenError;
        return TMode::NotReady;
    }
    error_ = NoError;
    // Nothing here pauses but opening, which cues the video up: to the window it stands still.
    if (player_->playbackState() == QMediaPlayer::PlayingState)
        return TMode::Playing;
    switch (player_->mediaStatus()) {
    case QMediaPlayer::InvalidMedia:
        error_ = CannotOpenError;
        return TMode::NotReady;
    case QMediaPlayer::NoMedia:
    case QMediaPlayer::LoadingMedia:
        return TMode::NotReady;
    default:
        return player_->error() != QMediaPlayer::NoError ? TMode::NotReady : TMode::Stopped;
    }
}

void TVideoPlayer::SetDisplay(QWidget* display) {
    display_ = display;
    if (display == nullptr) {
        if (surface_)
            surface_->hide();
        return;
    }
    if (!surface_) {
        surface_ = new TVideoSurface(display);
        surface_->OnNewFramePainted = [this] { emit FramePresented(); };
    } else if (surface_->parentWidget() != display) {
        surface_->setParent(display);
    }
    PlaceSurface();
}

bool TVideoPlayer::HasPicture() const {
    return player_ && !NaturalSize().isEmpty();
}

QRect TVideoPlayer::DisplayRect() const {
    return HasPicture() ? displayRect_ : QRect();
}

void TVideoPlayer::SetDisplayRect(const QRect& rect) {
    if (!HasPicture())
        return;
    const QSize natural = NaturalSize();
    // Kept as given, even with no positive extent: such a video is simply not seen.
    displayRect_ =
        QRect(rect.left(), rect.top(), rect.width() == 0 ? natural.width() : rect.width(),
              rect.height() == 0 ? natural.height() : rect.height());
    PlaceSurface();
}

QSize TVideoPlayer::NaturalSize() const {
    return player_ ? naturalSize_ : QSize();
}

void TVideoPlayer::SetVolume(int volume) {
    volume_ = std::clamp(volume, 0, 100);
    if (audio_)
        audio_->setVolume(static_cast<float>(volume_) / 100.0f);
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

void TVideoPlayer::OnFrame(const QVideoFrame& frame) {
    if (!player_ || !surface_)
        return;
    // The sink ends a pass with an empty frame; the last picture stays until the next one.
    if (frame.isValid())
        surface_->SetFrame(frame);
}

void TVideoPlayer::OnMediaStatusChanged() {
    if (player_ && player_->mediaStatus() == QMediaPlayer::EndOfMedia)
        PostNotify();
}

void TVideoPlayer::OnPlayerError() {
    error_ = PlaybackError;
    PostNotify();
}

void TVideoPlayer::PostNotify() {
    if (!notifyPending_)
        return;
    notifyPending_ = false;
    const quint64 request = request_;
    QMetaObject::invokeMethod(
        this,
        [this, request] {
            if (request == request_ && OnNotify)
                OnNotify(*this);
        },
        Qt::QueuedConnection);
}

bool TVideoPlayer::WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    if (done())
        return true;
    QEventLoop loop;
    const auto check = [&] {
        if (done())
            loop.quit();
    };
    QTimer timeout;
    timeout.setSingleShot(true);
    connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    // Something handled during the wait may close the player, which ends its signals; a slow
    // look now and then sees that too.
    QTimer poll;
    connect(&poll, &QTimer::timeout, &loop, check);
    poll.start(50);
    if (player_) {
        connect(player_.get(), &QMediaPlayer::mediaStatusChanged, &loop, check);
        connect(player_.get(), &QMediaPlayer::playbackStateChanged, &loop, check);
        connect(player_.get(), &QMediaPlayer::errorOccurred, &loop, check);
    }
    connect(sink_.get(), &QVideoSink::videoFrameChanged, &loop, check);
    if (timeoutMs >= 0)
        timeout.start(timeoutMs);
    // Input waits: the operator cannot act on a window in the middle of a request.
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    return done();
}
