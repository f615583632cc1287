#pragma once

#include "SeamMeter.h"

#include <QSize>
#include <QString>
#include <functional>
#include <string>

// Runs a GStreamer pipeline description that encodes a clip (everything before the file sink)
// into a file at path; false with a message on standard error naming what when it cannot.
bool MakeClip(const std::string& path, const std::string& encoding, const std::string& what);

// Writes a 30 frames a second H.264 MP4 of the given size and length to path with GStreamer's own
// test source and x264 encoder; false with a message on standard error when it cannot.
bool MakeH264Clip(const std::string& path, QSize size, int seconds);
// The same at 1920x1080.
bool MakeHdClip(const std::string& path, int seconds = 2);

// Measures and prints, one line each: the shipped default clip, every format clip of the tests
// and a 1080p clip, each drawn at the size the layout window gives it (the format clips at their
// own size).
void MeasureEveryClip(
    const std::function<TSeamMeter(const QString& path, QSize drawnSize)>& measure);
