#include "media/VideoPipeline.h"

#include "media/MediaFile.h"
#include "platform/FileIo.h"

#include <QThreadPool>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/pbutils/pbutils.h>
#include <gst/video/video.h>
#include <mutex>
#include <optional>
#include <vector>

namespace {

// playbin's flags: video only, and no conversion of playbin's own. The program plays its videos
// silent, so sound and subtitles are neither decoded nor given a device; the output converts and
// scales each frame once, where it costs least, which playbin's converter would do before it.
constexpr guint PlayVideoOnly = 1u << 0;
constexpr guint PlayNativeVideo = 1u << 6;

// The plugins nearly every video needs: the player, type finding, demuxers, decoders and the
// conversion to the frames drawn.
constexpr const char* PreloadedPlugins[] = {
    "coreelements", "playback",    "typefindfunctions", "app",  "videoconvertscale",
    "libav",        "isomp4",      "matroska",          "avi",  "asf",
    "mpegpsdemux",  "mpegtsdemux", "videoparsersbad",   "jpeg", "vpx"};

// Pipelines whose state is not yet given back.
std::atomic<int> alivePipelines{0};

// A frame's time on show when the stream does not say.
constexpr GstClockTime DefaultFrameTime = 40 * GST_MSECOND;

// How often the command thread looks whether it should give up waiting for a state change.
constexpr GstClockTime StateWaitSlice = 100 * GST_MSECOND;

// Seeks to the beginning, to play on to the end.
bool SeekToStart(GstElement* pipeline, GstSeekFlags flags) {
    return gst_element_seek(pipeline, 1.0, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET, 0,
                            GST_SEEK_TYPE_NONE, -1) != FALSE;
}

// Whether the pipeline holds an element made by the named factory. The transport stream
// demuxer refuses segment seeks, and its stream stalls after the refusal: it is not asked.
bool Holds(GstElement* pipeline, const char* factoryName) {
    GstIterator* elements = gst_bin_iterate_recurse(GST_BIN(pipeline));
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

// A frame's size shown with square pixels: the width follows the pixel aspect ratio.
QSize SquarePixelSize(const GstVideoInfo& info) {
    const int parN = std::max(GST_VIDEO_INFO_PAR_N(&info), 1);
    const int parD = std::max(GST_VIDEO_INFO_PAR_D(&info), 1);
    return QSize(static_cast<int>(gst_util_uint64_scale_int(
                     static_cast<guint64>(GST_VIDEO_INFO_WIDTH(&info)), parN, parD)),
                 GST_VIDEO_INFO_HEIGHT(&info));
}

// Whether a frame of the decoded size loses half its pixels or more at the wanted size. Such a
// frame is scaled before it is converted, in the decoder's own format and at its own size: a 4K
// frame shown at 1080p is converted at a quarter of its pixels. Any other is converted first:
// GStreamer scales converted frames faster than planar ones (measured: display_cpu_bench).
bool ShrinksToHalf(QSize decoded, QSize wanted) {
    return 2 * static_cast<qint64>(wanted.width()) * wanted.height() <=
           static_cast<qint64>(decoded.width()) * decoded.height();
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

struct TGFree {
    void operator()(gchar* text) const { g_free(text); }
};
using TGString = std::unique_ptr<gchar, TGFree>;

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

} // namespace

struct TVideoPipeline::TState : std::enable_shared_from_this<TVideoPipeline::TState> {
    TState() { ++alivePipelines; }
    ~TState() { --alivePipelines; }
    TState(const TState&) = delete;
    TState& operator=(const TState&) = delete;

    TPoster Poster;
    std::string Path;
    GstElement* Playbin = nullptr;
    GstPad* SinkPad = nullptr;          // where frames enter the sink
    GstPad* DecodedPad = nullptr;       // where decoded frames enter the output
    GstElement* ShrinkFilter = nullptr; // the size decoded frames shrink to before conversion
    GstElement* SizeFilter = nullptr;   // the size frames are scaled to
    GThreadPool* Commands = nullptr;    // one thread, in order; null once shutting down
    std::optional<FileIo::TFileIdentity> Identity; // of the file as it was opened

    mutable std::mutex Lock;
    std::condition_variable Changed;
    bool Closing = false;
    bool Failed = false;
    bool Prerolled = false;
    int Prerolls = 0;        // frames the sink has prerolled on
    bool Opened = false;     // the opening has finished; passes may be queued
    bool LoopWanted = false; // the first pass was read before that
    bool FramePosted = false;
    bool SegmentLoop = false;    // the demuxer took the segment seek: passes follow on their own
    bool FrameSinceLoop = false; // a frame reached the sink since the last pass was asked for
    bool LoopDeferred = false;   // the next pass waits for such a frame
    bool ReplacedPosted = false;
    bool Held = false;       // a pass has ended; the first frame of the next waits for Play
    bool Release = false;    // ... which has come
    bool Restarting = false; // the next pass comes after a flushing seek, not before the end
    bool Seeking = false;    // the next pass is being asked for, off the command thread
    std::chrono::steady_clock::time_point RestartDue; // ... and may not be shown before this
    // What reached the sink: the current segment, the running time at which the newest frame
    // ends, whether anything flowed since the last flush, whether the next frame starts a pass.
    GstSegment Segment{};
    GstClockTime LastEnd = GST_CLOCK_TIME_NONE;
    GstClockTime LastDuration = GST_CLOCK_TIME_NONE;
    bool FlowedSinceFlush = false;
    bool NextPass = false;
    std::vector<std::string> MissingDecoders;
    QImage Latest;
    QSize FrameSize;         // what the frames are scaled to; empty for their own size
    bool SizeChanged = true; // ... or the decoded size has, since the scalers were told

    // Queues a command for the command thread; nothing once shutting down. Lock held.
    void PostLocked(std::function<void(TState&)> command);
    void Fail(const std::string& reason);
    int PrerollCount() {
        const std::lock_guard lock(Lock);
        return Prerolls;
    }
    bool ClosingNow() {
        const std::lock_guard lock(Lock);
        return Closing;
    }
    // Waits for a state change to finish; false when it failed or the pipeline is closing.
    bool SettleState();

    void Open();
    // Where decoded frames enter the output, in the streaming thread: gives them the wanted size
    // when it or the decoded size has changed.
    void AtOutput(GstPadProbeInfo* info);
    void PlayCommand();
    void Restart();
    void CheckFile();
    // Lock held.
    void LoopWhenFlowing();
    void QueueNextPass();
    void LoopSeek();
    void Teardown();
    void TakeSample(GstSample* sample, bool preroll);
    // The frames as decoded, before any scaling; nothing when not yet known.
    std::optional<GstVideoInfo> Decoded();
    // The sink's door, in the streaming thread; the lock is held in the event part.
    GstPadProbeReturn AtSink(GstPadProbeInfo* info);
    GstPadProbeReturn AtSinkEvent(GstPadProbeInfo* info);
    void EndPass();
    GstClockTime FrameTime() const {
        return GST_CLOCK_TIME_IS_VALID(LastDuration) ? LastDuration : DefaultFrameTime;
    }
    void OnBusMessage(GstMessage* message);
};

namespace {

struct TCommand {
    std::shared_ptr<TVideoPipeline::TState> State;
    std::function<void(TVideoPipeline::TState&)> Run;
};

void RunCommand(gpointer data, gpointer) {
    const std::unique_ptr<TCommand> command(static_cast<TCommand*>(data));
    command->Run(*command->State);
}

} // namespace

void TVideoPipeline::Prepare() {
    static std::once_flag once;
    std::call_once(once, [] {
        gst_init(nullptr, nullptr);
        gst_pb_utils_init();
        // Loading the decoders takes longer than decoding a first frame; done in the background
        // now, it does not hold up the first video the operator opens.
        QThreadPool::globalInstance()->start([] {
            for (const char* plugin : PreloadedPlugins) {
                if (GstPlugin* loaded = gst_plugin_load_by_name(plugin))
                    gst_object_unref(loaded);
            }
        });
    });
}

int TVideoPipeline::Alive() {
    return alivePipelines;
}

TVideoPipeline::TVideoPipeline(const std::string& path, TPoster poster)
    : state_(std::make_shared<TState>()) {
    Prepare();
    state_->Poster = std::move(poster);
    state_->Path = path;
    state_->Commands = g_thread_pool_new(RunCommand, nullptr, 1, FALSE, nullptr);
    const std::lock_guard lock(state_->Lock);
    state_->PostLocked([](TState& s) { s.Open(); });
}

TVideoPipeline::~TVideoPipeline() {
    GThreadPool* commands = nullptr;
    {
        const std::lock_guard lock(state_->Lock);
        state_->Closing = true;
        commands = std::exchange(state_->Commands, nullptr);
    }
    state_->Changed.notify_all();
    g_thread_pool_push(commands, new TCommand{state_, [](TState& s) { s.Teardown(); }}, nullptr);
    // Returns at once; the thread runs what is queued, the teardown last, and then ends.
    g_thread_pool_free(commands, FALSE, FALSE);
}

void TVideoPipeline::Play() {
    const std::lock_guard lock(state_->Lock);
    if (state_->Held) {
        state_->Release = true;
        state_->Changed.notify_all();
    }
    state_->PostLocked([](TState& s) { s.PlayCommand(); });
}

void TVideoPipeline::Pause() {
    const std::lock_guard lock(state_->Lock);
    state_->PostLocked([](TState& s) {
        if (s.Playbin != nullptr)
            gst_element_set_state(s.Playbin, GST_STATE_PAUSED);
    });
}

QImage TVideoPipeline::TakeFrame() {
    const std::lock_guard lock(state_->Lock);
    state_->FramePosted = false;
    return state_->Latest;
}

void TVideoPipeline::SetFrameSize(QSize size) {
    const std::lock_guard lock(state_->Lock);
    if (state_->FrameSize == size)
        return;
    state_->FrameSize = size;
    state_->SizeChanged = true;
}

std::chrono::nanoseconds TVideoPipeline::FrameTime() const {
    const std::lock_guard lock(state_->Lock);
    return std::chrono::nanoseconds(state_->FrameTime());
}

void TVideoPipeline::TState::PostLocked(std::function<void(TState&)> command) {
    if (Commands == nullptr)
        return;
    // Each command keeps the state alive until it has run.
    g_thread_pool_push(Commands, new TCommand{shared_from_this(), std::move(command)}, nullptr);
}

void TVideoPipeline::TState::Fail(const std::string& reason) {
    const std::lock_guard lock(Lock);
    if (Failed || Closing)
        return;
    Failed = true;
    Changed.notify_all();
    TPipelineEvent event;
    event.Kind = TPipelineEvent::TKind::Failed;
    event.Reason = QString::fromStdString(reason);
    Poster(std::move(event));
}

bool TVideoPipeline::TState::SettleState() {
    for (;;) {
        const GstStateChangeReturn result =
            gst_element_get_state(Playbin, nullptr, nullptr, StateWaitSlice);
        if (result == GST_STATE_CHANGE_FAILURE || ClosingNow())
            return false;
        if (result != GST_STATE_CHANGE_ASYNC)
            return true;
    }
}

void TVideoPipeline::TState::Open() {
    if (const auto refusal = MediaFile::RefusalOf(Path)) {
        Fail(*refusal);
        return;
    }
    Identity = FileIo::IdentityOf(Path);
    GError* error = nullptr;
    const TGString uri(gst_filename_to_uri(Path.c_str(), &error));
    if (!uri) {
        Fail(error != nullptr ? error->message : "It has no usable path");
        g_clear_error(&error);
        return;
    }

    GstElement* playbin = gst_element_factory_make("playbin", nullptr);
    // One conversion and one scaling: the scaler not in use is held at its input size and passes
    // frames through untouched (see AtOutput). The queue lets the next frame be made while
    // the sink waits for the time of the last.
    GstElement* output = gst_parse_bin_from_description(
        "videoscale name=shrink add-borders=false ! capsfilter name=shrunk ! videoconvert"
        " ! videoscale add-borders=false ! capsfilter name=size"
        " ! queue max-size-buffers=3 ! appsink name=frames",
        TRUE, &error);
    if (playbin == nullptr || output == nullptr) {
        Fail(error != nullptr ? error->message : "GStreamer's playbin is missing");
        g_clear_error(&error);
        if (playbin != nullptr)
            gst_object_unref(playbin);
        if (output != nullptr)
            gst_object_unref(output);
        return;
    }
    GstElement* sink = gst_bin_get_by_name(GST_BIN(output), "frames");
    GstCaps* caps = gst_caps_from_string("video/x-raw,format=BGRx");
    g_object_set(sink, "caps", caps, "sync", TRUE, "max-buffers", 2u, "enable-last-sample", FALSE,
                 nullptr);
    gst_caps_unref(caps);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_preroll = [](GstAppSink* appsink, gpointer data) {
        static_cast<TState*>(data)->TakeSample(gst_app_sink_pull_preroll(appsink), true);
        return GST_FLOW_OK;
    };
    callbacks.new_sample = [](GstAppSink* appsink, gpointer data) {
        static_cast<TState*>(data)->TakeSample(gst_app_sink_pull_sample(appsink), false);
        return GST_FLOW_OK;
    };
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, this, nullptr);
    GstPad* pad = gst_element_get_static_pad(sink, "sink");
    gst_pad_add_probe(
        pad,
        static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                     GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM |
                                     GST_PAD_PROBE_TYPE_EVENT_FLUSH),
        [](GstPad*, GstPadProbeInfo* info, gpointer data) {
            return static_cast<TState*>(data)->AtSink(info);
        },
        this, nullptr);
    gst_object_unref(sink);
    GstElement* shrink = gst_bin_get_by_name(GST_BIN(output), "shrink");
    GstPad* decodedPad = gst_element_get_static_pad(shrink, "sink");
    gst_object_unref(shrink);
    // Sizes are changed between two frames on the thread that carries them, so that no frame is
    // on its way between the scalers and their filters when they change.
    gst_pad_add_probe(
        decodedPad,
        static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                     GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
        [](GstPad*, GstPadProbeInfo* info, gpointer data) {
            static_cast<TState*>(data)->AtOutput(info);
            return GST_PAD_PROBE_OK;
        },
        this, nullptr);
    GstElement* shrinkFilter = gst_bin_get_by_name(GST_BIN(output), "shrunk");
    GstElement* sizeFilter = gst_bin_get_by_name(GST_BIN(output), "size");

