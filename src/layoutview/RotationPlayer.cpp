#include "layoutview/RotationPlayer.h"

#include "layoutview/PanelColor.h"
#include "layoutview/PictureLoader.h"
#include "media/VideoEngine.h"
#include "media/ui/VideoSurface.h"
#include "platform/Clock.h"

#include <QPainter>
#include <algorithm>
#include <atomic>

using namespace std::chrono_literals;

namespace {

// The picture stretched over an image of that size, like a video's frame over the box; where it
// is transparent, the panel's colour, as behind the picture box.
QImage Drawn(const TPicture& picture, const QSize& size) {
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image.fill(PanelColor);
    QPainter painter(&image);
    picture.Draw(painter, QRectF(QPointF(0, 0), QSizeF(image.size())));
    return image;
}

} // namespace

TRotationPlayer::TRotationPlayer(TVideoSurface* surface, QObject* parent)
    : TRotationPlayer(surface, TPictureLoads::Shared(), parent) {}

TRotationPlayer::TRotationPlayer(TVideoSurface* surface, TPictureLoads& loads, QObject* parent)
    : QObject(parent), surface_(surface), loads_(loads), nextRetry_(TVideoEngine::FirstRetry) {
    for (TVideoEngine*& engine : engines_) {
        engine = new TVideoEngine(this);
        // The sequence says once what cannot be shown; the engine would say it at every try.
        engine->SetTellFailures(false);
        connect(engine, &TVideoEngine::Opened, this, [this, engine] { OnOpened(engine); });
        connect(engine, &TVideoEngine::Failed, this, [this, engine] { OnFailed(engine); });
        connect(engine, &TVideoEngine::PassEnded, this, [this, engine] { OnPassEnded(engine); });
        connect(engine, &TVideoEngine::FrameChanged, this, [this, engine] {
            if (engine == shown_)
                lastFrameAt_ = TClock::now();
        });
    }
    // A frame's time is a few tens of milliseconds: a coarse timer would miss it by several.
    switchTimer_.setTimerType(Qt::PreciseTimer);
    switchTimer_.setSingleShot(true);
    connect(&switchTimer_, &QTimer::timeout, this, &TRotationPlayer::TrySwitch);
    retryTimer_.setSingleShot(true);
    connect(&retryTimer_, &QTimer::timeout, this, [this] {
        sequence_->TryAgain();
        LeaveAt(TClock::now());
        PrerollNext();
    });
    minuteTimer_.setInterval(1min);
    connect(&minuteTimer_, &QTimer::timeout, this, &TRotationPlayer::CheckHours);
}

TRotationPlayer::~TRotationPlayer() {
    Stop();
}

void TRotationPlayer::Play(std::vector<TRotationItem> items, std::chrono::seconds pictureTime) {
    Stop();
    sequence_.emplace(std::move(items), pictureTime);
    if (sequence_->HasHours())
        minuteTimer_.start();
    nextRetry_ = TVideoEngine::FirstRetry;
    // Nothing shows yet: the first item shows as soon as it is ready.
    LeaveAt(TClock::now());
    PrerollNext();
}

void TRotationPlayer::SetFit(TFit fit) {
    fit_ = std::move(fit);
    Refit();
}

void TRotationPlayer::Refit() {
    if (!fit_ || !surface_)
        return;
    const std::optional<QRect> place = fit_(ShownNaturalSize());
    if (place)
        surface_->setGeometry(*place);
    surface_->setVisible(place && !place->isEmpty());
}

QSize TRotationPlayer::ShownNaturalSize() const {
    if (shown_ != nullptr)
        return shown_->NaturalSize();
    return still_.isNull() ? QSize() : stillNatural_;
}

void TRotationPlayer::Update(std::vector<TRotationItem> items) {
    if (!sequence_)
        return;
    const std::optional<std::string> nextPath =
        next_ ? std::optional(sequence_->Items()[*next_].Path) : std::nullopt;
    const bool showing = ShownItem().has_value();
    sequence_->Update(std::move(items));
    if (!sequence_->HasHours())
        minuteTimer_.stop();
    else if (!minuteTimer_.isActive())
        minuteTimer_.start();
    if (!showing) {
        // Waiting to try again, or for the first item: the new items are tried at once.
        retryTimer_.stop();
        nextRetry_ = TVideoEngine::FirstRetry;
        if (prerolling_ != nullptr)
            prerolling_->Close();
        LeaveAt(TClock::now());
        PrerollNext();
        return;
    }
    const std::optional<size_t> next = sequence_->Next();
    if (next && nextPath && sequence_->Items()[*next].Path == *nextPath) {
        next_ = next; // made ready already, or on its way
        return;
    }
    if (prerolling_ != nullptr)
        prerolling_->Close();
    PrerollNext();
}

