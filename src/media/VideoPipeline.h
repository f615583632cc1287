#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

// What a pipeline tells its owner, from its own threads.
struct TPipelineEvent {
    enum class TKind {
        Prerolled, // the first frame is decoded; NaturalSize holds its size
        Frame,     // a newer frame waits in LatestFrame
        PassEnded, // the video has played to its end
        Failed,    // it cannot be played; Reason says why
        Replaced,  // the file at the path is another one now (or changed) than the one playing
    };
    TKind Kind = TKind::Frame;
    QSize NaturalSize;
    QString Reason;
};

// One video file decoded by GStreamer into frames for drawing. Every call returns at once: the
// pipeline's state changes and seeks run on a command thread of its own, in the order asked for,
// and what happens comes back as events through the poster, from GStreamer's threads. So a file
// on a hung mount holds up only that thread, never the caller's.
//
// A pass flows into the next without a seam (TPassLoop): the first frame of the next pass waits
// at the sink until Play lets it on, and the owner has one frame's time to answer PassEnded
// before the pipeline pauses at the end. A file that yields passes without frames (truncated or
// overwritten while playing) leaves the pipeline idle rather than spinning. At each end of a
// pass the file is looked at again, and Replaced says when the path names other content than
// the pipeline plays.
class TVideoPipeline {
public:
    using TPoster = std::function<void(TPipelineEvent)>;

    // Starts GStreamer and reads its plugin registry, once; the first pipeline does it otherwise.
    static void Prepare();
    // Pipelines made and not yet wholly given back (their teardown runs on after destruction):
    // what a process holds for its videos, for tests and benchmarks of what it gives back.
    static int Alive();

    // Starts opening the file; Prerolled or Failed follows. Played once, it is not made ready
    // for a seamless next pass (TPassLoop); a Play at its end still starts one.
    TVideoPipeline(const std::string& path, TPoster poster, bool once = false);
    // Ends the pipeline without waiting for it: no event follows, its threads finish on their own.
    ~TVideoPipeline();
    TVideoPipeline(const TVideoPipeline&) = delete;
    TVideoPipeline& operator=(const TVideoPipeline&) = delete;

    // Plays on from where it stands; at the end of a pass, into the next one.
    void Play();
    void Pause();

    // The newest frame (QImage::Format_RGB32, null before the first); the next newer frame is
    // announced with a Frame event again.
    QImage TakeFrame();
    // Scales the frames to this size from the next one on (an empty size: the video's own), so
    // that a surface of that size draws them as they come, without scaling them again.
    void SetFrameSize(QSize size);
    // How long the newest frame stands on show, as the stream says (a default when it does not).
    std::chrono::nanoseconds FrameTime() const;

    struct TState;

private:
    std::shared_ptr<TState> state_;
};
