#pragma once

#include "layouts/LayoutArrangement.h"

// The scale of a layout on a display's screen: the one that makes the Play mode window's height
// the screen's. Where the layout's parts stand at that scale is layouts/LayoutArrangement's.
namespace DisplayArrangement {

// The layout window's Play mode is this high; its pixels are the layout's.
inline constexpr int PreviewHeight = 638;

// Screen pixels per layout pixel: the requested scale, or the screen's height over 638.
double ScaleFor(int screenHeight, double requested);

} // namespace DisplayArrangement
