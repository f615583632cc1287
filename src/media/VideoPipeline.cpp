#include "media/VideoPipeline.h"

#include "media/FrameSizing.h"
#include "media/FrameTap.h"
#include "media/MediaFile.h"
#include "media/PassLoop.h"
#include "media/PipelineGraph.h"
#include "platform/FileIo.h"

#include <QThreadPool>
#include <atomic>
#include <gst/pbutils/pbutils.h>
#include <malloc.h>
#include <mutex>
#include <optional>
#include <vector>

namespace {

// The plugins nearly every video needs: the player, type finding, demuxers, decoders and the
// conversion to the frames drawn.
constexpr const char* PreloadedPlugins[] = {
    "coreelements", "playback",    "typefindfunctions", "app",  "videoconvertscale",
    "libav",        "isomp4",      "matroska",          "avi",  "asf",
    "mpegpsdemux",  "mpegtsdemux", "videoparsersbad",   "jpeg", "vpx"};

// Pipelines whose state is not yet given back.
std::atomic<int> alivePipelines{0};

// How often the command thread looks whether it should give up waiting for a state change.
constexpr GstClockTime StateWaitSlice = 100 * GST_MSECOND;

std::chrono::nanoseconds Nanoseconds(GstClockTime time) {
    return std::chrono::nanoseconds(static_cast<std::chrono::nanoseconds::rep>(time));
}

} // namespace

// One pipeline's parts and the threads they meet on: the graph (built, run and given back by the
// command thread), the frame tap, the frame sizing and the pass loop (each guarding its own
// shared fields), and what the pipeline's own life shares under Life.Lock.
struct TVideoPipeline::TState final : std::enable_shared_from_this<TVideoPipeline::TState>,
                                      TGraphListener,
                                      TPassSeeker {
    TState(std::string path, TPoster poster, bool once)
        : Poster(std::move(poster)), Path(std::move(path)), Once(once), Tap(Poster),
          Loop(*this, once) {
        ++alivePipelines;
    }
    ~TState() { --alivePipelines; }
    TState(const TState&) = delete;
    TState& operator=(const TState&) = delete;

    const TPoster Poster;
    const std::string Path;
    const bool Once;
    TFrameTap Tap;
    TFrameSizing Sizing;
    TPassLoop Loop;

    // The command thread's. GStreamer's threads read the graph while it runs, from the first
    // state change until Teardown stops it, which waits for a seek on its way first.
    struct TCommandThread {
        std::unique_ptr<TPipelineGraph> Graph;
        std::optional<FileIo::TFileIdentity> Identity; // of the file as it was opened
    } Command;

    // The sink's streaming thread's: what reached the sink, to count the next pass from.
    struct TSinkThread {
        GstSegment Segment{};
        GstClockTime LastEnd = GST_CLOCK_TIME_NONE; // the running time the newest frame ends at
    } Sink;

    // Any thread: under Lock, which may be taken with the pass loop's held, never the reverse.
    struct TLife {
        std::mutex Lock;
        GThreadPool* Commands = nullptr; // one thread, in order; null once closing
        bool Closing = false;
        bool Failed = false;
        bool ReplacedPosted = false;
        std::vector<std::string> MissingDecoders;
    } Life;

    // Queues a command for the command thread; nothing once closing.
    void Post(void (*command)(TState&));
    void Fail(const std::string& reason);
    bool ClosingNow();
    // Waits for a state change to finish; false when it failed or the pipeline is closing.
    bool SettleState();

    // The command thread's work.
    void Open();
    void SetState(GstState state);
    void CheckFile();
    void Teardown();

    void OnSample(GstSample* sample, bool preroll) override;
    GstPadProbeReturn AtSink(GstPadProbeInfo* info) override;
    void AtOutput(GstPadProbeInfo* info) override { Sizing.AtOutput(info, *Command.Graph); }
    void OnBusMessage(GstMessage* message) override;
    GstPadProbeReturn AtSinkEvent(GstPadProbeInfo* info);

    // The pass loop's seeker, over the graph.
    void ScheduleNextPass() override;
    bool SeekSegmentStart() override { return Command.Graph->QueueStart(); }
    void EndStream() override {
        gst_element_send_event(Command.Graph->Playbin(), gst_event_new_eos());
    }
    void SeekStartFlushing() override {
        Post([](TState& s) {
            if (s.Command.Graph)
                s.Command.Graph->SeekToStart(GST_SEEK_FLAG_FLUSH);
        });
    }
    void PauseAtEnd() override {
        Post([](TState& s) { s.SetState(GST_STATE_PAUSED); });
    }
    void RunOut() override { gst_element_set_state(Command.Graph->Playbin(), GST_STATE_PLAYING); }
    void PassEnded() override;
};

namespace {

struct TCommand {
    std::shared_ptr<TVideoPipeline::TState> State;
    void (*Run)(TVideoPipeline::TState&);
};

void RunCommand(gpointer data, gpointer) {
    const std::unique_ptr<TCommand> command(static_cast<TCommand*>(data));
    command->Run(*command->State);
}

} // namespace

