#pragma once

#include <string>
#include <string_view>

// Shapes of the progress gauge.
enum TLSVGaugeKind { lgkHorizontalBar, lgkVerticalBar, lgkPie3D, lgkPie };

// Vertical place of the gauge's label.
enum TLSVVerAlignment { taTop, taCentered, taBottom };

// Horizontal place of the gauge's label.
enum class TLSVHorAlignment { Left, Right, Center };

enum class TLSVBorderStyle { None, Single };

// The arithmetic of the progress gauge, apart from any drawing. Lengths and places are in
// pixels of the drawing rectangle, whose left (or top) edge is 0.
namespace GaugeMath {

// The value kept within [minValue, maxValue].
int ClampProgress(int value, int minValue, int maxValue);

// 100 × (progress − min) / (max − min), rounded to the nearest integer (halves away from 0);
// 0 when the range is empty.
int Percentage(int progress, int minValue, int maxValue);

// How far a bar of that extent (width or height) is filled at that percentage:
// (extent + 1) × percentage / 100 rounded, at most extent + 1.
int FillLength(int extent, int percentage);

// The length actually drawn: with blocks, the fill rounded down to a whole number of blocks,
// except that a fill that covers the whole extent stays whole. A block length below 1 means no
// blocks.
int DrawnLength(int fillLength, int extent, bool asBlocks, int blockLength);

// The end caps of a fill built from a texture: Head pixels from the texture's start, Tail
// pixels from its end, the middle tiled. Caps are Edge pixels; a fill not longer than two caps
// gives each cap half the fill plus one pixel, the tail drawn over the head. Caps never take
// more than the texture has.
struct TCaps {
    int Head = 0;
    int Tail = 0;
};
TCaps EdgeCaps(int drawnLength, int edge, int textureExtent);

// Where a pie of percentage p starts: (MX × (1 − cos a), MY × (1 − sin a)) with
// a = π × (p / 50 + 0.5), MX = width div 2, MY = height div 2, each coordinate rounded. The pie
// runs from there counter-clockwise to the top centre (MX, 0).
struct TPoint {
    int X = 0;
    int Y = 0;
    bool operator==(const TPoint&) const = default;
};
TPoint PieStartPoint(int width, int height, int percentage);

// Left edge of a label of textWidth in a rectangle of width. centreInFill (a horizontal bar
// that centres its label in the filled part) applies to the centre place only.
int LabelLeft(TLSVHorAlignment alignment, int width, int textWidth, bool centreInFill,
              int fillLength);

// Top edge of a label of textHeight in a rectangle of height. centreInFill (a vertical bar,
// filled from the bottom) applies to the centred place only.
int LabelTop(TLSVVerAlignment alignment, int height, int textHeight, bool centreInFill,
             int fillLength);

// The label text: the format with its integer placeholder (%d, with optional "-" and width)
// filled with the percentage and "%%" giving "%". Anything else stands as written, so no format
// text can read beyond its one argument.
std::string FormatLabel(std::string_view format, int percentage);

// Offset of the running strip after one more step: it moves by step along the bar and starts
// again at 0 once it has run past the end.
int NextStripOffset(int offset, int step, int extent);

} // namespace GaugeMath
