#pragma once

#include <QColor>
#include <QImage>
#include <algorithm>
#include <array>

// The tiny clips of tests/media/data (tools/make-data.sh): one row for each kind of video an
// operator is likely to bring, each 2 s at 25 frames a second, 160 x 120, without sound.
struct TFormatClip {
    const char* File;
    const char* Format;
};

inline constexpr std::array<TFormatClip, 15> FormatClips{{
    {"mjpeg.avi", "MJPEG AVI"},
    {"mpeg4.avi", "MPEG-4 Part 2 AVI"},
    {"h264.avi", "H.264 AVI"},
    {"h264.mp4", "H.264 MP4"},
    {"h264.mov", "H.264 MOV"},
    {"hevc.mkv", "HEVC MKV"},
    {"vp8.webm", "VP8 WebM"},
    {"vp9.webm", "VP9 WebM"},
    {"theora.ogv", "Theora OGV"},
    {"wmv2.wmv", "WMV2 WMV"},
    {"wmv1.wmv", "WMV1 WMV (for VC-1, which ffmpeg cannot write)"},
    {"mpeg1.mpg", "MPEG-1 MPG"},
    {"mpeg2.mpg", "MPEG-2 MPG"},
    {"h264.ts", "H.264 TS"},
    {"sorenson.flv", "Sorenson FLV"},
}};

inline constexpr int FormatClipWidth = 160;
inline constexpr int FormatClipHeight = 120;

// Where the clips' yellow square stands: the leftmost column of its row holding yellow, or -1.
// It enters at x = 10 and moves 2.4 pixels a frame, so it tells where in the clip a frame is.
inline int SquareLeft(const QImage& frame) {
    const int row = 80 * frame.height() / FormatClipHeight;
    for (int x = 0; x < frame.width(); ++x) {
        const QColor c = frame.pixelColor(x, row);
        if (c.red() > 180 && c.green() > 140 && c.blue() < 120)
            return x * FormatClipWidth / frame.width();
    }
    return -1;
}

// Whether a frame is black all over, by an 8 x 8 grid of its pixels: no clip or picture shown is.
inline bool IsBlack(const QImage& frame) {
    for (int y = 0; y < frame.height(); y += std::max(frame.height() / 8, 1)) {
        for (int x = 0; x < frame.width(); x += std::max(frame.width() / 8, 1)) {
            const QColor c = frame.pixelColor(x, y);
            if (c.red() + c.green() + c.blue() > 30)
                return false;
        }
    }
    return true;
}
