#pragma once

#include <optional>
#include <vector>

// The arithmetic of the layout window: which strips and areas a display type has, how docked
// panels share the window, and where texts, pictures and videos go inside them. Plain integers
// in pixels, so it is tested without any window.
namespace LayoutGeometry {

struct TRect {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;

    bool operator==(const TRect&) const = default;
};

// What fills the main area of a display type.
enum class TMainContent { None, Video, Picture, TestPanel };

// The arrangement of one display type.
struct TLayoutPlan {
    bool TopStrip = false;
    bool RightColumn = false;
    bool BottomStrip = false;
    TMainContent Main = TMainContent::None;

    int PictureCount() const { return Main == TMainContent::Picture ? 1 : 0; }
    int VideoCount() const { return Main == TMainContent::Video ? 1 : 0; }
    int TextBoxCount() const {
        return (TopStrip ? 1 : 0) + (RightColumn ? 4 : 0) + (BottomStrip ? 1 : 0);
    }
};

TLayoutPlan PlanOf(int displayType);

inline constexpr int StripHeight = 80;
inline constexpr int ColumnWidth = 300;
inline constexpr int ColumnBoxCount = 4;
inline constexpr int InsetMargin = 20;
inline constexpr int TopStripFontSize = 18;
inline constexpr int ColumnFontSize = 16;
inline constexpr int BottomStripFontSize = 18;

// To the nearest integer, a half going to the even neighbour (0.5 -> 0, 1.5 -> 2, 2.5 -> 2).
int RoundHalfEven(double value);

// Left (or top) that centres an inner extent in an outer one; each half drops its fraction
// toward zero before the difference is taken.
int CenterOffset(int outerExtent, int innerExtent);

// Width of a text box that spans most of its strip or column.
int TextBoxWidth(int containerWidth);

// Top of text box k (0 to 3) of the right column.
int ColumnBoxTop(int k);

// A picture's place inside its area: a 20-pixel margin all round (the display program scales
// the margin with its screen).
TRect PlaceInset(int containerWidth, int containerHeight, int margin = InsetMargin);

// The destination rectangle of a video of natural size videoWidth x videoHeight in a panel:
// scaled to the largest size that fits with its proportions kept, shrunk by 40 pixels in each
// direction and anchored at (20, 20). Nothing when the video has no size (not open, no picture).
// The result may have no positive width or height in a panel of 40 pixels or less.
std::optional<TRect> FitVideo(int panelWidth, int panelHeight, int videoWidth, int videoHeight,
                              int margin = InsetMargin);

// Where a picture of the given size goes in a box: as large as fits with its proportions kept,
// enlarged or reduced, at the box's top-left corner. Empty for a picture without size.
TRect FitPicture(int boxWidth, int boxHeight, double pictureWidth, double pictureHeight);

// Docking of panels along the edges of a client area, in the order they were created: each
// top, bottom or right panel takes its extent from what is left at that edge, and client panels
// take whatever remains. Panels that are not docked or not visible are left out.
enum class TAlign { None, Top, Bottom, Right, Client };

struct TDockItem {
    TAlign Align = TAlign::None;
    int Extent = 0; // height of a top or bottom panel, width of a right panel
    bool Visible = true;
};

// One rectangle per item; items that take no part keep an empty rectangle.
std::vector<TRect> DockRects(int clientWidth, int clientHeight,
                             const std::vector<TDockItem>& items);

} // namespace LayoutGeometry
