// Enhanced metafiles (EMF): records of a 32-bit type and a 32-bit size in bytes, the first of
// them the header. Coordinates are logical units; the header gives the picture's frame in
// hundredths of a millimetre and the size of the reference device.

#include "metafile/Dib.h"
#include "metafile/MetafileParser.h"
#include "metafile/ParserSupport.h"
#include "metafile/RecordReader.h"

#include <cmath>

namespace Metafile::Detail {

namespace {

enum : std::uint32_t {
    EMR_HEADER = 1,
    EMR_POLYBEZIER = 2,
    EMR_POLYGON = 3,
    EMR_POLYLINE = 4,
    EMR_POLYBEZIERTO = 5,
    EMR_POLYLINETO = 6,
    EMR_POLYPOLYLINE = 7,
    EMR_POLYPOLYGON = 8,
    EMR_SETWINDOWEXTEX = 9,
    EMR_SETWINDOWORGEX = 10,
    EMR_SETVIEWPORTEXTEX = 11,
    EMR_SETVIEWPORTORGEX = 12,
    EMR_EOF = 14,
    EMR_SETPIXELV = 15,
    EMR_SETMAPMODE = 17,
    EMR_SETBKMODE = 18,
    EMR_SETPOLYFILLMODE = 19,
    EMR_SETSTRETCHBLTMODE = 21,
    EMR_SETTEXTALIGN = 22,
    EMR_SETTEXTCOLOR = 24,
    EMR_SETBKCOLOR = 25,
    EMR_MOVETOEX = 27,
    EMR_EXCLUDECLIPRECT = 29,
    EMR_INTERSECTCLIPRECT = 30,
    EMR_SCALEVIEWPORTEXTEX = 31,
    EMR_SCALEWINDOWEXTEX = 32,
    EMR_SAVEDC = 33,
    EMR_RESTOREDC = 34,
    EMR_SETWORLDTRANSFORM = 35,
    EMR_MODIFYWORLDTRANSFORM = 36,
    EMR_SELECTOBJECT = 37,
    EMR_CREATEPEN = 38,
    EMR_CREATEBRUSHINDIRECT = 39,
    EMR_DELETEOBJECT = 40,
    EMR_ANGLEARC = 41,
    EMR_ELLIPSE = 42,
    EMR_RECTANGLE = 43,
    EMR_ROUNDRECT = 44,
    EMR_ARC = 45,
    EMR_CHORD = 46,
    EMR_PIE = 47,
    EMR_CREATEPALETTE = 49,
    EMR_LINETO = 54,
    EMR_ARCTO = 55,
    EMR_POLYDRAW = 56,
    EMR_SETARCDIRECTION = 57,
    EMR_SETMITERLIMIT = 58,
    EMR_BEGINPATH = 59,
    EMR_ENDPATH = 60,
    EMR_CLOSEFIGURE = 61,
    EMR_FILLPATH = 62,
    EMR_STROKEANDFILLPATH = 63,
    EMR_STROKEPATH = 64,
    EMR_WIDENPATH = 66,
    EMR_SELECTCLIPPATH = 67,
    EMR_ABORTPATH = 68,
    EMR_EXTSELECTCLIPRGN = 75,
    EMR_BITBLT = 76,
    EMR_STRETCHBLT = 77,
    EMR_SETDIBITSTODEVICE = 80,
    EMR_STRETCHDIBITS = 81,
    EMR_EXTCREATEFONTINDIRECTW = 82,
    EMR_EXTTEXTOUTA = 83,
    EMR_EXTTEXTOUTW = 84,
    EMR_POLYBEZIER16 = 85,
    EMR_POLYGON16 = 86,
    EMR_POLYLINE16 = 87,
    EMR_POLYBEZIERTO16 = 88,
    EMR_POLYLINETO16 = 89,
    EMR_POLYPOLYLINE16 = 90,
    EMR_POLYPOLYGON16 = 91,
    EMR_POLYDRAW16 = 92,
    EMR_CREATEMONOBRUSH = 93,
    EMR_CREATEDIBPATTERNBRUSHPT = 94,
    EMR_EXTCREATEPEN = 95,
    EMR_CREATECOLORSPACE = 99,
    EMR_SMALLTEXTOUT = 108,
    EMR_ALPHABLEND = 114,
    EMR_TRANSPARENTBLT = 116,
    EMR_GRADIENTFILL = 118,
    EMR_CREATECOLORSPACEW = 122,
};

enum : std::uint32_t { MWT_IDENTITY = 1, MWT_LEFTMULTIPLY = 2, MWT_RIGHTMULTIPLY = 3, MWT_SET = 4 };
enum : std::uint32_t { ETO_NO_RECT = 0x0100, ETO_SMALL_CHARS = 0x0200 };
enum : std::uint8_t { AC_SRC_ALPHA = 1 };
enum : std::uint32_t {
    GRADIENT_FILL_RECT_H = 0,
    GRADIENT_FILL_RECT_V = 1,
    GRADIENT_FILL_TRIANGLE = 2
};

constexpr std::size_t kMinHeaderSize = 88;
// The bits of the smallest normal float. Below them a miter limit is an integer, as the format
// names it; from them on it is the float GDI itself writes (no limit below 1 is valid).
constexpr std::uint32_t kSmallestFloatBits = 0x00800000;
// Index 0 stands for the metafile itself; object handles are 16-bit in the header's count.
constexpr std::uint32_t kMaxObjectIndex = 0xFFFF;

void Require(bool condition) {
    if (!condition)
        throw EBadRecord{};
}

TPoint PointAt(const TRecordReader& r, std::size_t at) {
    return {r.I32(at), r.I32(at + 4)};
}

TRect RectAt(const TRecordReader& r, std::size_t at) {
    return {r.I32(at), r.I32(at + 4), r.I32(at + 8), r.I32(at + 12)};
}

class TEmfParser {
public:
    TEmfParser(std::span<const std::uint8_t> bytes, const std::string& fileName)
        : bytes_(bytes), fileName_(fileName) {}

