#pragma once

#include "layouts/RotationSequence.h"
#include "layoutview/PictureLoads.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <array>
#include <chrono>
#include <functional>
#include <optional>

class TVideoEngine;
class TVideoSurface;

// Shows a rotation in one video box: its videos and pictures one after another on one surface,
// without a black, a panel-coloured or a frozen frame between two items. Two engines take
// turns: while one item shows, the next is opened and its first frame decoded, paused; when the
// shown video's last frame has stood its time, the surface takes the next one's first frame and
// that video plays on. The engine set free then prerolls the item after. A picture stands for its
// time while the next video prerolls. So no more than two decoders are ever open for the box.
//
// The panel beneath shows only before the first item and while nothing can be shown; then the
// rotation is tried again after the engine's back-off. Items with hours are met against the
// system's clock (Clock::Now, the local zone) at each change of item and each minute: one that
// leaves its hours is cut for the next in its hours, and while none is, nothing decodes and the
// panel shows. While the clock is not synchronised, hours are not applied. Everything runs on the
// window thread: the engines' own threads decode, and a picture is read and drawn at its size on
// show by the picture loads (TPictureLoads), so a large one or one on a hung mount never holds the
// window.
class TRotationPlayer : public QObject {
    Q_OBJECT

public:
    explicit TRotationPlayer(TVideoSurface* surface, QObject* parent = nullptr);
    // Pictures come through those loads rather than the process's.
    TRotationPlayer(TVideoSurface* surface, TPictureLoads& loads, QObject* parent = nullptr);
    ~TRotationPlayer() override;

    // Where the surface stands, in its parent, for an item of that natural size; nothing: it
    // is hidden (the panel shows).
    using TFit = std::function<std::optional<QRect>(const QSize& natural)>;

    // The surface is placed by the fit at each change of item; without one it keeps its place and
    // every item is stretched over it.
    void SetFit(TFit fit);
    // Places the surface again for the item on show (the fit changed: the host was resized).
    void Refit();

    // Shows the items from the first, replacing what was shown.
    void Play(std::vector<TRotationItem> items, std::chrono::seconds pictureTime);
    // The rotation as it reads now: the item on show goes on to its end, and the next is the one
    // after it in the new items (see TRotationSequence::Update); items skipped are tried again.
    void Update(std::vector<TRotationItem> items);
    // Shows nothing any more: the panel shows again.
    void Stop();

    // The item on show; unset before the first and while nothing can be shown.
    std::optional<size_t> ShownItem() const;
    // What the surface shows of it: a video's frame or the picture.
    const QImage& ShownFrame() const;
    // The engine of the video on show; null for a picture and while nothing shows.
    TVideoEngine* ShownEngine() const { return shown_; }

    // Meets the items' hours at the time now; each minute while any item has hours, and for a
    // test's clock at once.
    void CheckHours();

signals:
    // A line for the owner's log: an item skipped, or a rotation with nothing to show.
    void Problem(const QString& line);
    // An item's first frame is on the surface.
    void ItemShown();

private:
    using TClock = std::chrono::steady_clock;

    // Gives the sequence the time to meet hours at.
    void ApplyHours();
    void PrerollNext();
    void NextFailed(const QString& reason);
    void OnOpened(TVideoEngine* engine);
    void OnFailed(TVideoEngine* engine);
    void OnPassEnded(TVideoEngine* engine);
    // The shown item may be left at that time, for the next one as soon as it is ready.
    void LeaveAt(TClock::time_point due);
    void TrySwitch();
    void Switch();
    void ShowNothing();
    // Lets go of what shows and what is made ready.
    void Clear();
    void Tell(const std::vector<std::string>& lines);
    TVideoEngine* SpareEngine() const;
    // Reads the picture, then draws it at the size it will be shown at, both off this thread.
    void LoadNextPicture(const QString& path);
    // The size in pixels a picture of that natural size is drawn at.
    QSize DrawnSize(const QSize& natural) const;
    // The natural size of what the item on show shows.
    QSize ShownNaturalSize() const;

    QPointer<TVideoSurface> surface_;
    TPictureLoads& loads_;
    TFit fit_;
    std::array<TVideoEngine*, 2> engines_{}; // children
    std::optional<TRotationSequence> sequence_;

    TVideoEngine* shown_ = nullptr;         // the engine on the surface; null for a picture
    QImage still_;                          // the picture on show
    TClock::time_point lastFrameAt_;        // when the shown engine's newest frame came
    TClock::time_point shownAt_;            // when the item on show came
    std::optional<size_t> next_;            // the item being made ready
    TVideoEngine* prerolling_ = nullptr;    // ... in this engine, when a video
    QImage nextStill_;                      // ... as this picture, when one
    QSize stillNatural_, nextStillNatural_; // the pictures' own sizes
    // The next picture being read and drawn; letting go of it drops the load.
    std::unique_ptr<TPictureLoads::TTicket> pictureLoad_;
    bool nextReady_ = false;
    bool leaving_ = false; // the shown item is over at leaveAt_ (or nothing shows yet)
    TClock::time_point leaveAt_;
    QTimer switchTimer_;
    QTimer retryTimer_;
    std::chrono::milliseconds nextRetry_;
    QTimer minuteTimer_;
    Hours::TZone zone_;
};
