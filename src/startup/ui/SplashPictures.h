#pragma once

#include "widgets/DevicePixels.h"

#include <QImage>
#include <QSize>

// The pictures of the splash window, painted in code at the sizes the window uses, so the
// program needs no picture files for them. Each is drawn for a local device grid (by default one
// device pixel per logical pixel); sizes are logical.
namespace SplashPictures {

inline constexpr QSize ProductSize{400, 300};
inline constexpr QSize MarkSize{27, 10};
inline constexpr QSize BarTextureSize{6, 15};

// 24-bit: the product picture, three monitors linked in a ring on a blue background, with a dark
// plate at the top right where the status mark and the progress bar sit.
QImage Product(const TDeviceGrid& grid = TDeviceGrid());

// 24-bit: the status marks "Load" and "Done", yellow letters on blue.
QImage LoadMark(const TDeviceGrid& grid = TDeviceGrid());
QImage DoneMark(const TDeviceGrid& grid = TDeviceGrid());

// 32-bit: one empty segment of the progress bar, olive-brown with a grey edge.
QImage BarBackTexture(const TDeviceGrid& grid = TDeviceGrid());

// 24-bit: one lit segment, orange-yellow on a green field. The green is the colour of its
// bottom-left pixel, so the bar draws it see-through.
QImage BarForeTexture(const TDeviceGrid& grid = TDeviceGrid());

} // namespace SplashPictures
