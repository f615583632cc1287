#pragma once

#include <gst/gst.h>
#include <gst/video/video.h>
#include <memory>
#include <optional>
#include <string>

// What happens in a pipeline's graph, told from GStreamer's threads.
class TGraphListener {
public:
    // The sink's streaming thread: a sample pulled from the sink (the listener's reference), the
    // first one it prerolls on or one it shows.
    virtual void OnSample(GstSample* sample, bool preroll) = 0;
    // The sink's door, in its streaming thread: frames, events and flushes on their way in.
    virtual GstPadProbeReturn AtSink(GstPadProbeInfo* info) = 0;
    // Where decoded frames enter the output, in the streaming thread that carries them: frames
    // and events.
    virtual void AtOutput(GstPadProbeInfo* info) = 0;
    // Every bus message, on the thread that posts it; released after.
    virtual void OnBusMessage(GstMessage* message) = 0;

protected:
    ~TGraphListener() = default;
};

// The GStreamer graph that plays one file: playbin, video only, into an output that converts
// and scales each frame once (videoscale ! videoconvert ! videoscale with size filters) and
// hands it to an appsink in the window's pixel format (BGRx, Qt's RGB32). Built and given back
// on the command thread; GStreamer's threads use it only while it runs.
class TPipelineGraph {
public:
    // The graph for the file, its listener wired in and the pipeline not yet started; null,
    // with the reason, when GStreamer cannot make it.
    static std::unique_ptr<TPipelineGraph> Build(const std::string& path, TGraphListener& listener,
                                                 std::string& error);
    // Stops the pipeline: its streaming threads end, and no message reaches the listener after.
    void Stop();
    // Stops the pipeline, when not yet stopped, and gives everything back.
    ~TPipelineGraph();
    TPipelineGraph(const TPipelineGraph&) = delete;
    TPipelineGraph& operator=(const TPipelineGraph&) = delete;

    GstElement* Playbin() const { return playbin_; }
    GstElement* ShrinkFilter() const { return shrinkFilter_; }
    GstElement* SizeFilter() const { return sizeFilter_; }
    // The frames as decoded, before any scaling; nothing when not yet known.
    std::optional<GstVideoInfo> Decoded() const;
    // Whether the pipeline holds an element made by the named factory.
    bool Holds(const char* factoryName) const;
    // Seeks the pipeline to the beginning, to play on to the end.
    bool SeekToStart(GstSeekFlags flags) const;
    // Queues the beginning behind what is still on its way to the sink, without a flush (a
    // segment seek); false when the demuxer refuses it. Waits until the stream moves.
    bool QueueStart() const;

private:
    TPipelineGraph() = default;

    GstElement* playbin_ = nullptr;
    GstPad* sinkPad_ = nullptr;          // where frames enter the sink
    GstPad* decodedPad_ = nullptr;       // where decoded frames enter the output
    GstElement* shrinkFilter_ = nullptr; // the size decoded frames shrink to before conversion
    GstElement* sizeFilter_ = nullptr;   // the size frames are scaled to
};