    g_object_set(playbin, "uri", uri.get(), "video-sink", output, "flags",
                 PlayVideoOnly | PlayNativeVideo, nullptr);
    GstBus* bus = gst_element_get_bus(playbin);
    // Every message is handled here, on the thread that posts it; none is kept, since nobody
    // reads the bus. A dropped message is ours to release: it holds its source element.
    gst_bus_set_sync_handler(
        bus,
        [](GstBus*, GstMessage* message, gpointer data) {
            static_cast<TState*>(data)->OnBusMessage(message);
            gst_message_unref(message);
            return GST_BUS_DROP;
        },
        this, nullptr);
    gst_object_unref(bus);
    {
        const std::lock_guard lock(Lock);
        Playbin = playbin;
        SinkPad = pad;
        DecodedPad = decodedPad;
        ShrinkFilter = shrinkFilter;
        SizeFilter = sizeFilter;
    }

    if (gst_element_set_state(Playbin, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE ||
        !SettleState())
        return; // the bus has said why
    // A segment seek makes the demuxer report the end of a pass instead of ending the stream,
    // so the next pass can be queued behind it.
    const int prerolls = PrerollCount();
    const bool segmentLoop = !Holds(Playbin, "tsdemux") &&
                             SeekToStart(Playbin, static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH |
                                                                            GST_SEEK_FLAG_SEGMENT));
    // No pass may be queued before the first has prerolled again, which a state query does not
    // tell reliably this soon after a flush.
    std::unique_lock lock(Lock);
    if (segmentLoop)
        Changed.wait(lock, [&] { return Prerolls > prerolls || Closing || Failed; });
    SegmentLoop = segmentLoop;
    Opened = true;
    if (std::exchange(LoopWanted, false))
        LoopWhenFlowing();
}