void TRotationPlayer::Stop() {
    minuteTimer_.stop();
    Clear();
}

void TRotationPlayer::Clear() {
    switchTimer_.stop();
    retryTimer_.stop();
    if (surface_) {
        surface_->SetEngine(nullptr);
        surface_->SetStill(QImage());
    }
    for (TVideoEngine* engine : engines_)
        engine->Close();
    shown_ = nullptr;
    prerolling_ = nullptr;
    pictureLoad_.reset();
    still_ = QImage();
    nextStill_ = QImage();
    Refit();
    next_.reset();
    nextReady_ = false;
    leaving_ = false;
}

std::optional<size_t> TRotationPlayer::ShownItem() const {
    return sequence_ && (shown_ != nullptr || !still_.isNull()) ? sequence_->Current()
                                                                : std::nullopt;
}

const QImage& TRotationPlayer::ShownFrame() const {
    return shown_ != nullptr ? shown_->Frame() : still_;
}

void TRotationPlayer::ApplyHours() {
    if (!sequence_->HasHours())
        return;
    if (Clock::Synchronised()) {
        if (!zone_)
            zone_ = Hours::LocalZone();
        sequence_->SetTime(std::chrono::floor<std::chrono::seconds>(Clock::Now()), zone_);
        return;
    }
    sequence_->SetTime(std::nullopt, {});
    // Once for the process: every rotation on every screen waits for the same clock.
    static std::atomic<bool> told{false};
    if (!told.exchange(true))
        emit Problem(QStringLiteral("the system clock is not synchronised: a rotation's hours are "
                                    "not applied until it is"));
}

void TRotationPlayer::CheckHours() {
    if (!sequence_)
        return;
    ApplyHours();
    const std::optional<size_t> shown = ShownItem();
    if (!shown && !next_) {
        // Nothing shows, nor is on its way: an item that came into its hours starts now.
        if (sequence_->Next()) {
            retryTimer_.stop();
            nextRetry_ = TVideoEngine::FirstRetry;
            LeaveAt(TClock::now());
            PrerollNext();
        }
        return;
    }
    if (sequence_->Next() != next_) {
        if (prerolling_ != nullptr)
            prerolling_->Close();
        PrerollNext(); // with nothing left in its hours, the panel shows
    }
    if (!shown || !ShownItem())
        return;
    if (!sequence_->InHours(*shown)) {
        LeaveAt(TClock::now()); // for the next one as soon as it is ready
    } else if (shown_ == nullptr && !leaving_ && next_ != shown) {
        // A picture that stood alone has company again: it stands its time, from when it came.
        LeaveAt(std::max(TClock::now(), shownAt_ + sequence_->PictureTime(*shown)));
    } else if (shown_ != nullptr && leaving_ && next_ == shown) {
        // The video ended while the one to follow it left its hours: it is the only one left.
        leaving_ = false;
        shown_->Play();
    }
}

void TRotationPlayer::PrerollNext() {
    ApplyHours();
    switchTimer_.stop();
    nextReady_ = false;
    prerolling_ = nullptr;
    pictureLoad_.reset();
    nextStill_ = QImage();
    next_ = sequence_->Next();
    if (!next_) {
        ShowNothing();
        return;
    }
    // The only item left stays: a video loops in its engine, a picture stands.
    if (next_ == sequence_->Current() && (shown_ != nullptr || !still_.isNull()))
        return;
    const TRotationItem& item = sequence_->Items()[*next_];
    const QString path = QString::fromStdString(item.Path);
    if (item.Kind == TRotationItem::TKind::Picture) {
        LoadNextPicture(path);
        return;
    }
    prerolling_ = SpareEngine();
    if (surface_)
        prerolling_->SetFrameSize(surface_->PixelSize());
    // A video among others plays once; one alone loops without a seam. One left alone later
    // (the others failed) still loops, restarting a little later at each end.
    prerolling_->SetPlayOnce(sequence_->Items().size() > 1);
    prerolling_->Open(path);
}

void TRotationPlayer::NextFailed(const QString& reason) {
    Tell(sequence_->Fail(*next_, reason.toStdString()));
    if (prerolling_ != nullptr)
        prerolling_->Close();
    PrerollNext();
}

void TRotationPlayer::OnOpened(TVideoEngine* engine) {
    if (engine != prerolling_)
        return; // the shown one, opened anew when its file changed
    nextReady_ = true;
    TrySwitch();
}

