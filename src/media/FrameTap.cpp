#include "media/FrameTap.h"

#include <algorithm>

namespace {

// A frame's time on show when the stream does not say.
constexpr GstClockTime DefaultFrameTime = 40 * GST_MSECOND;

// A decoded frame mapped for reading, kept alive as long as a QImage uses its pixels. It holds
// the buffer, not the sample, which the sink may reuse.
struct TMappedFrame {
    GstBuffer* Buffer = nullptr;
    GstMapInfo Map{};

    static void Release(void* data) {
        auto* mapped = static_cast<TMappedFrame*>(data);
        gst_buffer_unmap(mapped->Buffer, &mapped->Map);
        gst_buffer_unref(mapped->Buffer);
        delete mapped;
    }
};

// A frame's size shown with square pixels: the width follows the pixel aspect ratio.
QSize SquarePixelSize(const GstVideoInfo& info) {
    const int parN = std::max(GST_VIDEO_INFO_PAR_N(&info), 1);
    const int parD = std::max(GST_VIDEO_INFO_PAR_D(&info), 1);
    return QSize(static_cast<int>(gst_util_uint64_scale_int(
                     static_cast<guint64>(GST_VIDEO_INFO_WIDTH(&info)), parN, parD)),
                 GST_VIDEO_INFO_HEIGHT(&info));
}

} // namespace

void TFrameTap::Take(GstSample* sample, bool preroll, const std::optional<GstVideoInfo>& decoded) {
    if (sample == nullptr)
        return;
    GstVideoInfo info;
    const bool known = gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) != FALSE;
    // A variable frame rate reads 0/1: no frame time of its own.
    if (known && GST_VIDEO_INFO_FPS_N(&info) > 0 && GST_VIDEO_INFO_FPS_D(&info) > 0)
        rateFrameTime_.store(gst_util_uint64_scale_int(GST_SECOND, GST_VIDEO_INFO_FPS_D(&info),
                                                       GST_VIDEO_INFO_FPS_N(&info)));
    auto* mapped = new TMappedFrame{gst_buffer_ref(gst_sample_get_buffer(sample)), {}};
    gst_sample_unref(sample);
    if (!known || !gst_buffer_map(mapped->Buffer, &mapped->Map, GST_MAP_READ)) {
        gst_buffer_unref(mapped->Buffer);
        delete mapped;
        return;
    }
    const QImage frame(mapped->Map.data, GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info),
                       GST_VIDEO_INFO_PLANE_STRIDE(&info, 0), QImage::Format_RGB32,
                       TMappedFrame::Release, mapped);
    const std::lock_guard lock(shared_.Lock);
    if (shared_.Closed)
        return;
    shared_.Latest = frame;
    if (preroll) {
        ++shared_.Prerolls;
        shared_.Changed.notify_all();
    }
    if (!shared_.Prerolled) {
        shared_.Prerolled = true;
        TPipelineEvent event;
        event.Kind = TPipelineEvent::TKind::Prerolled;
        event.NaturalSize = SquarePixelSize(decoded.value_or(info));
        poster_(std::move(event));
    }
    if (!shared_.FramePosted) {
        shared_.FramePosted = true;
        poster_(TPipelineEvent{});
    }
}

QImage TFrameTap::TakeFrame() {
    const std::lock_guard lock(shared_.Lock);
    shared_.FramePosted = false;
    return shared_.Latest;
}

GstClockTime TFrameTap::FrameTime() const {
    const GstClockTime duration = duration_.load();
    if (GST_CLOCK_TIME_IS_VALID(duration))
        return duration;
    const GstClockTime rate = rateFrameTime_.load();
    return GST_CLOCK_TIME_IS_VALID(rate) ? rate : DefaultFrameTime;
}

int TFrameTap::Prerolls() {
    const std::lock_guard lock(shared_.Lock);
    return shared_.Prerolls;
}

void TFrameTap::WaitForPrerollAfter(int seen) {
    std::unique_lock lock(shared_.Lock);
    shared_.Changed.wait(
        lock, [&] { return shared_.Prerolls > seen || shared_.GivenUp || shared_.Closed; });
}

void TFrameTap::GiveUp() {
    const std::lock_guard lock(shared_.Lock);
    shared_.GivenUp = true;
    shared_.Changed.notify_all();
}

void TFrameTap::Close() {
    QImage dropped; // given back to the sink outside the lock
    const std::lock_guard lock(shared_.Lock);
    shared_.Closed = true;
    dropped.swap(shared_.Latest);
    shared_.Changed.notify_all();
}
