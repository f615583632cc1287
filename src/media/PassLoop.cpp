#include "media/PassLoop.h"

#include <utility>

void TPassLoop::Start(bool segmentSeeks) {
    const std::lock_guard lock(shared_.Lock);
    shared_.SegmentSeeks = segmentSeeks;
    shared_.Started = true;
    if (std::exchange(shared_.EndedEarly, false))
        LoopWhenFlowing();
}

void TPassLoop::Play() {
    const std::lock_guard lock(shared_.Lock);
    if (shared_.Held) {
        shared_.Released = true;
        shared_.Changed.notify_all();
    }
    if (std::exchange(shared_.Stopped, false))
        seeker_.SeekStartFlushing();
}

void TPassLoop::Close() {
    const std::lock_guard lock(shared_.Lock);
    shared_.Closing = true;
    shared_.Changed.notify_all();
}

void TPassLoop::EndSeeks() {
    std::unique_lock lock(shared_.Lock);
    if (!shared_.Seeking)
        return;
    // The seek waits for the stream, which may stand in a paused sink: playing, it runs out,
    // every frame dropped at the sink now that the loop is closed.
    lock.unlock();
    seeker_.RunOut();
    lock.lock();
    shared_.Changed.wait(lock, [this] { return !shared_.Seeking; });
}

void TPassLoop::SegmentDone() {
    const std::lock_guard lock(shared_.Lock);
    if (shared_.Started)
        LoopWhenFlowing();
    else
        shared_.EndedEarly = true;
}

void TPassLoop::SeekNextPass() {
    {
        const std::lock_guard lock(shared_.Lock);
        if (shared_.Closing)
            return;
        shared_.Seeking = true;
    }
    if (!seeker_.SeekSegmentStart()) {
        // Then the pass ends with the end of the stream after its last frame, and starts over.
        {
            const std::lock_guard lock(shared_.Lock);
            shared_.SegmentSeeks = false;
        }
        seeker_.EndStream();
    }
    const std::lock_guard lock(shared_.Lock);
    shared_.Seeking = false;
    shared_.Changed.notify_all();
}

bool TPassLoop::AtFrame(std::chrono::nanoseconds previousFrameTime) {
    std::unique_lock lock(shared_.Lock);
    if (shared_.Closing)
        return false;
    sink_.FlowedSinceFlush = true;
    shared_.FrameSinceSeek = true;
    if (shared_.SeekDeferred && shared_.Started)
        QueueNextPass();
    const bool restarted = std::exchange(sink_.Restarting, false);
    if (std::exchange(sink_.NextPass, false)) {
        // The last frame of the pass is on show: the pass has ended once its time is up.
        EndPass();
    } else if (!restarted) {
        return true;
    }

    // This frame follows the last one only if Play says so before the last one's time is up;
    // otherwise the pipeline stands still at the end until it does.
    const auto due = restarted ? sink_.RestartDue : TClock::now() + previousFrameTime;
    const auto answered = [this] { return shared_.Released || shared_.Closing; };
    if (!shared_.Changed.wait_until(lock, due, answered)) {
        seeker_.PauseAtEnd();
        shared_.Changed.wait(lock, answered);
    }
    // After a flushing seek the sink shows the first frame at once: not before its time.
    shared_.Changed.wait_until(lock, due, [this] { return shared_.Closing; });
    shared_.Held = false;
    return !shared_.Closing;
}

void TPassLoop::AtFlush() {
    sink_.FlowedSinceFlush = false;
}

bool TPassLoop::AtSegment(bool endKnown) {
    if (!sink_.FlowedSinceFlush || !endKnown)
        return false;
    sink_.NextPass = true;
    return true;
}

bool TPassLoop::AtEnd(std::chrono::nanoseconds frameTime) {
    const std::lock_guard lock(shared_.Lock);
    if (shared_.Closing || shared_.SegmentSeeks)
        return true;
    if (!sink_.FlowedSinceFlush) {
        // Nothing of this pass reached the sink: starting over would only spin. The pipeline
        // stands idle, and its owner sees that no frame comes.
        return false;
    }
    // The last frame is on show, and the beginning is sought now (played once: when Play asks),
    // to follow when its time is up. The sink never sees the end.
    EndPass();
    sink_.Restarting = true;
    sink_.RestartDue = TClock::now() + frameTime;
    if (once_)
        shared_.Stopped = true;
    else
        seeker_.SeekStartFlushing();
    return false;
}

void TPassLoop::LoopWhenFlowing() {
    if (shared_.FrameSinceSeek)
        QueueNextPass();
    else
        shared_.SeekDeferred = true;
}

void TPassLoop::QueueNextPass() {
    shared_.FrameSinceSeek = false;
    shared_.SeekDeferred = false;
    seeker_.ScheduleNextPass();
}

void TPassLoop::EndPass() {
    shared_.Held = true;
    shared_.Released = false;
    seeker_.PassEnded();
}
