#include "media/PipelineGraph.h"

#include <gst/app/gstappsink.h>

namespace {

// playbin's flags: video only, and no conversion of playbin's own. The program plays its videos
// silent, so sound and subtitles are neither decoded nor given a device; the output converts and
// scales each frame once, where it costs least, which playbin's converter would do before it.
constexpr guint PlayVideoOnly = 1u << 0;
constexpr guint PlayNativeVideo = 1u << 6;

struct TGFree {
    void operator()(gchar* text) const { g_free(text); }
};
using TGString = std::unique_ptr<gchar, TGFree>;

// Takes the reason out of a GLib error, or the fallback when there is none.
std::string ReasonOf(GError*& error, const char* fallback) {
    std::string reason = error != nullptr ? error->message : fallback;
    g_clear_error(&error);
    return reason;
}

void WireSink(GstElement* sink, TGraphListener& listener) {
    GstCaps* caps = gst_caps_from_string("video/x-raw,format=BGRx");
    g_object_set(sink, "caps", caps, "sync", TRUE, "max-buffers", 2u, "enable-last-sample", FALSE,
                 nullptr);
    gst_caps_unref(caps);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_preroll = [](GstAppSink* appsink, gpointer data) {
        static_cast<TGraphListener*>(data)->OnSample(gst_app_sink_pull_preroll(appsink), true);
        return GST_FLOW_OK;
    };
    callbacks.new_sample = [](GstAppSink* appsink, gpointer data) {
        static_cast<TGraphListener*>(data)->OnSample(gst_app_sink_pull_sample(appsink), false);
        return GST_FLOW_OK;
    };
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, &listener, nullptr);
}

// The output: "videoscale name=shrink add-borders=false ! capsfilter name=shrunk ! videoconvert
// ! videoscale add-borders=false ! capsfilter name=size ! queue max-size-buffers=3 ! appsink
// name=frames" behind a ghost pad. One conversion and one scaling: the scaler not in use is held
// at its input size and passes frames through untouched (TFrameSizing). The queue lets the next
// frame be made while the sink waits for the time of the last. Each pad is linked by name without
// asking what caps it takes, which a parsed description does at a cost of milliseconds for each
// opening (a rotation opens a file for every item); the caps are agreed when the first frame
// flows. Null when an element is missing.
GstElement* MakeOutput() {
    struct TPart {
        const char* Factory;
        const char* Name;
        const char* Property = nullptr; // set from its text, as a description would
        const char* Value = nullptr;
    };
    constexpr TPart Parts[] = {{"videoscale", "shrink", "add-borders", "false"},
                               {"capsfilter", "shrunk"},
                               {"videoconvert", nullptr},
                               {"videoscale", nullptr, "add-borders", "false"},
                               {"capsfilter", "size"},
                               {"queue", nullptr, "max-size-buffers", "3"},
                               {"appsink", "frames"}};
    GstElement* bin = gst_bin_new(nullptr);
    GstElement* previous = nullptr;
    for (const TPart& part : Parts) {
        GstElement* element = gst_element_factory_make(part.Factory, part.Name);
        if (element == nullptr) {
            gst_object_unref(bin);
            return nullptr;
        }
        if (part.Property != nullptr)
            gst_util_set_object_arg(G_OBJECT(element), part.Property, part.Value);
        gst_bin_add(GST_BIN(bin), element);
        if (previous != nullptr && !gst_element_link_pads_full(previous, "src", element, "sink",
                                                               GST_PAD_LINK_CHECK_NOTHING)) {
            gst_object_unref(bin);
            return nullptr;
        }
        previous = element;
    }
    GstElement* shrink = gst_bin_get_by_name(GST_BIN(bin), "shrink");
    GstPad* target = gst_element_get_static_pad(shrink, "sink");
    gst_element_add_pad(bin, gst_ghost_pad_new("sink", target));
    gst_object_unref(target);
    gst_object_unref(shrink);
    return bin;
}

} // namespace

