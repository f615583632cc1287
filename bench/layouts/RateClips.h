#pragma once

#include <string>
#include <vector>

// Makes in folder a 2 s clip at each of a few frame rates and sizes other than the format clips'
// 25 fps 160 x 120 (24 fps 176 x 144 Theora, 30 fps 320 x 240 VP8, 50 fps 240 x 180 MJPEG), with
// GStreamer's test source and encoders of its base and good sets, and gives their paths, slowest
// rate first. Each file is named for its rate ("30fps.webm"). A clip whose encoder is not
// installed, or that cannot be made, is said on standard error and left out.
std::vector<std::string> MakeRateClips(const std::string& folder);
