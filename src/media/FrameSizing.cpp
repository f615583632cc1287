#include "media/FrameSizing.h"

#include "media/PipelineGraph.h"

#include <optional>
#include <utility>

namespace {

// Whether a frame of the decoded size loses half its pixels or more at the wanted size. Such a
// frame is scaled before it is converted, in the decoder's own format and at its own size: a 4K
// frame shown at 1080p is converted at a quarter of its pixels. Any other is converted first:
// GStreamer scales converted frames faster than planar ones (measured: display_cpu_bench).
bool ShrinksToHalf(QSize decoded, QSize wanted) {
    return 2 * static_cast<qint64>(wanted.width()) * wanted.height() <=
           static_cast<qint64>(decoded.width()) * decoded.height();
}

// What the first scaler makes of decoded frames for the wanted size. When it is not the one to
// use, it is held at the decoded size: asked for any, it would take on the wanted size itself.
QSize ShrinkSize(const std::optional<QSize>& decoded, QSize wanted) {
    if (wanted.isEmpty())
        return QSize();
    return !decoded || ShrinksToHalf(*decoded, wanted) ? wanted : *decoded;
}

// Asks the scaler before a size filter for frames of that size (an empty size: any), from its
// next frame on.
void AskForSize(GstElement* filter, QSize size) {
    GstCaps* caps = size.isEmpty()
                        ? gst_caps_new_any()
                        : gst_caps_new_simple("video/x-raw", "width", G_TYPE_INT, size.width(),
                                              "height", G_TYPE_INT, size.height(), nullptr);
    g_object_set(filter, "caps", caps, nullptr);
    gst_caps_unref(caps);
    GstPad* pad = gst_element_get_static_pad(filter, "sink");
    gst_pad_push_event(pad, gst_event_new_reconfigure());
    gst_object_unref(pad);
}

} // namespace

void TFrameSizing::Want(QSize size) {
    const std::lock_guard lock(shared_.Lock);
    if (shared_.Wanted == size)
        return;
    shared_.Wanted = size;
    shared_.Changed = true;
}

void TFrameSizing::AtOutput(GstPadProbeInfo* info, const TPipelineGraph& graph) {
    QSize wanted;
    {
        const std::lock_guard lock(shared_.Lock);
        if ((GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) != 0) {
            if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_CAPS)
                shared_.Changed = true;
            return;
        }
        if (!std::exchange(shared_.Changed, false))
            return;
        wanted = shared_.Wanted;
    }
    std::optional<QSize> decoded;
    if (const auto frames = graph.Decoded())
        decoded = QSize(GST_VIDEO_INFO_WIDTH(&*frames), GST_VIDEO_INFO_HEIGHT(&*frames));
    AskForSize(graph.ShrinkFilter(), ShrinkSize(decoded, wanted));
    AskForSize(graph.SizeFilter(), wanted);
}
