#pragma once

#include "layouts/LayoutGeometry.h"

#include <optional>
#include <vector>

// Where a display type's panels, texts, picture and video stand on a display's screen: the
// layout window's arithmetic, with the layout window's pixels scaled to the screen. Strip
// heights, the column's width, the texts' tops, font sizes and margins scale; the main area
// takes the rest.
namespace DisplayArrangement {

using LayoutGeometry::TRect;

// The layout window's Play mode is this high; its pixels are the layout's.
inline constexpr int PreviewHeight = 638;

// Screen pixels per layout pixel: the requested scale, or the screen's height over 638.
double ScaleFor(int screenHeight, double requested);

// Layout pixels in screen pixels, rounded to the nearest (a half to the even neighbour).
int Scaled(int layoutPixels, double scale);

// One text of the layout, in the layout window's order of text boxes.
struct TTextPlace {
    TRect Container; // the strip or column it stands in, in screen pixels
    int Left = 0;    // within the container
    int Top = 0;     // within the container; strips centre the text on its height instead
    int Width = 0;
    bool CentredVertically = false;
    int FontPoints = 0;
};

struct TArrangement {
    LayoutGeometry::TLayoutPlan Plan;
    TRect Top, Main, Column, Bottom; // empty where the type has none
    std::vector<TTextPlace> Texts;
    TRect Picture; // inside Main
    int Margin = LayoutGeometry::InsetMargin;
};

TArrangement Arrange(int displayType, int width, int height, double scale);

// The video's rectangle inside the main area for its natural size; nothing while it is unknown.
std::optional<TRect> VideoRect(const TArrangement& arrangement, int videoWidth, int videoHeight);

} // namespace DisplayArrangement
