#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

// A Windows metafile (WMF, placeable WMF or EMF) read into one list of drawing commands. Both
// formats land in the same commands, so one player draws them; every count, size and offset of the
// file has been checked on the way in, so nothing here can point outside what was read.
namespace Metafile {

struct TPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool operator==(const TPoint&) const = default;
};

struct TRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    bool operator==(const TRect&) const = default;
};

// A COLORREF as stored in the file: 0x00BBGGRR.
struct TColor {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    bool operator==(const TColor&) const = default;
    static TColor FromColorRef(std::uint32_t ref) {
        return {static_cast<std::uint8_t>(ref & 0xFF), static_cast<std::uint8_t>((ref >> 8) & 0xFF),
                static_cast<std::uint8_t>((ref >> 16) & 0xFF)};
    }
};

// An affine transform as GDI's XFORM: x' = x * m11 + y * m21 + dx, y' = x * m12 + y * m22 + dy.
struct TXform {
    double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;
};

// A decoded device-independent bitmap: 0xAARRGGBB pixels, top row first.
struct TBitmap {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint32_t> pixels;
    bool bottomUp = false; // how the rows were stored; source rectangles of some records count
                           // from the bottom for such bitmaps
    bool hasAlpha = false; // 32-bit source whose top byte may be an alpha value
};

// GDI constants the parser and the player share.
enum : std::uint32_t {
    PS_SOLID = 0,
    PS_DASH = 1,
    PS_DOT = 2,
    PS_DASHDOT = 3,
    PS_DASHDOTDOT = 4,
    PS_NULL = 5,
    PS_INSIDEFRAME = 6,
    PS_USERSTYLE = 7,
    PS_ALTERNATE = 8,
    PS_STYLE_MASK = 0x0F,
    PS_ENDCAP_MASK = 0x0F00,
    PS_ENDCAP_ROUND = 0x0000,
    PS_ENDCAP_SQUARE = 0x0100,
    PS_ENDCAP_FLAT = 0x0200,
    PS_JOIN_MASK = 0xF000,
    PS_JOIN_ROUND = 0x0000,
    PS_JOIN_BEVEL = 0x1000,
    PS_JOIN_MITER = 0x2000,
    PS_GEOMETRIC = 0x00010000,

    BS_SOLID = 0,
    BS_NULL = 1,
    BS_HATCHED = 2,
    BS_PATTERN = 3,
    BS_DIBPATTERN = 5,
    BS_DIBPATTERNPT = 6,

    HS_HORIZONTAL = 0,
    HS_VERTICAL = 1,
    HS_FDIAGONAL = 2,
    HS_BDIAGONAL = 3,
    HS_CROSS = 4,
    HS_DIAGCROSS = 5,
    // Not hatches but solid colours: the brush's own, the text colour or the background colour.
    HS_SOLIDCLR = 6,
    HS_DITHEREDCLR = 7,
    HS_SOLIDTEXTCLR = 8,
    HS_DITHEREDTEXTCLR = 9,
    HS_SOLIDBKCLR = 10,
    HS_DITHEREDBKCLR = 11,

    MM_TEXT = 1,
    MM_LOMETRIC = 2,
    MM_HIMETRIC = 3,
    MM_LOENGLISH = 4,
    MM_HIENGLISH = 5,
    MM_TWIPS = 6,
    MM_ISOTROPIC = 7,
    MM_ANISOTROPIC = 8,

    TRANSPARENT = 1,
    OPAQUE = 2,
    ALTERNATE = 1,
    WINDING = 2,
    AD_COUNTERCLOCKWISE = 1,
    AD_CLOCKWISE = 2,
    BLACKONWHITE = 1,
    HALFTONE = 4,

    TA_UPDATECP = 0x01,
    TA_RIGHT = 0x02,
    TA_CENTER = 0x06,
    TA_HORIZONTAL_MASK = 0x06,
    TA_BOTTOM = 0x08,
    TA_BASELINE = 0x18,
    TA_VERTICAL_MASK = 0x18,

    ETO_OPAQUE = 0x0002,
    ETO_CLIPPED = 0x0004,
    ETO_GLYPH_INDEX = 0x0010,
    ETO_PDY = 0x2000,

    RGN_AND = 1,
    RGN_OR = 2,
    RGN_XOR = 3,
    RGN_DIFF = 4,
    RGN_COPY = 5,