void TVideoPipeline::Prepare() {
    static std::once_flag once;
    std::call_once(once, [] {
        // Frames are decoded on streaming threads that come and go with each video; glibc gives
        // such threads arenas of their own, up to eight a core, and keeps what they held, so a
        // display changing videos all day grew by tens of MB an hour. Two arenas cost no
        // measurable CPU. An arena limit set by the environment stands.
        if (qEnvironmentVariableIsEmpty("MALLOC_ARENA_MAX"))
            mallopt(M_ARENA_MAX, 2);
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

TVideoPipeline::TVideoPipeline(const std::string& path, TPoster poster, bool once)
    : state_(std::make_shared<TState>(path, std::move(poster), once)) {
    Prepare();
    {
        const std::lock_guard lock(state_->Life.Lock);
        state_->Life.Commands = g_thread_pool_new(RunCommand, nullptr, 1, FALSE, nullptr);
    }
    state_->Post([](TState& s) { s.Open(); });
}

TVideoPipeline::~TVideoPipeline() {
    GThreadPool* commands = nullptr;
    {
        const std::lock_guard lock(state_->Life.Lock);
        state_->Life.Closing = true;
        commands = std::exchange(state_->Life.Commands, nullptr);
    }
    state_->Loop.Close();
    state_->Tap.Close();
    g_thread_pool_push(commands, new TCommand{state_, [](TState& s) { s.Teardown(); }}, nullptr);
    // Returns at once; the thread runs what is queued, the teardown last, and then ends.
    g_thread_pool_free(commands, FALSE, FALSE);
}

void TVideoPipeline::Play() {
    state_->Loop.Play();
    state_->Post([](TState& s) { s.SetState(GST_STATE_PLAYING); });
}

void TVideoPipeline::Pause() {
    state_->Post([](TState& s) { s.SetState(GST_STATE_PAUSED); });
}

QImage TVideoPipeline::TakeFrame() {
    return state_->Tap.TakeFrame();
}

void TVideoPipeline::SetFrameSize(QSize size) {
    state_->Sizing.Want(size);
}

std::chrono::nanoseconds TVideoPipeline::FrameTime() const {
    return Nanoseconds(state_->Tap.FrameTime());
}

void TVideoPipeline::TState::Post(void (*command)(TState&)) {
    const std::lock_guard lock(Life.Lock);
    if (Life.Commands == nullptr)
        return;
    // Each command keeps the state alive until it has run.
    g_thread_pool_push(Life.Commands, new TCommand{shared_from_this(), command}, nullptr);
}

void TVideoPipeline::TState::Fail(const std::string& reason) {
    {
        const std::lock_guard lock(Life.Lock);
        if (Life.Failed || Life.Closing)
            return;
        Life.Failed = true;
        TPipelineEvent event;
        event.Kind = TPipelineEvent::TKind::Failed;
        event.Reason = QString::fromStdString(reason);
        Poster(std::move(event));
    }
    Tap.GiveUp();
}

bool TVideoPipeline::TState::ClosingNow() {
    const std::lock_guard lock(Life.Lock);
    return Life.Closing;
}

bool TVideoPipeline::TState::SettleState() {
    for (;;) {
        const GstStateChangeReturn result =
            gst_element_get_state(Command.Graph->Playbin(), nullptr, nullptr, StateWaitSlice);
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
    Command.Identity = FileIo::IdentityOf(Path);
    std::string error;
    Command.Graph = TPipelineGraph::Build(Path, *this, error);
    if (!Command.Graph) {
        Fail(error);
        return;
    }
    const TPipelineGraph& graph = *Command.Graph;
    if (gst_element_set_state(graph.Playbin(), GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE ||
        !SettleState())
        return; // the bus has said why
    // A segment seek makes the demuxer report the end of a pass instead of ending the stream, so
    // the next pass can be queued behind it. The transport stream demuxer refuses segment seeks,
    // and its stream stalls after the refusal: it is not asked. Nor is a video played once.
    const int prerolls = Tap.Prerolls();
    const bool segmentSeeks =
        !Once && !graph.Holds("tsdemux") &&
        graph.SeekToStart(static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_SEGMENT));
    // No pass may be queued before the first has prerolled again, which a state query does not
    // tell reliably this soon after a flush.
    if (segmentSeeks)
        Tap.WaitForPrerollAfter(prerolls);
    Loop.Start(segmentSeeks);
}

void TVideoPipeline::TState::SetState(GstState state) {
    if (Command.Graph)
        gst_element_set_state(Command.Graph->Playbin(), state);
}

void TVideoPipeline::TState::CheckFile() {
    // A file that is gone keeps playing from what is open; one renamed over the path, or
    // written in place, is another video now.
    const auto now = FileIo::IdentityOf(Path);
    if (!now || now == Command.Identity)
        return;
    const std::lock_guard lock(Life.Lock);
    if (Life.Closing || std::exchange(Life.ReplacedPosted, true))
        return;
    TPipelineEvent event;
    event.Kind = TPipelineEvent::TKind::Replaced;
    Poster(std::move(event));
}

void TVideoPipeline::TState::Teardown() {
    if (!Command.Graph)
        return;
    Loop.EndSeeks();
    // Stopped before it is let go: its streaming threads use it until they end.
    Command.Graph->Stop();
    Command.Graph.reset();
}

void TVideoPipeline::TState::OnSample(GstSample* sample, bool preroll) {
    Tap.Take(sample, preroll, preroll ? Command.Graph->Decoded() : std::nullopt);
}

GstPadProbeReturn TVideoPipeline::TState::AtSink(GstPadProbeInfo* info) {
    if ((GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_BOTH) != 0)
        return AtSinkEvent(info);
    const GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    const GstClockTime previousFrameTime = Tap.FrameTime();
    if (GST_BUFFER_DURATION_IS_VALID(buffer))
        Tap.NoteDuration(GST_BUFFER_DURATION(buffer));
    const GstClockTime start =
        gst_segment_to_running_time(&Sink.Segment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer));
    Sink.LastEnd = GST_CLOCK_TIME_IS_VALID(start) ? start + Tap.FrameTime() : GST_CLOCK_TIME_NONE;
    return Loop.AtFrame(Nanoseconds(previousFrameTime)) ? GST_PAD_PROBE_OK : GST_PAD_PROBE_DROP;
}

GstPadProbeReturn TVideoPipeline::TState::AtSinkEvent(GstPadProbeInfo* info) {
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    switch (GST_EVENT_TYPE(event)) {
    case GST_EVENT_FLUSH_STOP:
        Loop.AtFlush();
        break;
    case GST_EVENT_SEGMENT: {
        const GstSegment* segment = nullptr;
        gst_event_parse_segment(event, &segment);
        gst_segment_copy_into(segment, &Sink.Segment);
        if (Loop.AtSegment(GST_CLOCK_TIME_IS_VALID(Sink.LastEnd))) {
            // The next pass, queued behind this one. Its demuxer counts its running time from
            // the last frame's start, not its end; the last frame keeps its full time.
            Sink.Segment.base = Sink.LastEnd;
            GstEvent* anchored = gst_event_new_segment(&Sink.Segment);
            gst_event_set_seqnum(anchored, gst_event_get_seqnum(event));
            gst_event_unref(event);
            GST_PAD_PROBE_INFO_DATA(info) = anchored;
        }
        break;
    }
    case GST_EVENT_EOS:
        return Loop.AtEnd(Nanoseconds(Tap.FrameTime())) ? GST_PAD_PROBE_OK : GST_PAD_PROBE_DROP;
    default:
        break;
    }
    return GST_PAD_PROBE_OK;
}

void TVideoPipeline::TState::OnBusMessage(GstMessage* message) {
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR: {
        GError* error = nullptr;
        gst_message_parse_error(message, &error, nullptr);
        std::string reason = error != nullptr ? error->message : "It cannot be played";
        g_clear_error(&error);
        {
            const std::lock_guard lock(Life.Lock);
            if (!Life.MissingDecoders.empty()) {
                reason = "Missing decoder: ";
                for (size_t i = 0; i < Life.MissingDecoders.size(); ++i)
                    reason += (i == 0 ? "" : ", ") + Life.MissingDecoders[i];
            }
        }
        Fail(reason);
        break;
    }
    case GST_MESSAGE_ELEMENT:
        if (gst_is_missing_plugin_message(message)) {
            const std::unique_ptr<gchar, void (*)(gpointer)> description(
                gst_missing_plugin_message_get_description(message), g_free);
            const std::lock_guard lock(Life.Lock);
            Life.MissingDecoders.emplace_back(description ? description.get() : "unknown");
        }
        break;
    case GST_MESSAGE_SEGMENT_DONE:
        Loop.SegmentDone();
        break;
    default:
        break;
    }
}

void TVideoPipeline::TState::ScheduleNextPass() {
    // Not on the command thread: a seek that does not flush waits until the stream moves, and a
    // Play behind it on that thread would never come.
    gst_element_call_async(
        Command.Graph->Playbin(),
        [](GstElement*, gpointer data) {
            (*static_cast<std::shared_ptr<TState>*>(data))->Loop.SeekNextPass();
        },
        new std::shared_ptr<TState>(shared_from_this()),
        [](gpointer data) { delete static_cast<std::shared_ptr<TState>*>(data); });
}

void TVideoPipeline::TState::PassEnded() {
    Post([](TState& s) { s.CheckFile(); });
    TPipelineEvent event;
    event.Kind = TPipelineEvent::TKind::PassEnded;
    Poster(std::move(event));
}
