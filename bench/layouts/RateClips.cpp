#include "RateClips.h"

#include "media/BenchClips.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <gst/gst.h>

namespace {

struct TRateClip {
    int Fps;
    int Width;
    int Height;
    const char* File;
    std::array<const char*, 2> Elements; // the encoder and the muxer
    const char* Encoding;
};

constexpr std::array<TRateClip, 3> RateClips{{
    {24, 176, 144, "24fps.ogv", {"theoraenc", "oggmux"}, "theoraenc ! oggmux"},
    {30, 320, 240, "30fps.webm", {"vp8enc", "webmmux"}, "vp8enc deadline=1 ! webmmux"},
    {50, 240, 180, "50fps.avi", {"jpegenc", "avimux"}, "jpegenc ! avimux"},
}};

constexpr int Seconds = 2;

bool Installed(const char* element) {
    GstElementFactory* factory = gst_element_factory_find(element);
    if (factory == nullptr)
        return false;
    gst_object_unref(factory);
    return true;
}

} // namespace

std::vector<std::string> MakeRateClips(const std::string& folder) {
    gst_init(nullptr, nullptr);
    std::vector<std::string> made;
    for (const TRateClip& clip : RateClips) {
        const auto missing = std::find_if(clip.Elements.begin(), clip.Elements.end(),
                                          [](const char* element) { return !Installed(element); });
        if (missing != clip.Elements.end()) {
            std::fprintf(stderr, "%s left out: GStreamer's %s is not installed\n", clip.File,
                         *missing);
            continue;
        }
        // A ball on a blue ground: no frame of it is black all over.
        const std::string source =
            "videotestsrc pattern=ball background-color=0xff305080 num-buffers=" +
            std::to_string(clip.Fps * Seconds) +
            " ! video/x-raw,format=I420,framerate=" + std::to_string(clip.Fps) +
            "/1,width=" + std::to_string(clip.Width) + ",height=" + std::to_string(clip.Height) +
            " ! ";
        const std::string path = folder + "/" + clip.File;
        if (MakeClip(path, source + clip.Encoding, clip.File))
            made.push_back(path);
    }
    return made;
}