    TMetafile Parse();

private:
    void ReadHeader();
    void Record(std::uint32_t type, const TRecordReader& r);
    void Poly(std::uint32_t type, const TRecordReader& r);
    void PolyDraw(std::uint32_t type, const TRecordReader& r);
    void GradientFill(const TRecordReader& r);
    void PolyPoly(std::uint32_t type, const TRecordReader& r);
    void Text(std::uint32_t type, const TRecordReader& r);
    void SmallText(const TRecordReader& r);
    void Blit(std::uint32_t type, const TRecordReader& r);
    void ClipRegion(const TRecordReader& r);
    void Create(std::uint32_t index, TGdiObject object);
    TLogFont Font(const TRecordReader& r);
    TLogPen ExtPen(const TRecordReader& r);
    std::shared_ptr<TBitmap> Dib(const TRecordReader& r, std::size_t fieldsAt, std::uint32_t usage);

    std::span<const std::uint8_t> bytes_;
    const std::string& fileName_;
    TMetafile file_;
    TDibDecoder dibs_;
};

TMetafile TEmfParser::Parse() {
    ReadHeader();
    const TRecordReader in(bytes_);
    std::size_t position = 0;
    for (;;) {
        if (position == bytes_.size())
            ThrowNoEndRecord(fileName_);
        if (!in.Has(position, 8))
            ThrowTruncated(fileName_, position);
        const std::uint32_t type = in.U32(position);
        const std::uint32_t size = in.U32(position + 4);
        if (size < 8 || size % 4 != 0)
            ThrowBadRecordSize(fileName_, position);
        if (size > bytes_.size() - position)
            ThrowTruncated(fileName_, position);
        if (type == EMR_EOF)
            break;
        if (position > 0) { // the header was read already
            try {
                Record(type, TRecordReader(bytes_.subspan(position, size)));
            } catch (const EBadRecord&) {
                ++file_.damagedRecords; // dropped; the records after it still draw
            }
        }
        position += size;
    }
    return std::move(file_);
}

void TEmfParser::ReadHeader() {
    const TRecordReader in(bytes_);
    if (!in.Has(0, kMinHeaderSize))
        ThrowDamagedHeader(fileName_);
    const std::uint32_t size = in.U32(4);
    if (size < kMinHeaderSize || size % 4 != 0 || size > bytes_.size())
        ThrowDamagedHeader(fileName_);
    const TRect bounds = RectAt(in, 8); // device pixels, inclusive
    const TRect frame = RectAt(in, 24); // hundredths of a millimetre, inclusive
    const std::int32_t devicePixelsX = in.I32(72), devicePixelsY = in.I32(76);
    const std::int32_t deviceMmX = in.I32(80), deviceMmY = in.I32(84);
    if (devicePixelsX <= 0 || devicePixelsY <= 0 || deviceMmX <= 0 || deviceMmY <= 0)
        ThrowDamagedHeader(fileName_);

    TMetafile& f = file_;
    f.format = EFormat::Emf;
    f.devicePixelsPerMmX = static_cast<double>(devicePixelsX) / deviceMmX;
    f.devicePixelsPerMmY = static_cast<double>(devicePixelsY) / deviceMmY;
    f.initialMapMode = MM_TEXT;
    const double frameWidth = static_cast<double>(frame.right) - frame.left;
    const double frameHeight = static_cast<double>(frame.bottom) - frame.top;
    if (frameWidth > 0 && frameHeight > 0) {
        f.frameLeft = frame.left / 100.0 * f.devicePixelsPerMmX;
        f.frameTop = frame.top / 100.0 * f.devicePixelsPerMmY;
        f.frameWidth = frameWidth / 100.0 * f.devicePixelsPerMmX;
        f.frameHeight = frameHeight / 100.0 * f.devicePixelsPerMmY;
        f.naturalWidth = frameWidth / 2540.0 * 96.0;
        f.naturalHeight = frameHeight / 2540.0 * 96.0;
    } else {
        // Some writers leave the frame empty; the bounds, in device pixels, still say where
        // the drawing is.
        const double width = static_cast<double>(bounds.right) - bounds.left + 1;
        const double height = static_cast<double>(bounds.bottom) - bounds.top + 1;
        if (width <= 0 || height <= 0)
            ThrowDamagedHeader(fileName_);
        f.frameLeft = bounds.left;
        f.frameTop = bounds.top;
        f.frameWidth = width;
        f.frameHeight = height;
        f.naturalWidth = width / f.devicePixelsPerMmX * 96.0 / 25.4;
        f.naturalHeight = height / f.devicePixelsPerMmY * 96.0 / 25.4;
    }
}

void TEmfParser::Create(std::uint32_t index, TGdiObject object) {
    Require(index != 0 && index <= kMaxObjectIndex);
    file_.commands.push_back(TCreateObject{index, std::move(object)});
}

void TEmfParser::Record(std::uint32_t type, const TRecordReader& r) {
    auto& out = file_.commands;
    using EAttr = TSetAttribute::EKind;
    using EMap = TMappingOp::EKind;
    using EPath = TPathOp::EKind;
    switch (type) {
    case EMR_POLYBEZIER:
    case EMR_POLYGON:
    case EMR_POLYLINE:
    case EMR_POLYBEZIERTO:
    case EMR_POLYLINETO:
    case EMR_POLYBEZIER16:
    case EMR_POLYGON16:
    case EMR_POLYLINE16:
    case EMR_POLYBEZIERTO16:
    case EMR_POLYLINETO16:
        Poly(type, r);
        break;
    case EMR_POLYPOLYLINE:
    case EMR_POLYPOLYGON:
    case EMR_POLYPOLYLINE16:
    case EMR_POLYPOLYGON16:
        PolyPoly(type, r);
        break;
    case EMR_SETWINDOWEXTEX:
        out.push_back(TMappingOp{EMap::SetWindowExt, r.I32(8), r.I32(12)});
        break;
    case EMR_SETWINDOWORGEX:
        out.push_back(TMappingOp{EMap::SetWindowOrg, r.I32(8), r.I32(12)});
        break;
    case EMR_SETVIEWPORTEXTEX:
        out.push_back(TMappingOp{EMap::SetViewportExt, r.I32(8), r.I32(12)});
        break;
    case EMR_SETVIEWPORTORGEX:
        out.push_back(TMappingOp{EMap::SetViewportOrg, r.I32(8), r.I32(12)});
        break;
    case EMR_SCALEVIEWPORTEXTEX:
    case EMR_SCALEWINDOWEXTEX:
        out.push_back(
            TMappingOp{type == EMR_SCALEWINDOWEXTEX ? EMap::ScaleWindowExt : EMap::ScaleViewportExt,
                       r.I32(8), r.I32(12), r.I32(16), r.I32(20)});
        break;
    case EMR_SETMAPMODE:
        out.push_back(TSetMapMode{r.U32(8)});
        break;
    case EMR_SETBKMODE:
        out.push_back(TSetAttribute{EAttr::BkMode, r.U32(8)});
        break;
    case EMR_SETPOLYFILLMODE:
        out.push_back(TSetAttribute{EAttr::PolyFillMode, r.U32(8)});
        break;
    case EMR_SETTEXTALIGN:
        out.push_back(TSetAttribute{EAttr::TextAlign, r.U32(8)});
        break;
    case EMR_SETSTRETCHBLTMODE:
        out.push_back(TSetAttribute{EAttr::StretchMode, r.U32(8)});
        break;
    case EMR_SETTEXTCOLOR:
        out.push_back(TSetAttribute{EAttr::TextColor, r.U32(8)});
        break;
    case EMR_SETBKCOLOR:
        out.push_back(TSetAttribute{EAttr::BkColor, r.U32(8)});
        break;
    case EMR_SETARCDIRECTION:
        out.push_back(TSetAttribute{EAttr::ArcDirection, r.U32(8)});
        break;
    case EMR_SETMITERLIMIT: {
        const std::uint32_t bits = r.U32(8);
        const double limit = bits < kSmallestFloatBits ? static_cast<double>(bits) : r.F32(8);
        Require(std::isfinite(limit));
        out.push_back(TSetMiterLimit{limit});
        break;
    }
    case EMR_SETPIXELV:
        out.push_back(TSetPixel{PointAt(r, 8), TColor::FromColorRef(r.U32(16))});
        break;
    case EMR_MOVETOEX:
        out.push_back(TMoveTo{PointAt(r, 8)});
        break;
    case EMR_LINETO:
        out.push_back(TLineTo{PointAt(r, 8)});
        break;
    case EMR_EXCLUDECLIPRECT:
    case EMR_INTERSECTCLIPRECT:
        out.push_back(TClipRect{type == EMR_INTERSECTCLIPRECT ? TClipRect::EKind::Intersect
                                                              : TClipRect::EKind::Exclude,
                                RectAt(r, 8)});
        break;
    case EMR_SAVEDC:
        out.push_back(TSaveDc{});
        break;
    case EMR_RESTOREDC:
        out.push_back(TRestoreDc{r.I32(8)});
        break;
    case EMR_SETWORLDTRANSFORM:
    case EMR_MODIFYWORLDTRANSFORM: {
        TWorldTransform t;
        double* fields[] = {&t.xform.m11, &t.xform.m12, &t.xform.m21,
                            &t.xform.m22, &t.xform.dx,  &t.xform.dy};
        for (std::size_t i = 0; i < 6; ++i) {
            *fields[i] = r.F32(8 + 4 * i);
            Require(std::isfinite(*fields[i]));
        }
        if (type == EMR_SETWORLDTRANSFORM) {
            t.kind = TWorldTransform::EKind::Set;
        } else {
            switch (r.U32(32)) {
            case MWT_IDENTITY:
                t.kind = TWorldTransform::EKind::Identity;
                break;
            case MWT_LEFTMULTIPLY:
                t.kind = TWorldTransform::EKind::LeftMultiply;
                break;
            case MWT_RIGHTMULTIPLY:
                t.kind = TWorldTransform::EKind::RightMultiply;
                break;
            case MWT_SET:
                t.kind = TWorldTransform::EKind::Set;
                break;
            default:
                throw EBadRecord{};
            }
        }
        out.push_back(t);
        break;
    }
    case EMR_SELECTOBJECT:
        out.push_back(TSelectObject{r.U32(8)});
        break;
    case EMR_DELETEOBJECT:
        out.push_back(TDeleteObject{r.U32(8)});
        break;
    case EMR_CREATEPEN:
        Create(r.U32(8), SimplePen(r.U32(12), r.I32(16), TColor::FromColorRef(r.U32(24))));
        break;
    case EMR_EXTCREATEPEN:
        Create(r.U32(8), ExtPen(r));
        break;
    case EMR_CREATEBRUSHINDIRECT: {
        TLogBrush brush;
        brush.style = r.U32(12);
        brush.color = TColor::FromColorRef(r.U32(16));
        brush.hatch = r.U32(20);
        if (brush.style != BS_SOLID && brush.style != BS_NULL && brush.style != BS_HATCHED)
            Create(r.U32(8), TOtherObject{});
        else
            Create(r.U32(8), brush);
        break;
    }
    case EMR_CREATEMONOBRUSH:
    case EMR_CREATEDIBPATTERNBRUSHPT: {
        TLogBrush brush;
        brush.style = BS_DIBPATTERN;
        brush.pattern = Dib(r, 16, r.U32(12));
        if (brush.pattern) {
            Create(r.U32(8), brush);
        } else {
            // The index must not keep pointing at an object deleted before.
            Create(r.U32(8), TOtherObject{});
            ++file_.damagedRecords;
        }
        break;
    }
    case EMR_EXTCREATEFONTINDIRECTW:
        Create(r.U32(8), Font(r));
        break;
    case EMR_CREATEPALETTE:
    case EMR_CREATECOLORSPACE:
    case EMR_CREATECOLORSPACEW:
        Create(r.U32(8), TOtherObject{});
        break;
    case EMR_RECTANGLE:
        out.push_back(TShape{TShape::EKind::Rectangle, RectAt(r, 8), {}});
        break;
    case EMR_ELLIPSE:
        out.push_back(TShape{TShape::EKind::Ellipse, RectAt(r, 8), {}});
        break;
    case EMR_ROUNDRECT:
        out.push_back(TShape{TShape::EKind::RoundRect, RectAt(r, 8), PointAt(r, 24)});
        break;
    case EMR_ARC:
    case EMR_CHORD:
    case EMR_PIE:
    case EMR_ARCTO: {
        const TArc::EKind kind = type == EMR_ARC     ? TArc::EKind::Arc
                                 : type == EMR_CHORD ? TArc::EKind::Chord
                                 : type == EMR_PIE   ? TArc::EKind::Pie
                                                     : TArc::EKind::ArcTo;
        out.push_back(TArc{kind, RectAt(r, 8), PointAt(r, 24), PointAt(r, 32)});
        break;
    }
    case EMR_ANGLEARC: {
        const double start = r.F32(20), sweep = r.F32(24);
        Require(std::isfinite(start) && std::isfinite(sweep));
        out.push_back(TAngleArc{PointAt(r, 8), static_cast<double>(r.U32(16)), start, sweep});
        break;
    }
    case EMR_POLYDRAW:
    case EMR_POLYDRAW16:
        PolyDraw(type, r);
        break;
    case EMR_GRADIENTFILL:
        GradientFill(r);
        break;
    case EMR_BEGINPATH:
        out.push_back(TPathOp{EPath::Begin});
        break;
    case EMR_ENDPATH:
        out.push_back(TPathOp{EPath::End});
        break;
    case EMR_CLOSEFIGURE:
        out.push_back(TPathOp{EPath::CloseFigure});
        break;
    case EMR_FILLPATH:
        out.push_back(TPathOp{EPath::Fill});
        break;
    case EMR_STROKEPATH:
        out.push_back(TPathOp{EPath::Stroke});
        break;
    case EMR_STROKEANDFILLPATH:
        out.push_back(TPathOp{EPath::StrokeAndFill});
        break;
    case EMR_ABORTPATH:
        out.push_back(TPathOp{EPath::Abort});
        break;
    case EMR_WIDENPATH:
        out.push_back(TPathOp{EPath::Widen});
        break;
    case EMR_SELECTCLIPPATH:
        out.push_back(TPathOp{EPath::SelectClip, r.U32(8)});
        break;
    case EMR_EXTSELECTCLIPRGN:
        ClipRegion(r);
        break;
    case EMR_EXTTEXTOUTA:
    case EMR_EXTTEXTOUTW:
        Text(type, r);
        break;
    case EMR_SMALLTEXTOUT:
        SmallText(r);
        break;
    case EMR_BITBLT:
    case EMR_STRETCHBLT:
    case EMR_SETDIBITSTODEVICE:
    case EMR_STRETCHDIBITS:
    case EMR_ALPHABLEND:
    case EMR_TRANSPARENTBLT:
        Blit(type, r);
        break;
    default:
        break; // a record this player has no use for (comments, palettes, colour management)
    }
}

void TEmfParser::Poly(std::uint32_t type, const TRecordReader& r) {
    const bool small = type >= EMR_POLYBEZIER16;
    const std::size_t pointSize = small ? 4 : 8;
    const std::size_t count = r.U32(24);
    Require(count > 0 && count <= r.Size() / pointSize && r.Has(28, count * pointSize));
    std::vector<TPoint> points;
    points.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = 28 + i * pointSize;
        points.push_back(small ? TPoint{r.I16(at), r.I16(at + 2)} : PointAt(r, at));
    }
    TPoly::EKind kind = TPoly::EKind::Polyline;
    switch (small ? type - (EMR_POLYBEZIER16 - EMR_POLYBEZIER) : type) {
    case EMR_POLYBEZIER:
        kind = TPoly::EKind::PolyBezier;
        break;
    case EMR_POLYGON:
        kind = TPoly::EKind::Polygon;
        break;
    case EMR_POLYBEZIERTO:
        kind = TPoly::EKind::PolyBezierTo;
        break;
    case EMR_POLYLINETO:
        kind = TPoly::EKind::PolylineTo;
        break;
    default:
        break;
    }
    TPoly poly{kind, {}};
    poly.figures.push_back(std::move(points));
    file_.commands.push_back(std::move(poly));
}

void TEmfParser::PolyDraw(std::uint32_t type, const TRecordReader& r) {
    const std::size_t pointSize = type == EMR_POLYDRAW16 ? 4 : 8;
    const std::size_t count = r.U32(24);
    Require(count > 0 && count <= r.Size() / pointSize && r.Has(28, count * (pointSize + 1)));
    TPolyDraw draw;
    draw.points.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = 28 + i * pointSize;
        draw.points.push_back(pointSize == 4 ? TPoint{r.I16(at), r.I16(at + 2)} : PointAt(r, at));
    }
    // GDI draws nothing of a record with a kind it does not know or a curve cut short.
    const std::size_t kindsAt = 28 + count * pointSize;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t kind = r.U8(kindsAt + i);
        const std::uint8_t base = kind & static_cast<std::uint8_t>(~TPolyDraw::CloseFigure);
        if (base == TPolyDraw::BezierTo) {
            Require(i + 2 < count);
            for (std::size_t k = 1; k <= 2; ++k)
                Require((r.U8(kindsAt + i + k) & ~TPolyDraw::CloseFigure) == TPolyDraw::BezierTo);
            for (std::size_t k = 0; k < 3; ++k)
                draw.kinds.push_back(r.U8(kindsAt + i + k));
            i += 2;
            continue;
        }
        Require(kind == TPolyDraw::MoveTo || base == TPolyDraw::LineTo);
        draw.kinds.push_back(kind);
    }
    file_.commands.push_back(std::move(draw));
}

