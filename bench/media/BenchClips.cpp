#include "BenchClips.h"

#include "common/CheckoutPaths.h"
#include "common/TempDir.h"
#include "media/FormatClips.h"

#include <cstdio>
#include <gst/gst.h>

bool MakeClip(const std::string& path, const std::string& encoding, const std::string& what) {
    gst_init(nullptr, nullptr);
    const std::string description = encoding + " ! filesink location=\"" + path + "\"";
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
    if (pipeline == nullptr) {
        std::fprintf(stderr, "cannot make %s: %s\n", what.c_str(), error->message);
        g_clear_error(&error);
        return false;
    }
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* message = gst_bus_timed_pop_filtered(
        bus, GST_CLOCK_TIME_NONE, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool made = GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
    if (!made)
        std::fprintf(stderr, "cannot make %s\n", what.c_str());
    gst_message_unref(message);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return made;
}

bool MakeH264Clip(const std::string& path, QSize size, int seconds) {
    const std::string width = std::to_string(size.width());
    const std::string height = std::to_string(size.height());
    return MakeClip(path,
                    "videotestsrc pattern=ball num-buffers=" + std::to_string(seconds * 30) +
                        " ! video/x-raw,width=" + width + ",height=" + height +
                        ",framerate=30/1,format=I420"
                        " ! x264enc speed-preset=faster key-int-max=30 bitrate=6000"
                        " ! video/x-h264,profile=high ! mp4mux",
                    "the " + width + "x" + height + " clip");
}

bool MakeHdClip(const std::string& path, int seconds) {
    return MakeH264Clip(path, QSize(1920, 1080), seconds);
}

void MeasureEveryClip(
    const std::function<TSeamMeter(const QString& path, QSize drawnSize)>& measure) {
    measure(QString::fromStdString(CheckoutPaths::SourceFile(VELMORA_DATA_FOLDER "1.avi")),
            QSize(776, 558))
        .Print("data/1.avi (MJPEG 320x240)");
    for (const TFormatClip& clip : FormatClips) {
        measure(QString::fromStdString(CheckoutPaths::SourceFile(VELMORA_FORMAT_CLIPS)) +
                    QLatin1String(clip.File),
                QSize(FormatClipWidth, FormatClipHeight))
            .Print(clip.Format);
    }
    const TTempDir dir;
    const std::string hd = dir.File("hd.mp4");
    if (MakeHdClip(hd))
        measure(QString::fromStdString(hd), QSize(776, 419)).Print("H.264 MP4 1920x1080 30 fps");
}