std::unique_ptr<TPipelineGraph>
TPipelineGraph::Build(const std::string& path, TGraphListener& listener, std::string& error) {
    GError* gError = nullptr;
    const TGString uri(gst_filename_to_uri(path.c_str(), &gError));
    if (!uri) {
        error = ReasonOf(gError, "It has no usable path");
        return nullptr;
    }
    GstElement* playbin = gst_element_factory_make("playbin", nullptr);
    GstElement* output = MakeOutput();
    if (playbin == nullptr || output == nullptr) {
        error = "GStreamer's playbin or its video conversion is missing";
        if (playbin != nullptr)
            gst_object_unref(playbin);
        if (output != nullptr)
            gst_object_unref(output);
        return nullptr;
    }

    std::unique_ptr<TPipelineGraph> graph(new TPipelineGraph);
    graph->playbin_ = playbin;
    GstElement* sink = gst_bin_get_by_name(GST_BIN(output), "frames");
    WireSink(sink, listener);
    graph->sinkPad_ = gst_element_get_static_pad(sink, "sink");
    gst_object_unref(sink);
    gst_pad_add_probe(
        graph->sinkPad_,
        static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                     GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM |
                                     GST_PAD_PROBE_TYPE_EVENT_FLUSH),
        [](GstPad*, GstPadProbeInfo* info, gpointer data) {
            return static_cast<TGraphListener*>(data)->AtSink(info);
        },
        &listener, nullptr);
    GstElement* shrink = gst_bin_get_by_name(GST_BIN(output), "shrink");
    graph->decodedPad_ = gst_element_get_static_pad(shrink, "sink");
    gst_object_unref(shrink);
    gst_pad_add_probe(
        graph->decodedPad_,
        static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                     GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
        [](GstPad*, GstPadProbeInfo* info, gpointer data) {
            static_cast<TGraphListener*>(data)->AtOutput(info);
            return GST_PAD_PROBE_OK;
        },
        &listener, nullptr);
    graph->shrinkFilter_ = gst_bin_get_by_name(GST_BIN(output), "shrunk");
    graph->sizeFilter_ = gst_bin_get_by_name(GST_BIN(output), "size");

    g_object_set(playbin, "uri", uri.get(), "video-sink", output, "flags",
                 PlayVideoOnly | PlayNativeVideo, nullptr);
    GstBus* bus = gst_element_get_bus(playbin);
    // Every message is handled here, on the thread that posts it; none is kept, since nobody
    // reads the bus. A dropped message is ours to release: it holds its source element.
    gst_bus_set_sync_handler(
        bus,
        [](GstBus*, GstMessage* message, gpointer data) {
            static_cast<TGraphListener*>(data)->OnBusMessage(message);
            gst_message_unref(message);
            return GST_BUS_DROP;
        },
        &listener, nullptr);
    gst_object_unref(bus);
    return graph;
}

void TPipelineGraph::Stop() {
    gst_element_set_state(playbin_, GST_STATE_NULL);
    GstBus* bus = gst_element_get_bus(playbin_);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
}

TPipelineGraph::~TPipelineGraph() {
    Stop();
    gst_object_unref(sinkPad_);
    gst_object_unref(decodedPad_);
    gst_object_unref(shrinkFilter_);
    gst_object_unref(sizeFilter_);
    gst_object_unref(playbin_);
}

std::optional<GstVideoInfo> TPipelineGraph::Decoded() const {
    std::optional<GstVideoInfo> decoded;
    if (GstCaps* caps = gst_pad_get_current_caps(decodedPad_)) {
        GstVideoInfo info;
        if (gst_video_info_from_caps(&info, caps))
            decoded = info;
        gst_caps_unref(caps);
    }
    return decoded;
}

bool TPipelineGraph::Holds(const char* factoryName) const {
    GstIterator* elements = gst_bin_iterate_recurse(GST_BIN(playbin_));
    GValue item = G_VALUE_INIT;
    bool found = false;
    while (!found && gst_iterator_next(elements, &item) == GST_ITERATOR_OK) {
        GstElementFactory* factory =
            gst_element_get_factory(GST_ELEMENT(g_value_get_object(&item)));
        found =
            factory != nullptr &&
            g_strcmp0(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory)), factoryName) == 0;
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(elements);
    return found;
}

bool TPipelineGraph::SeekToStart(GstSeekFlags flags) const {
    return gst_element_seek(playbin_, 1.0, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET, 0,
                            GST_SEEK_TYPE_NONE, -1) != FALSE;
}

bool TPipelineGraph::QueueStart() const {
    // Sent up from the sink's pad, not to the pipeline, which would hold its state lock until
    // the stream moves, and so keep Play from moving it.
    return gst_pad_push_event(sinkPad_, gst_event_new_seek(1.0, GST_FORMAT_TIME,
                                                           GST_SEEK_FLAG_SEGMENT, GST_SEEK_TYPE_SET,
                                                           0, GST_SEEK_TYPE_NONE, -1)) != FALSE;
}