void TEmfParser::GradientFill(const TRecordReader& r) {
    constexpr std::size_t kVertexSize = 16;
    const std::size_t vertices = r.U32(24);
    const std::size_t shapes = r.U32(28);
    const std::uint32_t mode = r.U32(32);
    Require(mode <= GRADIENT_FILL_TRIANGLE);
    const std::size_t indices = mode == GRADIENT_FILL_TRIANGLE ? 3 : 2;
    Require(vertices <= r.Size() / kVertexSize && r.Has(36, vertices * kVertexSize));
    const std::size_t shapesAt = 36 + vertices * kVertexSize;
    Require(shapes <= r.Size() / (indices * 4) && r.Has(shapesAt, shapes * indices * 4));
    TGradientFill fill;
    fill.kind = mode == GRADIENT_FILL_RECT_H   ? TGradientFill::EKind::Horizontal
                : mode == GRADIENT_FILL_RECT_V ? TGradientFill::EKind::Vertical
                                               : TGradientFill::EKind::Triangles;
    fill.vertices.reserve(vertices);
    for (std::size_t i = 0; i < vertices; ++i) {
        const std::size_t at = 36 + i * kVertexSize;
        // Sixteen bits a channel; the screen takes the high byte.
        auto channel = [&](std::size_t offset) {
            return static_cast<std::uint8_t>(r.U16(at + offset) >> 8);
        };
        fill.vertices.push_back({PointAt(r, at), {channel(8), channel(10), channel(12)}});
    }
    for (std::size_t i = 0; i < shapes; ++i) {
        std::array<std::uint32_t, 3> shape{};
        for (std::size_t k = 0; k < indices; ++k) {
            shape[k] = r.U32(shapesAt + (i * indices + k) * 4);
            Require(shape[k] < vertices);
        }
        fill.shapes.push_back(shape);
    }
    file_.commands.push_back(std::move(fill));
}

