#pragma once

#include <QSize>
#include <gst/gst.h>
#include <mutex>

class TPipelineGraph;

// The size a pipeline's frames leave it at: the size they are drawn at (empty: the video's own),
// reached with one conversion and one scaling. The output scales before converting only what
// loses half its pixels or more (see ShrinkSize); the scaler not in use is held at its input
// size and passes frames through untouched.
class TFrameSizing {
public:
    // Window thread: the size from the next frame on.
    void Want(QSize size);
    // The streaming thread that carries decoded frames into the output, at its door: before a
    // frame, the scalers are told the size when it or the decoded size has changed. So no frame
    // is on its way between a scaler and its filter when they change.
    void AtOutput(GstPadProbeInfo* info, const TPipelineGraph& graph);

private:
    // The window thread and the decoded frames' streaming thread: under Lock.
    struct TShared {
        std::mutex Lock;
        QSize Wanted;
        bool Changed = true; // ... or the decoded size has, since the scalers were told
    } shared_;
};
