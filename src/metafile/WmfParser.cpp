// Windows metafiles (WMF): an 18-byte header, optionally preceded by the 22-byte placeable header,
// then records of a 32-bit size in 16-bit words, a 16-bit function number and parameters. The
// parameters of most records are stored last argument first.

#include "metafile/Dib.h"
#include "metafile/MetafileParser.h"
#include "metafile/ParserSupport.h"
#include "metafile/RecordReader.h"

#include <algorithm>
#include <cstdlib>
#include <set>

namespace Metafile::Detail {

namespace {

enum : std::uint16_t {
    META_EOF = 0x0000,
    META_SAVEDC = 0x001E,
    META_CREATEPALETTE = 0x00F7,
    META_SETBKMODE = 0x0102,
    META_SETMAPMODE = 0x0103,
    META_SETPOLYFILLMODE = 0x0106,
    META_SETSTRETCHBLTMODE = 0x0107,
    META_RESTOREDC = 0x0127,
    META_SELECTOBJECT = 0x012D,
    META_SETTEXTALIGN = 0x012E,
    META_DIBCREATEPATTERNBRUSH = 0x0142,
    META_DELETEOBJECT = 0x01F0,
    META_CREATEPATTERNBRUSH = 0x01F9,
    META_SETBKCOLOR = 0x0201,
    META_SETTEXTCOLOR = 0x0209,
    META_SETWINDOWORG = 0x020B,
    META_SETWINDOWEXT = 0x020C,
    META_SETVIEWPORTORG = 0x020D,
    META_SETVIEWPORTEXT = 0x020E,
    META_OFFSETWINDOWORG = 0x020F,
    META_OFFSETVIEWPORTORG = 0x0211,
    META_LINETO = 0x0213,
    META_MOVETO = 0x0214,
    META_CREATEPENINDIRECT = 0x02FA,
    META_CREATEFONTINDIRECT = 0x02FB,
    META_CREATEBRUSHINDIRECT = 0x02FC,
    META_POLYGON = 0x0324,
    META_POLYLINE = 0x0325,
    META_SCALEWINDOWEXT = 0x0410,
    META_SCALEVIEWPORTEXT = 0x0412,
    META_EXCLUDECLIPRECT = 0x0415,
    META_INTERSECTCLIPRECT = 0x0416,
    META_ELLIPSE = 0x0418,
    META_RECTANGLE = 0x041B,
    META_SETPIXEL = 0x041F,
    META_TEXTOUT = 0x0521,
    META_POLYPOLYGON = 0x0538,
    META_ROUNDRECT = 0x061C,
    META_PATBLT = 0x061D,
    META_CREATEREGION = 0x06FF,
    META_ARC = 0x0817,
    META_PIE = 0x081A,
    META_CHORD = 0x0830,
    META_DIBBITBLT = 0x0940,
    META_EXTTEXTOUT = 0x0A32,
    META_DIBSTRETCHBLT = 0x0B41,
    META_SETDIBTODEV = 0x0D33,
    META_STRETCHDIB = 0x0F43,
};

constexpr std::size_t kHeaderSize = 18;
constexpr std::size_t kPlaceableSize = 22;
constexpr std::size_t kRecordHeader = 6; // size and function
// Object indexes are 16-bit in every record that uses them.
constexpr std::uint32_t kMaxObjects = 0x10000;

bool CreatesObject(std::uint16_t function) {
    switch (function) {
    case META_CREATEPALETTE:
    case META_DIBCREATEPATTERNBRUSH:
    case META_CREATEPATTERNBRUSH:
    case META_CREATEPENINDIRECT:
    case META_CREATEFONTINDIRECT:
    case META_CREATEBRUSHINDIRECT:
    case META_CREATEREGION:
        return true;
    default:
        return false;
    }
}

void Require(bool condition) {
    if (!condition)
        throw EBadRecord{};
}

TPoint PointYX(const TRecordReader& r, std::size_t at) {
    return {r.I16(at + 2), r.I16(at)};
}

// Rectangles are stored bottom, right, top, left.
TRect RectBRTL(const TRecordReader& r, std::size_t at) {
    return {r.I16(at + 6), r.I16(at + 4), r.I16(at + 2), r.I16(at)};
}

// A WMF object has no index of its own: it takes the lowest free place of the object table, and
// deleting it frees the place again. Keeping the table here gives every object an explicit
// index, as in EMF.
class TObjectSlots {
public:
    std::optional<std::uint32_t> Take() {
        if (!freed_.empty()) {
            const std::uint32_t slot = *freed_.begin();
            freed_.erase(freed_.begin());
            return slot;
        }
        if (next_ >= kMaxObjects)
            return std::nullopt;
        return next_++;
    }
    void Free(std::uint32_t slot) {
        if (slot < next_)
            freed_.insert(slot);
    }

private:
    std::uint32_t next_ = 0;
    std::set<std::uint32_t> freed_;
};

class TWmfParser {
public:
    TWmfParser(std::span<const std::uint8_t> bytes, const std::string& fileName)
        : bytes_(bytes), fileName_(fileName) {}