void TEmfParser::PolyPoly(std::uint32_t type, const TRecordReader& r) {
    const bool small = type == EMR_POLYPOLYLINE16 || type == EMR_POLYPOLYGON16;
    const std::size_t pointSize = small ? 4 : 8;
    const std::size_t figures = r.U32(24);
    const std::size_t total = r.U32(28);
    Require(figures > 0 && figures <= r.Size() / 4 && r.Has(32, figures * 4));
    Require(total <= r.Size() / pointSize);
    std::size_t sum = 0;
    for (std::size_t i = 0; i < figures; ++i)
        sum += r.U32(32 + 4 * i); // at most 2^30 counts of 2^32: no overflow in 64 bits
    Require(sum == total);
    std::size_t at = 32 + figures * 4;
    Require(r.Has(at, total * pointSize));
    const bool polygon = type == EMR_POLYPOLYGON || type == EMR_POLYPOLYGON16;
    TPoly poly{polygon ? TPoly::EKind::Polygon : TPoly::EKind::Polyline, {}};
    poly.figures.reserve(figures);
    for (std::size_t i = 0; i < figures; ++i) {
        const std::size_t count = r.U32(32 + 4 * i);
        std::vector<TPoint> points;
        points.reserve(count);
        for (std::size_t k = 0; k < count; ++k, at += pointSize)
            points.push_back(small ? TPoint{r.I16(at), r.I16(at + 2)} : PointAt(r, at));
        if (!points.empty())
            poly.figures.push_back(std::move(points));
    }
    file_.commands.push_back(std::move(poly));
}