    SRCCOPY = 0x00CC0020,
    SRCPAINT = 0x00EE0086,
    SRCAND = 0x008800C6,
    SRCINVERT = 0x00660046,
    SRCERASE = 0x00440328,
    NOTSRCCOPY = 0x00330008,
    NOTSRCERASE = 0x001100A6,
    MERGEPAINT = 0x00BB0226,
    PATCOPY = 0x00F00021,
    PATINVERT = 0x005A0049,
    DSTINVERT = 0x00550009,
    BLACKNESS = 0x00000042,
    WHITENESS = 0x00FF0062,

    // EMF stock objects are selected by index with this bit set.
    STOCK_OBJECT_FLAG = 0x80000000,
};

struct TLogPen {
    std::uint32_t style = PS_SOLID;
    std::int32_t width = 0; // logical units; 0 is one device pixel
    TColor color;
    std::vector<std::uint32_t> dashes; // PS_USERSTYLE: dash and gap lengths in logical units
};

struct TLogBrush {
    std::uint32_t style = BS_SOLID;
    TColor color;
    std::uint32_t hatch = HS_HORIZONTAL;
    std::shared_ptr<const TBitmap> pattern; // BS_DIBPATTERN brushes
};

struct TLogFont {
    std::int32_t height = 0; // logical units: < 0 character height, > 0 cell height, 0 default
    std::int32_t width = 0;
    std::int32_t escapement = 0; // tenths of a degree, counter-clockwise
    std::int32_t orientation = 0;
    std::int32_t weight = 0; // 0 default, 400 normal, 700 bold
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    std::uint8_t charSet = 0;
    std::uint8_t pitchAndFamily = 0;
    std::u16string faceName;
};

// An object the player keeps no state for (palette, region, colour space, a damaged pattern
// brush). It still takes its place in the object table, so later indexes stay right.
struct TOtherObject {};

using TGdiObject = std::variant<TLogPen, TLogBrush, TLogFont, TOtherObject>;

// ---- Commands ----

struct TSetMapMode {
    std::uint32_t mode = MM_TEXT;
};

struct TMappingOp {
    enum class EKind {
        SetWindowOrg,
        SetWindowExt,
        SetViewportOrg,
        SetViewportExt,
        OffsetWindowOrg,
        OffsetViewportOrg,
        ScaleWindowExt,   // a/b horizontally, c/d vertically
        ScaleViewportExt, // a/b horizontally, c/d vertically
    };
    EKind kind = EKind::SetWindowOrg;
    std::int32_t a = 0, b = 0, c = 0, d = 0; // x and y for the others
};

struct TWorldTransform {
    enum class EKind { Set, Identity, LeftMultiply, RightMultiply };
    EKind kind = EKind::Set;
    TXform xform;
};

struct TCreateObject {
    std::uint32_t index = 0;
    TGdiObject object;
};

struct TSelectObject {
    std::uint32_t index = 0; // STOCK_OBJECT_FLAG | n for a stock object
};

struct TDeleteObject {
    std::uint32_t index = 0;
};

struct TSetAttribute {
    enum class EKind {
        TextColor,
        BkColor,
        BkMode,
        TextAlign,
        PolyFillMode,
        ArcDirection,
        StretchMode,
    };
    EKind kind = EKind::TextColor;
    std::uint32_t value = 0; // a COLORREF for the colours
};

// The longest miter join, as a ratio of its length to the pen's width; longer ones are beveled.
struct TSetMiterLimit {
    double limit = 10;
};

struct TMoveTo {
    TPoint point;
};

struct TLineTo {
    TPoint point;
};

// Polylines, polygons and Bézier curves, single or several at once. The "To" kinds start at the
// current position and move it to their last point.
struct TPoly {
    enum class EKind { Polyline, Polygon, PolylineTo, PolyBezier, PolyBezierTo };
    EKind kind = EKind::Polyline;
    std::vector<std::vector<TPoint>> figures;
};

struct TShape {
    enum class EKind { Rectangle, RoundRect, Ellipse };
    EKind kind = EKind::Rectangle;
    TRect box;
    TPoint corner; // RoundRect: width and height of the corner ellipse
};

struct TArc {
    enum class EKind { Arc, Chord, Pie, ArcTo };
    EKind kind = EKind::Arc;
    TRect box;
    TPoint start;
    TPoint end;
};

// A line from the current position to the arc's start, then the arc, leaving the position at its
// end. Angles in degrees, counter-clockwise from the x axis in logical units; a negative sweep
// turns clockwise.
struct TAngleArc {
    TPoint center;
    double radius = 0;
    double startAngle = 0;
    double sweepAngle = 0;
};