    TMetafile Parse();

private:
    void ReadHeaders();
    void ReadRecords();
    void Record(std::uint16_t function, const TRecordReader& r, std::size_t recordBytes);
    void Create(TGdiObject object);
    void Poly(TPoly::EKind kind, const TRecordReader& r);
    void PolyPolygon(const TRecordReader& r);
    void TextOut(const TRecordReader& r);
    void ExtTextOut(const TRecordReader& r);
    void Blit(std::uint16_t function, const TRecordReader& r, std::size_t recordBytes);
    TLogFont Font(const TRecordReader& r);
    void SetFrame();

    std::span<const std::uint8_t> bytes_;
    const std::string& fileName_;
    std::size_t position_ = 0;
    TMetafile file_;
    TObjectSlots slots_;
    TDibDecoder dibs_;
    TRect placeableBox_;
    std::uint16_t unitsPerInch_ = 0;
};

TMetafile TWmfParser::Parse() {
    ReadHeaders();
    ReadRecords();
    SetFrame();
    return std::move(file_);
}

void TWmfParser::ReadHeaders() {
    const TRecordReader in(bytes_);
    file_.format = EFormat::Wmf;
    if (in.Has(0, 4) && in.U32(0) == kPlaceableKey) {
        file_.format = EFormat::PlaceableWmf;
        if (!in.Has(0, kPlaceableSize + kHeaderSize))
            ThrowDamagedHeader(fileName_);
        const std::int16_t left = in.I16(6), top = in.I16(8), right = in.I16(10),
                           bottom = in.I16(12);
        placeableBox_ = {std::min(left, right), std::min(top, bottom), std::max(left, right),
                         std::max(top, bottom)};
        unitsPerInch_ = in.U16(14);
        if (placeableBox_.left == placeableBox_.right ||
            placeableBox_.top == placeableBox_.bottom || unitsPerInch_ == 0)
            ThrowDamagedHeader(fileName_);
        position_ = kPlaceableSize;
    }
    if (!in.Has(position_, kHeaderSize))
        ThrowDamagedHeader(fileName_);
    const std::uint16_t type = in.U16(position_);
    const std::uint16_t headerWords = in.U16(position_ + 2);
    if ((type != 1 && type != 2) || headerWords != kHeaderSize / 2)
        ThrowDamagedHeader(fileName_);
    position_ += kHeaderSize;
}

void TWmfParser::ReadRecords() {
    const TRecordReader in(bytes_);
    for (;;) {
        if (position_ == bytes_.size())
            ThrowNoEndRecord(fileName_);
        if (!in.Has(position_, kRecordHeader))
            ThrowTruncated(fileName_, position_);
        const std::uint64_t recordBytes = std::uint64_t{in.U32(position_)} * 2;
        const std::uint16_t function = in.U16(position_ + 4);
        if (recordBytes < kRecordHeader)
            ThrowBadRecordSize(fileName_, position_);
        if (recordBytes > bytes_.size() - position_)
            ThrowTruncated(fileName_, position_);
        if (function == META_EOF)
            return;
        const TRecordReader params(bytes_.subspan(
            position_ + kRecordHeader, static_cast<std::size_t>(recordBytes) - kRecordHeader));
        try {
            Record(function, params, static_cast<std::size_t>(recordBytes));
        } catch (const EBadRecord&) {
            ++file_.damagedRecords;
            // The object still takes its place in the table, so later indexes keep pointing
            // at the objects they meant.
            if (CreatesObject(function))
                Create(TOtherObject{});
        }
        position_ += static_cast<std::size_t>(recordBytes);
    }
}

void TWmfParser::Create(TGdiObject object) {
    if (const auto slot = slots_.Take())
        file_.commands.push_back(TCreateObject{*slot, std::move(object)});
}

void TWmfParser::Record(std::uint16_t function, const TRecordReader& r, std::size_t recordBytes) {
    auto& out = file_.commands;
    using EAttr = TSetAttribute::EKind;
    using EMap = TMappingOp::EKind;
    switch (function) {
    case META_SETBKCOLOR:
        out.push_back(TSetAttribute{EAttr::BkColor, r.U32(0)});
        break;
    case META_SETTEXTCOLOR:
        out.push_back(TSetAttribute{EAttr::TextColor, r.U32(0)});
        break;
    case META_SETBKMODE:
        out.push_back(TSetAttribute{EAttr::BkMode, r.U16(0)});
        break;
    case META_SETPOLYFILLMODE:
        out.push_back(TSetAttribute{EAttr::PolyFillMode, r.U16(0)});
        break;
    case META_SETTEXTALIGN:
        out.push_back(TSetAttribute{EAttr::TextAlign, r.U16(0)});
        break;
    case META_SETSTRETCHBLTMODE:
        out.push_back(TSetAttribute{EAttr::StretchMode, r.U16(0)});
        break;
    case META_SETMAPMODE:
        out.push_back(TSetMapMode{r.U16(0)});
        break;
    case META_SETWINDOWORG:
    case META_SETWINDOWEXT:
    case META_SETVIEWPORTORG:
    case META_SETVIEWPORTEXT:
    case META_OFFSETWINDOWORG:
    case META_OFFSETVIEWPORTORG: {
        const EMap kind = function == META_SETWINDOWORG      ? EMap::SetWindowOrg
                          : function == META_SETWINDOWEXT    ? EMap::SetWindowExt
                          : function == META_SETVIEWPORTORG  ? EMap::SetViewportOrg
                          : function == META_SETVIEWPORTEXT  ? EMap::SetViewportExt
                          : function == META_OFFSETWINDOWORG ? EMap::OffsetWindowOrg
                                                             : EMap::OffsetViewportOrg;
        const TPoint p = PointYX(r, 0);
        out.push_back(TMappingOp{kind, p.x, p.y});
        break;
    }
    case META_SCALEWINDOWEXT:
    case META_SCALEVIEWPORTEXT:
        out.push_back(TMappingOp{function == META_SCALEWINDOWEXT ? EMap::ScaleWindowExt
                                                                 : EMap::ScaleViewportExt,
                                 r.I16(6), r.I16(4), r.I16(2), r.I16(0)});
        break;
    case META_MOVETO:
        out.push_back(TMoveTo{PointYX(r, 0)});
        break;
    case META_LINETO:
        out.push_back(TLineTo{PointYX(r, 0)});
        break;
    case META_EXCLUDECLIPRECT:
    case META_INTERSECTCLIPRECT:
        out.push_back(TClipRect{function == META_INTERSECTCLIPRECT ? TClipRect::EKind::Intersect
                                                                   : TClipRect::EKind::Exclude,
                                RectBRTL(r, 0)});
        break;
    case META_RECTANGLE:
        out.push_back(TShape{TShape::EKind::Rectangle, RectBRTL(r, 0), {}});
        break;
    case META_ELLIPSE:
        out.push_back(TShape{TShape::EKind::Ellipse, RectBRTL(r, 0), {}});
        break;
    case META_ROUNDRECT:
        out.push_back(TShape{TShape::EKind::RoundRect, RectBRTL(r, 4), PointYX(r, 0)});
        break;
    case META_ARC:
    case META_PIE:
    case META_CHORD: {
        const TArc::EKind kind = function == META_ARC   ? TArc::EKind::Arc
                                 : function == META_PIE ? TArc::EKind::Pie
                                                        : TArc::EKind::Chord;
        out.push_back(TArc{kind, RectBRTL(r, 8), PointYX(r, 4), PointYX(r, 0)});
        break;
    }
    case META_SETPIXEL:
        out.push_back(TSetPixel{PointYX(r, 4), TColor::FromColorRef(r.U32(0))});
        break;
    case META_POLYGON:
        Poly(TPoly::EKind::Polygon, r);
        break;
    case META_POLYLINE:
        Poly(TPoly::EKind::Polyline, r);
        break;
    case META_POLYPOLYGON:
        PolyPolygon(r);
        break;
    case META_TEXTOUT:
        TextOut(r);
        break;
    case META_EXTTEXTOUT:
        ExtTextOut(r);
        break;
    case META_SAVEDC:
        out.push_back(TSaveDc{});
        break;
    case META_RESTOREDC:
        out.push_back(TRestoreDc{r.I16(0)});
        break;
    case META_SELECTOBJECT:
        out.push_back(TSelectObject{r.U16(0)});
        break;
    case META_DELETEOBJECT:
        slots_.Free(r.U16(0));
        out.push_back(TDeleteObject{r.U16(0)});
        break;
    case META_CREATEPENINDIRECT:
        Create(SimplePen(r.U16(0), r.I16(2), TColor::FromColorRef(r.U32(6))));
        break;
    case META_CREATEBRUSHINDIRECT: {
        TLogBrush brush;
        brush.style = r.U16(0);
        brush.color = TColor::FromColorRef(r.U32(2));
        brush.hatch = r.U16(6);
        // Pattern styles need a bitmap this record cannot carry.
        if (brush.style != BS_SOLID && brush.style != BS_NULL && brush.style != BS_HATCHED)
            Create(TOtherObject{});
        else
            Create(brush);
        break;
    }
    case META_CREATEFONTINDIRECT:
        Create(Font(r));
        break;
    case META_DIBCREATEPATTERNBRUSH: {
        TLogBrush brush;
        brush.style = BS_DIBPATTERN;
        brush.pattern = dibs_.DecodePacked(r.Bytes(4, r.Size() - 4), r.U16(2));
        Require(brush.pattern != nullptr);
        Create(brush);
        break;
    }
    case META_CREATEPALETTE:
    case META_CREATEPATTERNBRUSH:
    case META_CREATEREGION:
        Create(TOtherObject{});
        break;
    case META_PATBLT:
    case META_DIBBITBLT:
    case META_DIBSTRETCHBLT:
    case META_STRETCHDIB:
    case META_SETDIBTODEV:
        Blit(function, r, recordBytes);
        break;
    default:
        break; // a record this player has no use for
    }
}

void TWmfParser::Poly(TPoly::EKind kind, const TRecordReader& r) {
    const std::int16_t count = r.I16(0);
    Require(count > 0 && r.Has(2, std::size_t(count) * 4));
    std::vector<TPoint> points;
    points.reserve(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i)
        points.push_back({r.I16(2 + 4 * i), r.I16(4 + 4 * i)});
    TPoly poly{kind, {}};
    poly.figures.push_back(std::move(points));
    file_.commands.push_back(std::move(poly));
}

void TWmfParser::PolyPolygon(const TRecordReader& r) {
    const std::size_t polygons = r.U16(0);
    Require(polygons > 0 && r.Has(2, polygons * 2));
    std::size_t total = 0;
    for (std::size_t i = 0; i < polygons; ++i)
        total += r.U16(2 + 2 * i);
    std::size_t at = 2 + polygons * 2;
    Require(r.Has(at, total * 4));
    TPoly poly{TPoly::EKind::Polygon, {}};
    poly.figures.reserve(polygons);
    for (std::size_t i = 0; i < polygons; ++i) {
        const std::size_t count = r.U16(2 + 2 * i);
        std::vector<TPoint> points;
        points.reserve(count);
        for (std::size_t k = 0; k < count; ++k, at += 4)
            points.push_back({r.I16(at), r.I16(at + 2)});
        if (!points.empty())
            poly.figures.push_back(std::move(points));
    }
    file_.commands.push_back(std::move(poly));
}

void TWmfParser::TextOut(const TRecordReader& r) {
    const std::int16_t length = r.I16(0);
    Require(length >= 0);
    const std::size_t padded = (static_cast<std::size_t>(length) + 1) & ~std::size_t{1};
    TText text;
    text.text = FromAnsi(r.Bytes(2, static_cast<std::size_t>(length)));
    text.reference = PointYX(r, 2 + padded);
    file_.commands.push_back(std::move(text));
}

void TWmfParser::ExtTextOut(const TRecordReader& r) {
    TText text;
    text.reference = PointYX(r, 0);
    const std::int16_t length = r.I16(4);
    Require(length >= 0);
    text.options = r.U16(6);
    std::size_t at = 8;
    if (text.options & (ETO_OPAQUE | ETO_CLIPPED)) {
        text.rect = TRect{r.I16(at), r.I16(at + 2), r.I16(at + 4), r.I16(at + 6)};
        at += 8;
    }
    const std::size_t count = static_cast<std::size_t>(length);
    text.text = FromAnsi(r.Bytes(at, count));
    at += (count + 1) & ~std::size_t{1};
    // The advances are optional: writers leave them out, and some write fewer than promised.
    if (count > 0 && r.Has(at, count * 2)) {
        text.dx.reserve(count);
        for (std::size_t i = 0; i < count; ++i)
            text.dx.push_back(r.I16(at + 2 * i));
    }
    file_.commands.push_back(std::move(text));
}

TLogFont TWmfParser::Font(const TRecordReader& r) {
    TLogFont font;
    font.height = r.I16(0);
    font.width = r.I16(2);
    font.escapement = r.I16(4);
    font.orientation = r.I16(6);
    font.weight = r.I16(8);
    font.italic = r.U8(10) != 0;
    font.underline = r.U8(11) != 0;
    font.strikeOut = r.U8(12) != 0;
    font.charSet = r.U8(13);
    font.pitchAndFamily = r.U8(17);
    // The face name field is 32 bytes, but writers often store only the name and its NUL.
    const std::size_t nameBytes = std::min<std::size_t>(32, r.Size() > 18 ? r.Size() - 18 : 0);
    font.faceName = CutAtNul(FromAnsi(r.Bytes(18, nameBytes)));
    return font;
}

void TWmfParser::Blit(std::uint16_t function, const TRecordReader& r, std::size_t recordBytes) {
    TBlit blit;
    blit.rop = r.U32(0);
    // The bit-block records exist with and without a bitmap; without one, the record is exactly
    // as long as the high byte of its function number says, plus the record header.
    const bool noBitmap = recordBytes == (std::size_t{function} >> 8) * 2 + kRecordHeader;
    std::size_t dibAt = 0;
    std::uint32_t usage = DIB_RGB_COLORS;
    switch (function) {
    case META_PATBLT:
        blit.height = r.I16(4);
        blit.width = r.I16(6);
        blit.y = r.I16(8);
        blit.x = r.I16(10);
        file_.commands.push_back(blit);
        return;
    case META_DIBBITBLT: {
        blit.srcY = r.I16(4);
        blit.srcX = r.I16(6);
        const std::size_t at = noBitmap ? 10 : 8; // a reserved word when there is no bitmap
        blit.height = blit.srcHeight = r.I16(at);
        blit.width = blit.srcWidth = r.I16(at + 2);
        blit.y = r.I16(at + 4);
        blit.x = r.I16(at + 6);
        dibAt = at + 8;
        break;
    }
    case META_DIBSTRETCHBLT: {
        blit.srcHeight = r.I16(4);
        blit.srcWidth = r.I16(6);
        blit.srcY = r.I16(8);
        blit.srcX = r.I16(10);
        const std::size_t at = noBitmap ? 14 : 12;
        blit.height = r.I16(at);
        blit.width = r.I16(at + 2);
        blit.y = r.I16(at + 4);
        blit.x = r.I16(at + 6);
        dibAt = at + 8;
        break;
    }
    case META_STRETCHDIB:
        usage = r.U16(4);
        blit.srcHeight = r.I16(6);
        blit.srcWidth = r.I16(8);
        blit.srcY = r.I16(10);
        blit.srcX = r.I16(12);
        blit.height = r.I16(14);
        blit.width = r.I16(16);
        blit.y = r.I16(18);
        blit.x = r.I16(20);
        blit.sourceFromBottom = true;
        dibAt = 22;
        break;
    case META_SETDIBTODEV:
        // No raster operation in this record: the bits are copied.
        blit.rop = SRCCOPY;
        usage = r.U16(0);
        blit.srcY = r.I16(6);
        blit.srcX = r.I16(8);
        blit.height = blit.srcHeight = r.I16(10);
        blit.width = blit.srcWidth = r.I16(12);
        blit.y = r.I16(14);
        blit.x = r.I16(16);
        blit.sourceFromBottom = true;
        dibAt = 18;
        break;
    }
    if (noBitmap && (function == META_DIBBITBLT || function == META_DIBSTRETCHBLT)) {
        file_.commands.push_back(blit);
        return;
    }
    Require(r.Has(dibAt, 0));
    blit.bitmap = dibs_.DecodePacked(r.Bytes(dibAt, r.Size() - dibAt), usage);
    Require(blit.bitmap != nullptr);
    file_.commands.push_back(std::move(blit));
}

// The frame: the placeable header's box, or else the window the records set up, or else the
// box around everything drawn. The reference device starts out with one unit per logical unit.
void TWmfParser::SetFrame() {
    TMetafile& f = file_;
    f.initialMapMode = MM_ANISOTROPIC;
    TRect window;
    if (f.format == EFormat::PlaceableWmf) {
        window = placeableBox_;
        f.initialWindowOrg = {window.left, window.top};
        f.initialWindowExt = {window.right - window.left, window.bottom - window.top};
        f.naturalWidth = (window.right - window.left) * 96.0 / unitsPerInch_;
        f.naturalHeight = (window.bottom - window.top) * 96.0 / unitsPerInch_;
        f.devicePixelsPerMmX = f.devicePixelsPerMmY = unitsPerInch_ / 25.4;
    } else {
        std::optional<TPoint> org, ext;
        for (const TCommand& command : f.commands) {
            if (const auto* op = std::get_if<TMappingOp>(&command)) {
                if (op->kind == TMappingOp::EKind::SetWindowOrg && !org)
                    org = TPoint{op->a, op->b};
                if (op->kind == TMappingOp::EKind::SetWindowExt && !ext && op->a != 0 && op->b != 0)
                    ext = TPoint{op->a, op->b};
            }
        }
        if (ext) {
            f.initialWindowOrg = org.value_or(TPoint{});
            f.initialWindowExt = *ext;
        } else {
            const TRect box = DrawingBounds(f.commands).value_or(TRect{0, 0, 1, 1});
            f.initialWindowOrg = {box.left, box.top};
            f.initialWindowExt = {std::max(1, box.right - box.left),
                                  std::max(1, box.bottom - box.top)};
        }
        f.naturalWidth = std::abs(static_cast<double>(f.initialWindowExt.x));
        f.naturalHeight = std::abs(static_cast<double>(f.initialWindowExt.y));
    }
    // A window with a negative extent runs backwards; the viewport, and so the frame, always
    // runs forwards from (0, 0).
    f.initialViewportOrg = {0, 0};
    f.initialViewportExt = {std::abs(f.initialWindowExt.x), std::abs(f.initialWindowExt.y)};
    f.frameLeft = 0;
    f.frameTop = 0;
    f.frameWidth = f.initialViewportExt.x;
    f.frameHeight = f.initialViewportExt.y;
}

} // namespace

TMetafile ParseWmf(std::span<const std::uint8_t> bytes, const std::string& fileName) {
    return TWmfParser(bytes, fileName).Parse();
}

} // namespace Metafile::Detail