void TEmfParser::Text(std::uint32_t type, const TRecordReader& r) {
    constexpr std::size_t kText = 36; // the EMRTEXT part
    TText text;
    text.reference = PointAt(r, kText);
    const std::size_t count = r.U32(kText + 8);
    const std::size_t offString = r.U32(kText + 12);
    text.options = r.U32(kText + 16);
    // Glyph indexes only mean something in the font the file was made with.
    Require((text.options & ETO_GLYPH_INDEX) == 0);
    // The rectangle may be left out (ETO_NO_RECT); the advances' offset follows it.
    std::size_t at = kText + 20;
    if ((text.options & ETO_NO_RECT) == 0) {
        if (text.options & (ETO_OPAQUE | ETO_CLIPPED))
            text.rect = RectAt(r, at);
        at += 16;
    }
    const std::size_t offDx = r.U32(at);
    const bool wide = type == EMR_EXTTEXTOUTW;
    const std::size_t charSize = wide ? 2 : 1;
    Require(count <= r.Size() && r.Has(offString, count * charSize));
    const auto bytes = r.Bytes(offString, count * charSize);
    text.text = wide ? FromUtf16Le(bytes) : FromAnsi(bytes);
    // With ETO_PDY the advances come in (x, y) pairs; only the x parts are used.
    const std::size_t step = (text.options & ETO_PDY) ? 8 : 4;
    if (count > 0 && offDx != 0 && r.Has(offDx, count * step)) {
        text.dx.reserve(count);
        for (std::size_t i = 0; i < count; ++i)
            text.dx.push_back(r.I32(offDx + i * step));
    }
    file_.commands.push_back(std::move(text));
}