void TVideoPipeline::TState::AtOutput(GstPadProbeInfo* info) {
    QSize size;
    {
        const std::lock_guard lock(Lock);
        if ((GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) != 0) {
            if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_CAPS)
                SizeChanged = true;
            return;
        }
        if (!std::exchange(SizeChanged, false))
            return;
        size = FrameSize;
    }
    std::optional<QSize> decoded;
    if (const auto frames = Decoded())
        decoded = QSize(GST_VIDEO_INFO_WIDTH(&*frames), GST_VIDEO_INFO_HEIGHT(&*frames));
    // The first scaler, when it is not the one to use, is held at the decoded size: asked for
    // any, it would take on the wanted size itself.
    QSize shrunk;
    if (!size.isEmpty())
        shrunk = !decoded || ShrinksToHalf(*decoded, size) ? size : *decoded;
    AskForSize(ShrinkFilter, shrunk);
    AskForSize(SizeFilter, size);
}

void TVideoPipeline::TState::PlayCommand() {
    if (Playbin != nullptr)
        gst_element_set_state(Playbin, GST_STATE_PLAYING);
}

void TVideoPipeline::TState::Restart() {
    if (Playbin != nullptr)
        SeekToStart(Playbin, GST_SEEK_FLAG_FLUSH);
}

