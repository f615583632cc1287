#pragma once

#include "layouts/LayoutGeometry.h"

#include <optional>
#include <vector>

// Where a display type's panels, texts, picture and video stand at a size and scale: the layout
// window's arithmetic, its pixels (the layout's) multiplied by the scale. Strip heights, the
// column's width, the texts' tops, font sizes and margins scale; the main area takes the rest.
// The layout window at scale 1 and the display program at its screen's scale both use it.
namespace LayoutArrangement {

using LayoutGeometry::TRect;

// Layout pixels in screen pixels, rounded to the nearest (a half to the even neighbour).
int Scaled(int layoutPixels, double scale);

// One text of the layout, in the layout window's order of text boxes.
struct TTextPlace {
    TRect Container; // the strip or column it stands in
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
    TRect Bar; // the bar under the layout; empty without one
};

// The arrangement in width x height. A bar of barHeight (the layout window's buttons; 0 for
// none, never scaled) docks at the bottom edge before the strips do, under the bottom strip;
// the test panel of type 9 covers the whole area, bar included.
TArrangement Arrange(int displayType, int width, int height, double scale, int barHeight = 0);

// The video's rectangle inside the main area for its natural size; nothing while it is unknown.
std::optional<TRect> VideoRect(const TArrangement& arrangement, int videoWidth, int videoHeight);

} // namespace LayoutArrangement