void TEmfParser::SmallText(const TRecordReader& r) {
    TText text;
    text.reference = PointAt(r, 8);
    const std::size_t count = r.U32(16);
    text.options = r.U32(20);
    Require((text.options & ETO_GLYPH_INDEX) == 0);
    std::size_t at = 36;
    if ((text.options & ETO_NO_RECT) == 0) {
        if (text.options & (ETO_OPAQUE | ETO_CLIPPED))
            text.rect = RectAt(r, at);
        at += 16;
    }
    const bool narrow = (text.options & ETO_SMALL_CHARS) != 0;
    Require(count <= r.Size());
    const auto bytes = r.Bytes(at, count * (narrow ? 1 : 2));
    text.text = narrow ? FromAnsi(bytes) : FromUtf16Le(bytes);
    file_.commands.push_back(std::move(text));
}

// The bitmap of a record that stores offBmi, cbBmi, offBits and cbBits one after the other at
// fieldsAt, with offsets from the start of the record. No bitmap (cbBmi 0) gives nullptr.
std::shared_ptr<TBitmap> TEmfParser::Dib(const TRecordReader& r, std::size_t fieldsAt,
                                         std::uint32_t usage) {
    const std::size_t offInfo = r.U32(fieldsAt), infoSize = r.U32(fieldsAt + 4);
    const std::size_t offBits = r.U32(fieldsAt + 8), bitsSize = r.U32(fieldsAt + 12);
    if (infoSize == 0)
        return nullptr;
    return dibs_.Decode(r.Bytes(offInfo, infoSize), r.Bytes(offBits, bitsSize), usage);
}