void TRotationPlayer::OnFailed(TVideoEngine* engine) {
    if (engine == prerolling_) {
        NextFailed(engine->FailureText());
        return;
    }
    if (engine != shown_)
        return;
    // Its last frame stands until the next item's first.
    if (const auto current = sequence_->Current())
        Tell(sequence_->Fail(*current, engine->FailureText().toStdString()));
    LeaveAt(TClock::now());
    if (next_ == sequence_->Current())
        PrerollNext(); // it was to follow itself
}

void TRotationPlayer::OnPassEnded(TVideoEngine* engine) {
    if (engine != shown_)
        return;
    if (sequence_->Loops()) {
        engine->Play(); // within its last frame's time: the engine's own seamless loop
        return;
    }
    // The last frame is on show: the next item's first follows when its time is up.
    LeaveAt(lastFrameAt_ + std::chrono::duration_cast<TClock::duration>(engine->FrameTime()));
}

void TRotationPlayer::LeaveAt(TClock::time_point due) {
    switchTimer_.stop();
    leaving_ = true;
    leaveAt_ = due;
    TrySwitch();
}

void TRotationPlayer::TrySwitch() {
    if (!leaving_ || !nextReady_)
        return;
    // A precise timer over a picture's seconds wakes some milliseconds late: the last stretch is
    // timed on its own.
    constexpr auto LastStretch = 50ms;
    const auto wait = leaveAt_ - TClock::now();
    if (wait > 2 * LastStretch)
        switchTimer_.start(std::chrono::floor<std::chrono::milliseconds>(wait - LastStretch));
    else if (wait >= 1ms)
        switchTimer_.start(std::chrono::round<std::chrono::milliseconds>(wait));
    else
        Switch();
}

void TRotationPlayer::Switch() {
    switchTimer_.stop();
    leaving_ = false;
    nextReady_ = false;
    sequence_->Advance();
    nextRetry_ = TVideoEngine::FirstRetry;
    TVideoEngine* previous = shown_;
    shown_ = prerolling_;
    still_ = nextStill_;
    stillNatural_ = nextStillNatural_;
    Refit();
    if (surface_) {
        surface_->SetEngine(shown_);
        surface_->SetStill(still_);
        // Drawn now, on the frame time, not after the old engine is let go and the next opened.
        surface_->repaint();
    }
    if (shown_ != nullptr) {
        lastFrameAt_ = TClock::now();
        shown_->Play();
    }
    if (previous != nullptr && previous != shown_)
        previous->Close();
    const size_t current = *sequence_->Current();
    shownAt_ = TClock::now();
    if (shown_ == nullptr && sequence_->Next() != current) {
        // A picture stands for its time, which starts now.
        leaving_ = true;
        leaveAt_ = shownAt_ + sequence_->PictureTime(current);
    }
    PrerollNext();
    emit ItemShown();
}

void TRotationPlayer::ShowNothing() {
    Clear();
    // Items outside their hours come back at the minute's check; failed ones after a back-off.
    if (!sequence_->AnySkipped())
        return;
    retryTimer_.start(nextRetry_);
    nextRetry_ = std::min(nextRetry_ * 2, TVideoEngine::LongestRetry);
}

void TRotationPlayer::Tell(const std::vector<std::string>& lines) {
    for (const std::string& line : lines)
        emit Problem(QString::fromStdString(line));
}

TVideoEngine* TRotationPlayer::SpareEngine() const {
    return engines_[0] == shown_ ? engines_[1] : engines_[0];
}

void TRotationPlayer::LoadNextPicture(const QString& path) {
    pictureLoad_ = loads_.Load(path, this, [this](const TPictureLoads::TResult& read) {
        if (!read.Picture) {
            NextFailed(read.Failure);
            return;
        }
        const QSize natural = read.Picture->Size().toSize();
        // Drawn at the size it is fitted to now, on a load's thread as well: a large picture
        // takes its time to scale.
        const auto draw = [picture = read.Picture, size = DrawnSize(natural)] {
            return TPicture(Drawn(*picture, size));
        };
        pictureLoad_ = loads_.Run(draw, this, [this, natural](const TPictureLoads::TResult& drawn) {
            if (!drawn.Picture) {
                NextFailed(drawn.Failure);
                return;
            }
            pictureLoad_.reset();
            nextStill_ = drawn.Picture->Raster();
            nextStillNatural_ = natural;
            nextReady_ = true;
            TrySwitch();
        });
    });
}

QSize TRotationPlayer::DrawnSize(const QSize& natural) const {
    const std::optional<QRect> fitted = fit_ ? fit_(natural) : std::nullopt;
    const qreal ratio = surface_ ? surface_->devicePixelRatioF() : 1.0;
    const QSize placed = fitted     ? (QSizeF(fitted->size()) * ratio).toSize()
                         : surface_ ? surface_->PixelSize()
                                    : QSize();
    return placed.isEmpty() ? natural : placed;
}
