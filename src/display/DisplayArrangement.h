#pragma once

#include "layouts/LayoutArrangement.h"

// A layout on a display's screen: the layout's arrangement (layouts/LayoutArrangement) at the
// scale that makes the Play mode window's height the screen's.
namespace DisplayArrangement {

using LayoutArrangement::Arrange;
using LayoutArrangement::Scaled;
using LayoutArrangement::TArrangement;
using LayoutArrangement::TRect;
using LayoutArrangement::TTextPlace;
using LayoutArrangement::VideoRect;

// The layout window's Play mode is this high; its pixels are the layout's.
inline constexpr int PreviewHeight = 638;

// Screen pixels per layout pixel: the requested scale, or the screen's height over 638.
double ScaleFor(int screenHeight, double requested);

} // namespace DisplayArrangement