void TEmfParser::Blit(std::uint32_t type, const TRecordReader& r) {
    TBlit blit;
    if (type == EMR_SETDIBITSTODEVICE || type == EMR_STRETCHDIBITS) {
        blit.x = r.I32(24);
        blit.y = r.I32(28);
        blit.srcX = r.I32(32);
        blit.srcY = r.I32(36);
        blit.srcWidth = r.I32(40);
        blit.srcHeight = r.I32(44);
        blit.sourceFromBottom = true;
        const std::uint32_t usage = r.U32(64);
        if (type == EMR_STRETCHDIBITS) {
            blit.rop = r.U32(68);
            blit.width = r.I32(72);
            blit.height = r.I32(76);
        } else {
            blit.width = blit.srcWidth;
            blit.height = blit.srcHeight;
        }
        blit.bitmap = Dib(r, 48, usage);
        Require(blit.bitmap != nullptr);
        file_.commands.push_back(std::move(blit));
        return;
    }

    // BitBlt, StretchBlt, AlphaBlend and TransparentBlt share one layout.
    blit.x = r.I32(24);
    blit.y = r.I32(28);
    blit.width = r.I32(32);
    blit.height = r.I32(36);
    const std::uint32_t operation = r.U32(40);
    blit.srcX = r.I32(44);
    blit.srcY = r.I32(48);
    const std::uint32_t usage = r.U32(80);
    if (type == EMR_BITBLT) {
        blit.srcWidth = blit.width;
        blit.srcHeight = blit.height;
    } else {
        blit.srcWidth = r.I32(100);
        blit.srcHeight = r.I32(104);
    }
    std::shared_ptr<TBitmap> bitmap = Dib(r, 84, usage);
    blit.bitmap = bitmap;
    switch (type) {
    case EMR_ALPHABLEND:
        Require(blit.bitmap != nullptr);
        blit.alphaBlend = true;
        blit.constantAlpha = static_cast<std::uint8_t>((operation >> 16) & 0xFF);
        blit.perPixelAlpha = ((operation >> 24) & AC_SRC_ALPHA) != 0 && blit.bitmap->hasAlpha;
        break;
    case EMR_TRANSPARENTBLT: {
        // The colour named in the record is see-through: it becomes alpha 0.
        Require(bitmap != nullptr);
        const TColor key = TColor::FromColorRef(operation);
        const std::uint32_t rgb =
            (std::uint32_t{key.r} << 16) | (std::uint32_t{key.g} << 8) | key.b;
        for (std::uint32_t& pixel : bitmap->pixels)
            pixel = (pixel & 0xFFFFFF) == rgb ? 0 : (pixel | 0xFF000000);
        bitmap->hasAlpha = true;
        blit.alphaBlend = true;
        blit.perPixelAlpha = true;
        break;
    }
    default:
        blit.rop = operation;
        break;
    }
    file_.commands.push_back(std::move(blit));
}