void TVideoPipeline::TState::CheckFile() {
    // A file that is gone keeps playing from what is open; one renamed over the path, or
    // written in place, is another video now.
    const auto now = FileIo::IdentityOf(Path);
    if (!now || now == Identity)
        return;
    const std::lock_guard lock(Lock);
    if (Closing || std::exchange(ReplacedPosted, true))
        return;
    TPipelineEvent event;
    event.Kind = TPipelineEvent::TKind::Replaced;
    Poster(std::move(event));
}

void TVideoPipeline::TState::LoopWhenFlowing() {
    if (FrameSinceLoop)
        QueueNextPass();
    else
        LoopDeferred = true;
}

void TVideoPipeline::TState::QueueNextPass() {
    FrameSinceLoop = false;
    LoopDeferred = false;
    // Not on the command thread: a seek that does not flush waits until the stream moves, and
    // a Play behind it on that thread would never come.
    gst_element_call_async(
        Playbin,
        [](GstElement*, gpointer data) {
            (*static_cast<std::shared_ptr<TState>*>(data))->LoopSeek();
        },
        new std::shared_ptr<TState>(shared_from_this()),
        [](gpointer data) { delete static_cast<std::shared_ptr<TState>*>(data); });
}

void TVideoPipeline::TState::LoopSeek() {
    GstPad* pad = nullptr;
    GstElement* playbin = nullptr;
    {
        const std::lock_guard lock(Lock);
        if (Closing || SinkPad == nullptr)
            return;
        pad = GST_PAD(gst_object_ref(SinkPad));
        playbin = GST_ELEMENT(gst_object_ref(Playbin));
        Seeking = true;
    }
    // Not flushing: the next pass queues up behind what is still on its way to the sink. Sent
    // up from the sink's pad, not to the pipeline, which would hold its state lock until the
    // stream moves, and so keep Play from moving it.
    const bool queued =
        gst_pad_push_event(pad, gst_event_new_seek(1.0, GST_FORMAT_TIME, GST_SEEK_FLAG_SEGMENT,
                                                   GST_SEEK_TYPE_SET, 0, GST_SEEK_TYPE_NONE, -1));
    if (!queued) {
        // Then the pass ends with end-of-stream after its last frame, and starts over.
        {
            const std::lock_guard lock(Lock);
            SegmentLoop = false;
        }
        gst_element_send_event(playbin, gst_event_new_eos());
    }
    gst_object_unref(playbin);
    gst_object_unref(pad);
    const std::lock_guard lock(Lock);
    Seeking = false;
    Changed.notify_all();
}

