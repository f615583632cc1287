#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <QTimer>
#include <chrono>
#include <memory>

class TVideoPipeline;
struct TPipelineEvent;

// The program's video engine: plays one video file at a time into frames for drawing, looping
// without a seam when asked to go on at the end of each pass. Nothing here waits for the media:
// every request returns at once, and opening, frames, the natural size, the end of a pass and
// failures arrive as signals through the event loop of the thread that owns the engine.
//
// A video that cannot go on (an error on the way, or no new frame while playing for StallLimit)
// stops its pipeline and keeps its last frame. An engine that keeps trying opens the file
// again after FirstRetry, doubling up to LongestRetry, so a file that becomes good plays again
// by itself. A file replaced at its path (renamed over it, or written in place) is opened anew
// at the end of the pass that notices it, the last frame standing until the new one's first.
class TVideoEngine : public QObject {
    Q_OBJECT

public:
    enum class TState {
        Closed,
        Opening, // asked to open; nothing decoded yet
        Ready,   // the first frame is decoded and stands still
        Playing,
        Paused,
        Ended,  // the pass has played to its end; Play goes on with the next one
        Failed, // it cannot be played; FailureText says why
    };

    // Starts the decoders' framework, which reads its plugin registry (tens of milliseconds, or
    // a scan of every plugin when the registry is stale), and loads the common decoders on
    // Qt's global thread pool. The program does it at start, so that the first video does not
    // wait for it; the first Open does it otherwise. It also limits the process's malloc arenas
    // to two, which the streaming threads would otherwise multiply.
    static void Prepare();

    static constexpr std::chrono::milliseconds FirstRetry{1000};
    static constexpr std::chrono::milliseconds LongestRetry{60000};
    // No frame for this long while playing, and longer than two frames' time: it has stopped.
    static constexpr std::chrono::milliseconds StallLimit{5000};

    explicit TVideoEngine(QObject* parent = nullptr);
    ~TVideoEngine() override;

    // Starts opening a local file, closing what was open. The file is checked, opened and decoded
    // off this thread; a FIFO, a device or a folder is refused.
    void Open(const QString& path);
    // Plays from where the video stands: at once when opened, or as soon as it is. At the end of
    // a pass, the next pass follows the last frame without a gap when Play comes within a frame's
    // time of PassEnded, and later from where it waits.
    void Play();
    void Pause();
    void Close();
    // The size to deliver frames in, in pixels: the size they are drawn at, so that they are
    // scaled once, while decoded, and drawn as they come. Empty (the default): the natural size.
    // Frames already on their way keep their size; a drawer scales what does not fit.
    void SetFrameSize(QSize size);
    // Whether a failed video is tried again by itself (off: it stays Failed until opened again).
    void SetKeepTrying(bool keepTrying) { keepTrying_ = keepTrying; }
    // Whether the videos opened from now on are played once (a rotation's items, see
    // TPassLoop): a Play at the end of a pass then starts the next one a little later than a
    // loop's. Off, the default: every pass follows the last without a seam.
    void SetPlayOnce(bool once) { playOnce_ = once; }
    // Whether a failure is written to stderr (on, the default); off where the owner says it.
    void SetTellFailures(bool tell) { tellFailures_ = tell; }

    TState State() const { return state_; }
    // Whether a Play waits for the opening to finish.
    bool PlayRequested() const { return state_ == TState::Opening && playWanted_; }
    const QString& FilePath() const { return path_; }
    // The size of the video's frames with square pixels; empty until Opened.
    QSize NaturalSize() const { return naturalSize_; }
    // The newest frame, Format_RGB32; null until the first.
    const QImage& Frame() const { return frame_; }
    // Counts the frames taken since the engine was made, so a drawer sees which are new.
    quint64 FrameNumber() const { return frameNumber_; }
    const QString& FailureText() const { return failure_; }
    // The wait before the next try while Failed and keeping trying; zero otherwise.
    std::chrono::milliseconds RetryDelay() const;
    // How long a frame of the open video stands on show, as its stream says (a default when it
    // does not); zero while none is open. At PassEnded: a frame of the next pass, the same
    // time as the last one's in a video of one frame rate.
    std::chrono::nanoseconds FrameTime() const;

signals:
    void Opened();       // the first frame is decoded; the natural size is known
    void FrameChanged(); // a newer frame is in Frame
    void PassEnded();
    void Failed(); // written to standard error as well, so a terminal or the journal shows it

private:
    void Handle(quint64 session, const TPipelineEvent& event);
    // Starts a pipeline on the file, keeping the last frame on show until the new first one.
    void Start();
    void Fail(const QString& reason);
    void WatchForStall();

    struct TMailbox;
    std::shared_ptr<TMailbox> mailbox_;
    std::unique_ptr<TVideoPipeline> pipeline_;
    quint64 session_ = 0;
    TState state_ = TState::Closed;
    bool playWanted_ = false;
    QString path_;
    QSize frameSize_;
    QSize naturalSize_;
    QImage frame_;
    quint64 frameNumber_ = 0;
    QString failure_;
    bool keepTrying_ = false;
    bool playOnce_ = false;
    bool tellFailures_ = true;
    QString told_; // the failure last written to stderr, until the video plays again
    std::chrono::milliseconds nextRetry_ = FirstRetry;
    QTimer retryTimer_;
    QTimer stallTimer_;
};
