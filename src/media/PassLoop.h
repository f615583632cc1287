#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

// What the pass loop asks of the player it drives: the video pipeline does it over GStreamer.
// Every call returns at once unless it says it waits.
class TPassSeeker {
public:
    // Has TPassLoop::SeekNextPass run soon on a thread that may wait for the stream: not the
    // command thread, where a Play queued behind the seek would never come.
    virtual void ScheduleNextPass() = 0;
    // Queues the beginning behind what still flows, without a flush (a segment seek); false
    // when the demuxer refuses it. Waits until the stream moves.
    virtual bool SeekSegmentStart() = 0;
    // Ends the stream after what is on its way to the sink.
    virtual void EndStream() = 0;
    // Starts over from the beginning with a flushing seek, on the command thread.
    virtual void SeekStartFlushing() = 0;
    // Pauses the pipeline where it stands, on the command thread.
    virtual void PauseAtEnd() = 0;
    // Lets the stream run, so that a seek waiting for it ends.
    virtual void RunOut() = 0;
    // A pass has ended: the owner is told, and the file looked at again.
    virtual void PassEnded() = 0;

protected:
    ~TPassSeeker() = default;
};

// Passes of one video played one after the other without a seam. A segment seek queues the next
// pass behind the last frame of this one, and the first frame of the next waits at the sink
// until Play lets it on (the owner has the last frame's time to answer PassEnded before the
// pipeline pauses at the end). A demuxer that refuses segment seeks ends its stream instead,
// and the pass starts over with a flushing seek, its first frame timed as it would have been.
// The next pass is asked for only once a frame of the last one has reached the sink, so a file
// that yields passes without frames leaves the loop idle rather than spinning. A video played
// once (a rotation's item) takes no segment seeks and seeks nothing at the end of its stream,
// sparing the second preroll of an opening and the next pass's first frames decoded for
// nothing: only a Play there starts the next pass, with a flushing seek.
//
// Plain code: the seeker does the seeking. The sink's calls come from the thread that carries
// frames into the sink (a flushing seek sends its flush while that stream stands still).
class TPassLoop {
public:
    explicit TPassLoop(TPassSeeker& seeker, bool once = false) : seeker_(seeker), once_(once) {}

    // Command thread, once the opening has prerolled: whether passes follow by segment seeks
    // (or by the end of the stream and a flushing seek). No pass is asked for before.
    void Start(bool segmentSeeks);
    // Window thread: a pass waiting at its end goes on.
    void Play();
    // Destructor: a frame waiting at the sink is dropped, no seek is asked for any more, and
    // nothing reaches the seeker after but RunOut from EndSeeks.
    void Close();
    // Command thread, before the pipeline stops: waits for a segment seek on its way to end,
    // letting the stream run out for it. A demuxer stopped under a seek on its way to it meets
    // it with its streams freed (the AVI demuxer crashes).
    void EndSeeks();

    // Bus: the demuxer has played to the end of its segment.
    void SegmentDone();
    // On the thread ScheduleNextPass gave it.
    void SeekNextPass();

    // The sink's door. A frame enters; the one before stands on show for previousFrameTime.
    // At the start of a pass it waits there for Play. False: drop it (closing).
    bool AtFrame(std::chrono::nanoseconds previousFrameTime);
    void AtFlush();
    // A segment arrives; true when it queues the next pass behind frames of this one (endKnown:
    // the running time at which the last frame ends is known), to be counted from there.
    bool AtSegment(bool endKnown);
    // The stream ends; the last frame stands on show for frameTime. False: drop the end.
    bool AtEnd(std::chrono::nanoseconds frameTime);

private:
    using TClock = std::chrono::steady_clock;

    // Shared.Lock held.
    void LoopWhenFlowing();
    void QueueNextPass();
    void EndPass();

    TPassSeeker& seeker_;
    const bool once_;

    // The sink's streaming thread's own.
    struct TSinkThread {
        bool FlowedSinceFlush = false;
        bool NextPass = false;         // the next frame starts a pass
        bool Restarting = false;       // ... after a flushing seek
        TClock::time_point RestartDue; // ... and is not shown before this
    } sink_;

    // Window, command, bus, sink and seek threads alike: every field under Lock.
    struct TShared {
        std::mutex Lock;
        std::condition_variable Changed;
        bool Closing = false;
        bool Started = false;
        bool EndedEarly = false;   // a segment ended before Start
        bool SegmentSeeks = false; // the demuxer takes segment seeks: passes follow on their own
        bool FrameSinceSeek = false;
        bool SeekDeferred = false; // the next pass waits for a frame of this one
        bool Held = false;         // a pass has ended; the first frame of the next waits for Play
        bool Released = false;     // ... which has come
        bool Seeking = false;      // a segment seek is on its way
        bool Stopped = false;      // played once to its end: Play seeks the beginning
    } shared_;
};