void TVideoPipeline::TState::Teardown() {
    if (Playbin == nullptr)
        return;
    {
        // A demuxer that is stopped while a seek is on its way to it meets the seek with its
        // streams already freed (the AVI demuxer crashes). The seek waits for the stream, which
        // may stand in a paused sink: playing, the stream runs out, every frame dropped at the
        // sink now that the pipeline is closing, and the seek ends before the pipeline does.
        std::unique_lock lock(Lock);
        if (Seeking) {
            lock.unlock();
            gst_element_set_state(Playbin, GST_STATE_PLAYING);
            lock.lock();
            Changed.wait(lock, [this] { return !Seeking; });
        }
    }
    gst_element_set_state(Playbin, GST_STATE_NULL);
    GstBus* bus = gst_element_get_bus(Playbin);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
    gst_object_unref(SinkPad);
    gst_object_unref(DecodedPad);
    gst_object_unref(ShrinkFilter);
    gst_object_unref(SizeFilter);
    gst_object_unref(Playbin);
    const std::lock_guard lock(Lock);
    Playbin = nullptr;
    SinkPad = nullptr;
    DecodedPad = nullptr;
    ShrinkFilter = nullptr;
    SizeFilter = nullptr;
    Latest = QImage();
}

void TVideoPipeline::TState::TakeSample(GstSample* sample, bool preroll) {
    if (sample == nullptr)
        return;
    GstVideoInfo info;
    const bool known = gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) != FALSE;
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
    const std::optional<GstVideoInfo> decoded = preroll ? Decoded() : std::nullopt;
    const std::lock_guard lock(Lock);
    if (Closing)
        return;
    Latest = frame;
    if (preroll) {
        ++Prerolls;
        Changed.notify_all();
    }
    if (!Prerolled) {
        Prerolled = true;
        TPipelineEvent event;
        event.Kind = TPipelineEvent::TKind::Prerolled;
        event.NaturalSize = SquarePixelSize(decoded.value_or(info));
        Poster(std::move(event));
    }
    if (!FramePosted) {
        FramePosted = true;
        Poster(TPipelineEvent{});
    }
}

