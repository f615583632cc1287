#pragma once

#include "media/VideoPipeline.h"

#include <QImage>
#include <atomic>
#include <condition_variable>
#include <gst/gst.h>
#include <gst/video/video.h>
#include <mutex>
#include <optional>

// Where frames leave a pipeline: each sample the sink hands over becomes the newest frame,
// mapped where the sink left it, not copied. The owner hears of the first frame (Prerolled, with
// the natural size) and of each newer one (Frame, once until it is taken).
class TFrameTap {
public:
    explicit TFrameTap(TVideoPipeline::TPoster poster) : poster_(std::move(poster)) {}

    // The sink's streaming thread: a sample pulled from the sink, whose reference this takes.
    // Decoded describes the frames as decoded, before any scaling, when known.
    void Take(GstSample* sample, bool preroll, const std::optional<GstVideoInfo>& decoded);
    // The newest frame (null before the first); the next newer one is announced again.
    QImage TakeFrame();

    // The sink's door, in its streaming thread: a frame's time on show, as the stream says.
    void NoteDuration(GstClockTime duration) { duration_.store(duration); }
    // How long the newest frame stands on show: as its buffer says, else as the frame rate of
    // its caps says (a stream without durations), else a default.
    GstClockTime FrameTime() const;

    // Frames the sink has prerolled on.
    int Prerolls();
    // Waits until the sink has prerolled on more than seen frames, or the tap is closed or
    // given up.
    void WaitForPrerollAfter(int seen);
    // The pipeline has failed: nobody waits for a preroll any more.
    void GiveUp();
    // No frame is kept or announced from now on.
    void Close();

private:
    const TVideoPipeline::TPoster poster_;
    // Written by the sink's streaming thread, read by any.
    std::atomic<GstClockTime> duration_{GST_CLOCK_TIME_NONE};
    std::atomic<GstClockTime> rateFrameTime_{GST_CLOCK_TIME_NONE};

    // The sink's streaming thread, the window thread and the command thread: under Lock.
    struct TShared {
        std::mutex Lock;
        std::condition_variable Changed;
        QImage Latest;
        int Prerolls = 0;
        bool Prerolled = false;
        bool FramePosted = false; // a Frame event is on its way, not yet taken
        bool GivenUp = false;
        bool Closed = false;
    } shared_;
};
