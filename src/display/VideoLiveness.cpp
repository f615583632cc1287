#include "display/VideoLiveness.h"

bool TVideoLiveness::Alive(const TShownVideo& video, TTime now) {
    if (!video.Present || !video.Playing) {
        movedAt_.reset();
        return true;
    }
    if (!movedAt_ || video.FrameNumber != frameNumber_) {
        movedAt_ = now;
        frameNumber_ = video.FrameNumber;
    }
    return now - *movedAt_ < FrozenLimit;
}