std::optional<GstVideoInfo> TVideoPipeline::TState::Decoded() {
    GstPad* pad = nullptr;
    {
        const std::lock_guard lock(Lock);
        if (DecodedPad == nullptr)
            return std::nullopt;
        pad = GST_PAD(gst_object_ref(DecodedPad));
    }
    std::optional<GstVideoInfo> decoded;
    if (GstCaps* caps = gst_pad_get_current_caps(pad)) {
        GstVideoInfo info;
        if (gst_video_info_from_caps(&info, caps))
            decoded = info;
        gst_caps_unref(caps);
    }
    gst_object_unref(pad);
    return decoded;
}

GstPadProbeReturn TVideoPipeline::TState::AtSink(GstPadProbeInfo* info) {
    std::unique_lock lock(Lock);
    if ((GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_BOTH) != 0)
        return AtSinkEvent(info);
    if (Closing)
        return GST_PAD_PROBE_DROP;
    const GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    const GstClockTime previousFrameTime = FrameTime();
    if (GST_BUFFER_DURATION_IS_VALID(buffer))
        LastDuration = GST_BUFFER_DURATION(buffer);
    const GstClockTime start =
        gst_segment_to_running_time(&Segment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer));
    LastEnd = GST_CLOCK_TIME_IS_VALID(start) ? start + FrameTime() : GST_CLOCK_TIME_NONE;
    FlowedSinceFlush = true;
    FrameSinceLoop = true;
    if (LoopDeferred && Opened)
        QueueNextPass();
    const bool restarted = std::exchange(Restarting, false);
    if (std::exchange(NextPass, false)) {
        // The last frame of the pass is on show: the pass has ended once its time is up.
        EndPass();
    } else if (!restarted) {
        return GST_PAD_PROBE_OK;
    }

    // This frame follows the last one only if Play says so before the last one's time is up;
    // otherwise the pipeline stands still at the end until it does.
    const auto due =
        restarted ? RestartDue
                  : std::chrono::steady_clock::now() + std::chrono::nanoseconds(previousFrameTime);
    const auto answered = [this] { return Release || Closing; };
    if (!Changed.wait_until(lock, due, answered)) {
        PostLocked([](TState& s) { gst_element_set_state(s.Playbin, GST_STATE_PAUSED); });
        Changed.wait(lock, answered);
    }
    // After a flushing seek the sink shows the first frame at once: not before its time.
    Changed.wait_until(lock, due, [this] { return Closing; });
    Held = false;
    return Closing ? GST_PAD_PROBE_DROP : GST_PAD_PROBE_OK;
}