void TEmfParser::ClipRegion(const TRecordReader& r) {
    const std::size_t dataSize = r.U32(8);
    TClipRegion region;
    region.mode = r.U32(12);
    Require(region.mode >= RGN_AND && region.mode <= RGN_COPY);
    if (dataSize > 0) {
        constexpr std::size_t kData = 16, kDataHeader = 32;
        Require(dataSize >= kDataHeader && r.Has(kData, dataSize));
        const std::size_t count = r.U32(kData + 8);
        Require(count <= (dataSize - kDataHeader) / 16);
        region.rects.reserve(count);
        for (std::size_t i = 0; i < count; ++i)
            region.rects.push_back(RectAt(r, kData + kDataHeader + 16 * i));
    } else {
        // Only "no region" makes sense without data: it removes the clip.
        Require(region.mode == RGN_COPY);
    }
    file_.commands.push_back(std::move(region));
}

TLogFont TEmfParser::Font(const TRecordReader& r) {
    constexpr std::size_t at = 12;
    TLogFont font;
    font.height = r.I32(at);
    font.width = r.I32(at + 4);
    font.escapement = r.I32(at + 8);
    font.orientation = r.I32(at + 12);
    font.weight = r.I32(at + 16);
    font.italic = r.U8(at + 20) != 0;
    font.underline = r.U8(at + 21) != 0;
    font.strikeOut = r.U8(at + 22) != 0;
    font.charSet = r.U8(at + 23);
    font.pitchAndFamily = r.U8(at + 27);
    const std::size_t nameAt = at + 28;
    const std::size_t nameBytes =
        std::min<std::size_t>(64, r.Size() > nameAt ? r.Size() - nameAt : 0);
    font.faceName = CutAtNul(FromUtf16Le(r.Bytes(nameAt, nameBytes)));
    return font;
}

TLogPen TEmfParser::ExtPen(const TRecordReader& r) {
    TLogPen pen;
    pen.style = r.U32(28);
    // A cosmetic pen is one pixel wide whatever width it names.
    if (pen.style & PS_GEOMETRIC)
        pen.width = static_cast<std::int32_t>(std::min<std::uint32_t>(r.U32(32), INT32_MAX));
    const std::uint32_t brushStyle = r.U32(36);
    pen.color = TColor::FromColorRef(r.U32(40));
    if (brushStyle == BS_NULL)
        pen.style = (pen.style & ~PS_STYLE_MASK) | PS_NULL;
    const std::size_t entries = r.U32(48);
    if ((pen.style & PS_STYLE_MASK) == PS_USERSTYLE) {
        Require(entries <= 16 && r.Has(52, entries * 4)); // GDI allows up to 16
        for (std::size_t i = 0; i < entries; ++i)
            pen.dashes.push_back(r.U32(52 + 4 * i));
    }
    return pen;
}

} // namespace

TMetafile ParseEmf(std::span<const std::uint8_t> bytes, const std::string& fileName) {
    return TEmfParser(bytes, fileName).Parse();
}

} // namespace Metafile::Detail