// Moves, lines and Bézier curves in one record, each point with its kind; a line or curve point
// may also close its figure.
struct TPolyDraw {
    enum : std::uint8_t { CloseFigure = 1, LineTo = 2, BezierTo = 4, MoveTo = 6 };
    std::vector<TPoint> points;
    std::vector<std::uint8_t> kinds; // one per point; a curve's three points in a row
};

// Rectangles shaded from their left to their right edge (or top to bottom), or triangles shaded
// between the colours of their corners.
struct TGradientFill {
    enum class EKind { Horizontal, Vertical, Triangles };
    struct TVertex {
        TPoint point;
        TColor color;
    };
    EKind kind = EKind::Horizontal;
    std::vector<TVertex> vertices;
    std::vector<std::array<std::uint32_t, 3>> shapes; // indices into vertices; a rectangle uses
                                                      // two, its opposite corners
};

struct TSetPixel {
    TPoint point;
    TColor color;
};

struct TText {
    TPoint reference;
    std::u16string text;
    std::uint32_t options = 0;
    std::optional<TRect> rect;    // ETO_OPAQUE / ETO_CLIPPED rectangle
    std::vector<std::int32_t> dx; // advance of each character in logical units, or empty
};

// A bitmap drawn into a destination rectangle, or, without a bitmap, a rectangle painted with the
// brush or a fixed colour (PatBlt).
struct TBlit {
    std::int32_t x = 0, y = 0, width = 0, height = 0;             // destination, logical units
    std::int32_t srcX = 0, srcY = 0, srcWidth = 0, srcHeight = 0; // source, bitmap pixels
    std::uint32_t rop = SRCCOPY;
    std::shared_ptr<const TBitmap> bitmap;
    bool sourceFromBottom = false; // srcY counts from the bottom row of a bottom-up bitmap
    bool alphaBlend = false;       // AlphaBlend: constantAlpha and, if set, per-pixel alpha
    std::uint8_t constantAlpha = 255;
    bool perPixelAlpha = false;
};

struct TSaveDc {};

struct TRestoreDc {
    std::int32_t which = -1; // < 0: that many saves back; > 0: the n-th saved state
};

struct TClipRect {
    enum class EKind { Intersect, Exclude };
    EKind kind = EKind::Intersect;
    TRect rect;
};

// A clip region in device units combined with the clip by mode; RGN_COPY without rectangles
// removes the clip.
struct TClipRegion {
    std::uint32_t mode = RGN_COPY;
    std::vector<TRect> rects;
};

struct TPathOp {
    enum class EKind {
        Begin,
        End,
        CloseFigure,
        Fill,
        Stroke,
        StrokeAndFill,
        Abort,
        SelectClip,
        Widen, // the path becomes the outline of what the pen would paint along it
    };
    EKind kind = EKind::Begin;
    std::uint32_t mode = RGN_COPY; // SelectClip
};

using TCommand =
    std::variant<TSetMapMode, TMappingOp, TWorldTransform, TCreateObject, TSelectObject,
                 TDeleteObject, TSetAttribute, TSetMiterLimit, TMoveTo, TLineTo, TPoly, TShape,
                 TArc, TAngleArc, TPolyDraw, TGradientFill, TSetPixel, TText, TBlit, TSaveDc,
                 TRestoreDc, TClipRect, TClipRegion, TPathOp>;

enum class EFormat { Wmf, PlaceableWmf, Emf };

// Where the picture lies and how the player starts: the frame is given in the units of the
// reference device, the space the page mapping produces.
struct TMetafile {
    EFormat format = EFormat::Emf;
    double frameLeft = 0, frameTop = 0, frameWidth = 1, frameHeight = 1;
    double naturalWidth = 1, naturalHeight = 1; // the frame's size in pixels at 96 dots per inch

    // The reference device's resolution, for the metric and English mapping modes.
    double devicePixelsPerMmX = 96.0 / 25.4, devicePixelsPerMmY = 96.0 / 25.4;

    // The device context the first record finds.
    std::uint32_t initialMapMode = MM_TEXT;
    TPoint initialWindowOrg, initialWindowExt{1, 1}, initialViewportOrg, initialViewportExt{1, 1};

    std::vector<TCommand> commands;
    std::size_t damagedRecords = 0; // records dropped because their contents did not fit
};

} // namespace Metafile