GstPadProbeReturn TVideoPipeline::TState::AtSinkEvent(GstPadProbeInfo* info) {
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    switch (GST_EVENT_TYPE(event)) {
    case GST_EVENT_FLUSH_STOP:
        FlowedSinceFlush = false;
        break;
    case GST_EVENT_SEGMENT: {
        const GstSegment* segment = nullptr;
        gst_event_parse_segment(event, &segment);
        gst_segment_copy_into(segment, &Segment);
        if (FlowedSinceFlush && GST_CLOCK_TIME_IS_VALID(LastEnd)) {
            // The next pass, queued behind this one. Its demuxer counts its running time from
            // the last frame's start, not its end; the last frame keeps its full time.
            Segment.base = LastEnd;
            GstEvent* anchored = gst_event_new_segment(&Segment);
            gst_event_set_seqnum(anchored, gst_event_get_seqnum(event));
            gst_event_unref(event);
            GST_PAD_PROBE_INFO_DATA(info) = anchored;
            NextPass = true;
        }
        break;
    }
    case GST_EVENT_EOS:
        if (Closing || SegmentLoop)
            break;
        if (!FlowedSinceFlush) {
            // Nothing of this pass reached the sink: starting over would only spin. The pipeline
            // stands idle, and its owner sees that no frame comes.
            return GST_PAD_PROBE_DROP;
        }
        // A demuxer that cannot queue the next pass: the last frame is on show, and the
        // beginning is sought now, to follow when its time is up. The sink never sees the end.
        EndPass();
        Restarting = true;
        RestartDue = std::chrono::steady_clock::now() + std::chrono::nanoseconds(FrameTime());
        PostLocked([](TState& s) { s.Restart(); });
        return GST_PAD_PROBE_DROP;
    default:
        break;
    }
    return GST_PAD_PROBE_OK;
}

void TVideoPipeline::TState::EndPass() {
    Held = true;
    Release = false;
    PostLocked([](TState& s) { s.CheckFile(); });
    TPipelineEvent event;
    event.Kind = TPipelineEvent::TKind::PassEnded;
    Poster(std::move(event));
}

void TVideoPipeline::TState::OnBusMessage(GstMessage* message) {
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR: {
        GError* error = nullptr;
        gst_message_parse_error(message, &error, nullptr);
        std::string reason = error != nullptr ? error->message : "It cannot be played";
        g_clear_error(&error);
        {
            const std::lock_guard lock(Lock);
            if (!MissingDecoders.empty()) {
                reason = "Missing decoder: ";
                for (size_t i = 0; i < MissingDecoders.size(); ++i)
                    reason += (i == 0 ? "" : ", ") + MissingDecoders[i];
            }
        }
        Fail(reason);
        break;
    }
    case GST_MESSAGE_ELEMENT:
        if (gst_is_missing_plugin_message(message)) {
            const TGString description(gst_missing_plugin_message_get_description(message));
            const std::lock_guard lock(Lock);
            MissingDecoders.emplace_back(description ? description.get() : "unknown");
        }
        break;
    case GST_MESSAGE_SEGMENT_DONE: {
        const std::lock_guard lock(Lock);
        if (Opened)
            LoopWhenFlowing();
        else
            LoopWanted = true;
        break;
    }
    default:
        break;
    }
}
