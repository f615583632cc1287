#pragma once

// Writes small WMF and EMF files record by record, so that the tests can make exactly the
// metafile a case needs (and damage it on purpose).

#include <array>
#include <bit>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace MetafileTest {

using TBytes = std::vector<std::uint8_t>;

// A COLORREF (0x00BBGGRR) from a 0xRRGGBB value.
inline std::uint32_t ColorRef(std::uint32_t rgb) {
    return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}

class TByteWriter {
public:
    TByteWriter& U8(std::uint32_t v) {
        bytes_.push_back(static_cast<std::uint8_t>(v));
        return *this;
    }
    TByteWriter& U16(std::uint32_t v) { return U8(v).U8(v >> 8); }
    TByteWriter& U32(std::uint32_t v) { return U16(v).U16(v >> 16); }
    TByteWriter& I16(std::int32_t v) { return U16(static_cast<std::uint32_t>(v)); }
    TByteWriter& I32(std::int32_t v) { return U32(static_cast<std::uint32_t>(v)); }
    TByteWriter& F32(float v) { return U32(std::bit_cast<std::uint32_t>(v)); }
    TByteWriter& Bytes(const TBytes& b) {
        bytes_.insert(bytes_.end(), b.begin(), b.end());
        return *this;
    }
    TByteWriter& Pad(std::size_t multiple) {
        while (bytes_.size() % multiple != 0)
            bytes_.push_back(0);
        return *this;
    }
    const TBytes& Get() const { return bytes_; }
    TBytes& Get() { return bytes_; }

private:
    TBytes bytes_;
};

// A device-independent bitmap: pixels are given top row first, as palette indexes for 1, 4 and
// 8 bits and as 0x(AA)RRGGBB for 16, 24 and 32 bits; rows are stored bottom-up unless topDown.
struct TDib {
    TBytes info; // header and colour table
    TBytes bits;
    TBytes Packed() const {
        TBytes all = info;
        all.insert(all.end(), bits.begin(), bits.end());
        return all;
    }
};

inline TDib MakeDib(int width, int height, int bitCount, const std::vector<std::uint32_t>& pixels,
                    const std::vector<std::uint32_t>& palette = {}, bool topDown = false) {
    TDib dib;
    TByteWriter info;
    info.U32(40).I32(width).I32(topDown ? -height : height).U16(1).I16(bitCount).U32(0);
    info.U32(0).I32(2835).I32(2835).U32(static_cast<std::uint32_t>(palette.size())).U32(0);
    for (const std::uint32_t c : palette)
        info.U8(c & 0xFF).U8((c >> 8) & 0xFF).U8((c >> 16) & 0xFF).U8(0);
    dib.info = info.Get();

    TByteWriter bits;
    for (int row = 0; row < height; ++row) {
        const int y = topDown ? row : height - 1 - row;
        std::uint32_t accumulator = 0;
        int filled = 0;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = pixels[static_cast<std::size_t>(y * width + x)];
            switch (bitCount) {
            case 1:
            case 4:
                accumulator = (accumulator << bitCount) | p;
                filled += bitCount;
                if (filled == 8) {
                    bits.U8(accumulator);
                    accumulator = 0;
                    filled = 0;
                }
                break;
            case 8:
                bits.U8(p);
                break;
            case 16: // 5-5-5
                bits.U16((((p >> 19) & 0x1F) << 10) | (((p >> 11) & 0x1F) << 5) |
                         ((p >> 3) & 0x1F));
                break;
            case 24:
                bits.U8(p & 0xFF).U8((p >> 8) & 0xFF).U8((p >> 16) & 0xFF);
                break;
            case 32:
                bits.U32(p);
                break;
            }
        }
        if (filled > 0)
            bits.U8(accumulator << (8 - filled));
        bits.Pad(4);
    }
    dib.bits = bits.Get();
    return dib;
}

// ---- WMF ----

class TWmfWriter {
public:
    TWmfWriter() = default;

    // A placeable file with this box (logical units) and this many units per inch.
    static TWmfWriter Placeable(std::int16_t left, std::int16_t top, std::int16_t right,
                                std::int16_t bottom, std::uint16_t unitsPerInch = 1440) {
        TWmfWriter w;
        w.placeable_ = true;
        w.box_ = {left, top, right, bottom};
        w.inch_ = unitsPerInch;
        return w;
    }

    // One record: function, 16-bit parameters as stored (last argument first), then raw bytes.
    TWmfWriter& Record(std::uint16_t function, std::initializer_list<std::int32_t> params,
                       const TBytes& extra = {}) {
        TByteWriter r;
        std::size_t bytes = 6 + params.size() * 2 + extra.size();
        bytes += bytes % 2;
        r.U32(static_cast<std::uint32_t>(bytes / 2)).U16(function);
        for (const std::int32_t p : params)
            r.I16(p);
        r.Bytes(extra).Pad(2);
        records_.Bytes(r.Get());
        return *this;
    }

    // A record written as given, for damaged files.
    TWmfWriter& Raw(const TBytes& bytes) {
        records_.Bytes(bytes);
        return *this;
    }

    TWmfWriter& SetWindowOrg(int x, int y) { return Record(0x020B, {y, x}); }
    TWmfWriter& SetWindowExt(int w, int h) { return Record(0x020C, {h, w}); }
    TWmfWriter& SetMapMode(int mode) { return Record(0x0103, {mode}); }
    TWmfWriter& SetBkMode(int mode) { return Record(0x0102, {mode}); }
    TWmfWriter& SetBkColor(std::uint32_t rgb) { return Color(0x0201, rgb); }
    TWmfWriter& SetTextColor(std::uint32_t rgb) { return Color(0x0209, rgb); }
    TWmfWriter& SetTextAlign(int align) { return Record(0x012E, {align}); }
    TWmfWriter& SetPolyFillMode(int mode) { return Record(0x0106, {mode}); }
    TWmfWriter& CreatePen(int style, int width, std::uint32_t rgb) {
        const std::uint32_t c = ColorRef(rgb);
        return Record(0x02FA, {style, width, 0, static_cast<std::int32_t>(c & 0xFFFF),
                               static_cast<std::int32_t>(c >> 16)});
    }
    TWmfWriter& CreateBrush(int style, std::uint32_t rgb, int hatch = 0) {
        const std::uint32_t c = ColorRef(rgb);
        return Record(0x02FC, {style, static_cast<std::int32_t>(c & 0xFFFF),
                               static_cast<std::int32_t>(c >> 16), hatch});
    }
    TWmfWriter& CreateFont(int height, int weight, const std::string& face, int escapement = 0,
                           bool italic = false) {
        TByteWriter f;
        f.I16(height).I16(0).I16(escapement).I16(escapement).I16(weight);
        f.U8(italic).U8(0).U8(0).U8(204).U8(0).U8(0).U8(0).U8(0);
        for (const char ch : face)
            f.U8(static_cast<std::uint8_t>(ch));
        f.U8(0);
        return Record(0x02FB, {}, f.Get());
    }
    TWmfWriter& CreatePalette() { return Record(0x00F7, {0x300, 1, 0, 0}); }
    TWmfWriter& CreateDibPatternBrush(const TDib& dib) {
        return Record(0x0142, {5, 0}, dib.Packed());
    }
    TWmfWriter& Select(int index) { return Record(0x012D, {index}); }
    TWmfWriter& Delete(int index) { return Record(0x01F0, {index}); }
    TWmfWriter& MoveTo(int x, int y) { return Record(0x0214, {y, x}); }
    TWmfWriter& LineTo(int x, int y) { return Record(0x0213, {y, x}); }
    TWmfWriter& Rectangle(int l, int t, int r, int b) { return Record(0x041B, {b, r, t, l}); }
    TWmfWriter& Ellipse(int l, int t, int r, int b) { return Record(0x0418, {b, r, t, l}); }
    TWmfWriter& RoundRect(int l, int t, int r, int b, int w, int h) {
        return Record(0x061C, {h, w, b, r, t, l});
    }
    // function: 0x0817 arc, 0x081A pie, 0x0830 chord
    TWmfWriter& ArcLike(std::uint16_t function, int l, int t, int r, int b, int xs, int ys, int xe,
                        int ye) {
        return Record(function, {ye, xe, ys, xs, b, r, t, l});
    }
    TWmfWriter& Polygon(const std::vector<std::pair<int, int>>& points) {
        return Points(0x0324, points);
    }
    TWmfWriter& Polyline(const std::vector<std::pair<int, int>>& points) {
        return Points(0x0325, points);
    }
    TWmfWriter& PolyPolygon(const std::vector<std::vector<std::pair<int, int>>>& polygons) {
        TByteWriter p;
        p.U16(static_cast<std::uint32_t>(polygons.size()));
        for (const auto& polygon : polygons)
            p.U16(static_cast<std::uint32_t>(polygon.size()));
        for (const auto& polygon : polygons)
            for (const auto& [x, y] : polygon)
                p.I16(x).I16(y);
        return Record(0x0538, {}, p.Get());
    }
    TWmfWriter& TextOut(int x, int y, const std::string& text) {
        TByteWriter t;
        t.I16(static_cast<std::int32_t>(text.size()));
        for (const char ch : text)
            t.U8(static_cast<std::uint8_t>(ch));
        t.Pad(2).I16(y).I16(x);
        return Record(0x0521, {}, t.Get());
    }
    TWmfWriter& ExtTextOut(int x, int y, int options, const std::string& text,
                           const std::vector<int>& rect = {}, const std::vector<int>& dx = {}) {
        TByteWriter t;
        t.I16(y).I16(x).I16(static_cast<std::int32_t>(text.size())).I16(options);
        for (const int v : rect)
            t.I16(v);
        for (const char ch : text)
            t.U8(static_cast<std::uint8_t>(ch));
        t.Pad(2);
        for (const int d : dx)
            t.I16(d);
        return Record(0x0A32, {}, t.Get());
    }
    TWmfWriter& SaveDc() { return Record(0x001E, {}); }
    TWmfWriter& RestoreDc(int which) { return Record(0x0127, {which}); }
    TWmfWriter& IntersectClipRect(int l, int t, int r, int b) {
        return Record(0x0416, {b, r, t, l});
    }
    TWmfWriter& ExcludeClipRect(int l, int t, int r, int b) { return Record(0x0415, {b, r, t, l}); }
    TWmfWriter& SetPixel(int x, int y, std::uint32_t rgb) {
        const std::uint32_t c = ColorRef(rgb);
        return Record(0x041F, {static_cast<std::int32_t>(c & 0xFFFF),
                               static_cast<std::int32_t>(c >> 16), y, x});
    }
    TWmfWriter& PatBlt(int x, int y, int w, int h, std::uint32_t rop) {
        return Record(0x061D, {static_cast<std::int32_t>(rop & 0xFFFF),
                               static_cast<std::int32_t>(rop >> 16), h, w, y, x});
    }
    TWmfWriter& StretchDib(int x, int y, int w, int h, const TDib& dib, int srcX, int srcY,
                           int srcW, int srcH, std::uint32_t rop = 0x00CC0020) {
        return Record(0x0F43,
                      {static_cast<std::int32_t>(rop & 0xFFFF),
                       static_cast<std::int32_t>(rop >> 16), 0, srcH, srcW, srcY, srcX, h, w, y, x},
                      dib.Packed());
    }
    TWmfWriter& DibBitBlt(int x, int y, int w, int h, const TDib& dib, int srcX = 0, int srcY = 0,
                          std::uint32_t rop = 0x00CC0020) {
        return Record(0x0940,
                      {static_cast<std::int32_t>(rop & 0xFFFF),
                       static_cast<std::int32_t>(rop >> 16), srcY, srcX, h, w, y, x},
                      dib.Packed());
    }
    TWmfWriter& DibStretchBlt(int x, int y, int w, int h, const TDib& dib, int srcX, int srcY,
                              int srcW, int srcH, std::uint32_t rop = 0x00CC0020) {
        return Record(0x0B41,
                      {static_cast<std::int32_t>(rop & 0xFFFF),
                       static_cast<std::int32_t>(rop >> 16), srcH, srcW, srcY, srcX, h, w, y, x},
                      dib.Packed());
    }

    // The whole file: headers, the records, the end-of-file record.
    TBytes Finish(bool withEof = true) const {
        TByteWriter out;
        if (placeable_) {
            TByteWriter p;
            p.U32(0x9AC6CDD7).U16(0).I16(box_[0]).I16(box_[1]).I16(box_[2]).I16(box_[3]);
            p.U16(inch_).U32(0);
            std::uint16_t checksum = 0;
            for (std::size_t i = 0; i < p.Get().size(); i += 2)
                checksum ^= static_cast<std::uint16_t>(p.Get()[i] | (p.Get()[i + 1] << 8));
            p.U16(checksum);
            out.Bytes(p.Get());
        }
        const std::size_t words = (18 + records_.Get().size()) / 2 + (withEof ? 3 : 0);
        out.U16(1).U16(9).U16(0x0300).U32(static_cast<std::uint32_t>(words)).U16(16).U32(64).U16(0);
        out.Bytes(records_.Get());
        if (withEof)
            out.U32(3).U16(0);
        return out.Get();
    }

private:
    TWmfWriter& Color(std::uint16_t function, std::uint32_t rgb) {
        const std::uint32_t c = ColorRef(rgb);
        return Record(function,
                      {static_cast<std::int32_t>(c & 0xFFFF), static_cast<std::int32_t>(c >> 16)});
    }
    TWmfWriter& Points(std::uint16_t function, const std::vector<std::pair<int, int>>& points) {
        TByteWriter p;
        p.I16(static_cast<std::int32_t>(points.size()));
        for (const auto& [x, y] : points)
            p.I16(x).I16(y);
        return Record(function, {}, p.Get());
    }

    bool placeable_ = false;
    std::array<int, 4> box_{};
    std::uint16_t inch_ = 1440;
    TByteWriter records_;
};

// ---- EMF ----

class TEmfWriter {
public:
    // frame in hundredths of a millimetre; the reference device has this many pixels and
    // millimetres. The default device has 4 pixels a millimetre, so the default frame is
    // 100 x 100 device pixels.
    explicit TEmfWriter(std::vector<std::int32_t> frame = {0, 0, 2500, 2500},
                        std::int32_t devicePixels = 1000, std::int32_t deviceMm = 250)
        : frame_(std::move(frame)), devicePixels_(devicePixels), deviceMm_(deviceMm) {}

    // One record: type, 32-bit fields after the type and size, then raw bytes.
    TEmfWriter& Record(std::uint32_t type, std::initializer_list<std::int32_t> fields,
                       const TBytes& extra = {}) {
        TByteWriter r;
        std::size_t size = 8 + fields.size() * 4 + extra.size();
        size = (size + 3) / 4 * 4;
        r.U32(type).U32(static_cast<std::uint32_t>(size));
        for (const std::int32_t f : fields)
            r.I32(f);
        r.Bytes(extra).Pad(4);
        records_.Bytes(r.Get());
        ++count_;
        return *this;
    }
    TEmfWriter& Raw(const TBytes& bytes) {
        records_.Bytes(bytes);
        return *this;
    }

    TEmfWriter& SetMapMode(int mode) { return Record(17, {mode}); }
    TEmfWriter& SetWindowExt(int w, int h) { return Record(9, {w, h}); }
    TEmfWriter& SetWindowOrg(int x, int y) { return Record(10, {x, y}); }
    TEmfWriter& SetViewportExt(int w, int h) { return Record(11, {w, h}); }
    TEmfWriter& SetViewportOrg(int x, int y) { return Record(12, {x, y}); }
    TEmfWriter& SetBkMode(int mode) { return Record(18, {mode}); }
    TEmfWriter& SetPolyFillMode(int mode) { return Record(19, {mode}); }
    TEmfWriter& SetTextAlign(int align) { return Record(22, {align}); }
    TEmfWriter& SetTextColor(std::uint32_t rgb) { return Record(24, {Ref(rgb)}); }
    TEmfWriter& SetBkColor(std::uint32_t rgb) { return Record(25, {Ref(rgb)}); }
    TEmfWriter& MoveTo(int x, int y) { return Record(27, {x, y}); }
    TEmfWriter& LineTo(int x, int y) { return Record(54, {x, y}); }
    TEmfWriter& SaveDc() { return Record(33, {}); }
    TEmfWriter& RestoreDc(int which) { return Record(34, {which}); }
    TEmfWriter& IntersectClipRect(int l, int t, int r, int b) { return Record(30, {l, t, r, b}); }
    TEmfWriter& SetWorldTransform(float m11, float m12, float m21, float m22, float dx, float dy) {
        TByteWriter x;
        for (const float v : {m11, m12, m21, m22, dx, dy})
            x.F32(v);
        return Record(35, {}, x.Get());
    }
    TEmfWriter& Select(std::uint32_t index) {
        return Record(37, {static_cast<std::int32_t>(index)});
    }
    TEmfWriter& Delete(std::uint32_t index) {
        return Record(40, {static_cast<std::int32_t>(index)});
    }
    TEmfWriter& CreatePen(int index, int style, int width, std::uint32_t rgb) {
        return Record(38, {index, style, width, 0, Ref(rgb)});
    }
    // A pen of ExtCreatePen with a solid brush and no dash pattern of its own.
    TEmfWriter& ExtCreatePen(int index, std::uint32_t style, int width, std::uint32_t rgb) {
        return Record(
            95, {index, 0, 0, 0, 0, static_cast<std::int32_t>(style), width, 0, Ref(rgb), 0, 0});
    }
    TEmfWriter& CreateBrush(int index, int style, std::uint32_t rgb, int hatch = 0) {
        return Record(39, {index, style, Ref(rgb), hatch});
    }
    TEmfWriter& CreateFont(int index, int height, int weight, const std::u16string& face,
                           int escapement = 0, int width = 0) {
        TByteWriter f;
        f.I32(index).I32(height).I32(width).I32(escapement).I32(escapement).I32(weight);
        f.U8(0).U8(0).U8(0).U8(1).U8(0).U8(0).U8(0).U8(0);
        for (std::size_t i = 0; i < 32; ++i)
            f.U16(i < face.size() ? face[i] : 0);
        return Record(82, {}, f.Get());
    }
    TEmfWriter& Rectangle(int l, int t, int r, int b) { return Record(43, {l, t, r, b}); }
    TEmfWriter& Ellipse(int l, int t, int r, int b) { return Record(42, {l, t, r, b}); }
    // type: 45 arc, 46 chord, 47 pie, 55 arc-to
    TEmfWriter& ArcLike(std::uint32_t type, int l, int t, int r, int b, int xs, int ys, int xe,
                        int ye) {
        return Record(type, {l, t, r, b, xs, ys, xe, ye});
    }
    // type: 2 bezier, 3 polygon, 4 polyline, 5 bezier-to, 6 polyline-to; +83 for the 16-bit form
    TEmfWriter& Poly(std::uint32_t type, const std::vector<std::pair<int, int>>& points) {
        const bool small = type >= 85;
        TByteWriter p;
        p.I32(0).I32(0).I32(0).I32(0).U32(static_cast<std::uint32_t>(points.size()));
        for (const auto& [x, y] : points)
            small ? p.I16(x).I16(y) : p.I32(x).I32(y);
        return Record(type, {}, p.Get());
    }
    // type: 7 poly-polyline, 8 poly-polygon, 90 and 91 the 16-bit forms
    TEmfWriter& PolyPoly(std::uint32_t type,
                         const std::vector<std::vector<std::pair<int, int>>>& figures) {
        const bool small = type >= 90;
        TByteWriter p;
        std::size_t total = 0;
        for (const auto& f : figures)
            total += f.size();
        p.I32(0).I32(0).I32(0).I32(0);
        p.U32(static_cast<std::uint32_t>(figures.size())).U32(static_cast<std::uint32_t>(total));
        for (const auto& f : figures)
            p.U32(static_cast<std::uint32_t>(f.size()));
        for (const auto& f : figures)
            for (const auto& [x, y] : f)
                small ? p.I16(x).I16(y) : p.I32(x).I32(y);
        return Record(type, {}, p.Get());
    }
    TEmfWriter& PathOp(std::uint32_t type) { return Record(type, {}); } // 59 begin .. 64 stroke
    TEmfWriter& AngleArc(int x, int y, int radius, float start, float sweep) {
        TByteWriter a;
        a.I32(x).I32(y).I32(radius).F32(start).F32(sweep);
        return Record(41, {}, a.Get());
    }
    // Each point with its kind: 6 move, 2 line, 4 curve, +1 closing the figure; type 92 is the
    // 16-bit form.
    TEmfWriter& PolyDraw(const std::vector<std::tuple<int, int, int>>& points,
                         std::uint32_t type = 56) {
        TByteWriter p;
        p.I32(0).I32(0).I32(0).I32(0).U32(static_cast<std::uint32_t>(points.size()));
        for (const auto& [x, y, kind] : points)
            type == 92 ? p.I16(x).I16(y) : p.I32(x).I32(y);
        for (const auto& point : points)
            p.U8(static_cast<std::uint32_t>(std::get<2>(point)));
        return Record(type, {}, p.Get());
    }
    // Vertices as x, y and a 0xRRGGBB colour; mode 0 and 1 take two indices a shape, 2 three.
    TEmfWriter& GradientFill(int mode,
                             const std::vector<std::tuple<int, int, std::uint32_t>>& vertices,
                             const std::vector<std::vector<std::uint32_t>>& shapes) {
        TByteWriter g;
        g.I32(0).I32(0).I32(-1).I32(-1);
        g.U32(static_cast<std::uint32_t>(vertices.size()));
        g.U32(static_cast<std::uint32_t>(shapes.size())).I32(mode);
        for (const auto& [x, y, rgb] : vertices)
            g.I32(x)
                .I32(y)
                .U16(((rgb >> 16) & 0xFF) * 0x101)
                .U16(((rgb >> 8) & 0xFF) * 0x101)
                .U16((rgb & 0xFF) * 0x101)
                .U16(0);
        for (const auto& shape : shapes)
            for (const std::uint32_t index : shape)
                g.U32(index);
        return Record(118, {}, g.Get());
    }
    // Text as UTF-16 (wide) or as bytes (ANSI).
    TEmfWriter& ExtTextOutW(int x, int y, const std::u16string& text, int options = 0,
                            const std::vector<int>& dx = {}) {
        TByteWriter s;
        for (const char16_t ch : text)
            s.U16(ch);
        return Text(84, x, y, static_cast<int>(text.size()), s, options, dx);
    }
    TEmfWriter& ExtTextOutA(int x, int y, const std::string& text, int options = 0) {
        TByteWriter s;
        for (const char ch : text)
            s.U8(static_cast<std::uint8_t>(ch));
        return Text(83, x, y, static_cast<int>(text.size()), s, options, {});
    }
    TEmfWriter& StretchDiBits(int x, int y, int w, int h, const TDib& dib, int srcX, int srcY,
                              int srcW, int srcH, std::uint32_t rop = 0x00CC0020) {
        const int offInfo = 80;
        const int offBits = offInfo + static_cast<int>(dib.info.size());
        TBytes tail = dib.info;
        tail.insert(tail.end(), dib.bits.begin(), dib.bits.end());
        return Record(81,
                      {0, 0, -1, -1, x, y, srcX, srcY, srcW, srcH, offInfo,
                       static_cast<int>(dib.info.size()), offBits,
                       static_cast<int>(dib.bits.size()), 0, static_cast<std::int32_t>(rop), w, h},
                      tail);
    }
    // BitBlt (type 76) with an optional bitmap, or StretchBlt (77), AlphaBlend (114, rop is the
    // blend function) or TransparentBlt (116, rop is the see-through colour) with one.
    TEmfWriter& Blt(std::uint32_t type, int x, int y, int w, int h, std::uint32_t rop,
                    const TDib* dib = nullptr, int srcW = 0, int srcH = 0) {
        const bool sourceSize = type != 76;
        const int fixed = sourceSize ? 108 : 100;
        const int infoSize = dib ? static_cast<int>(dib->info.size()) : 0;
        const int bitsSize = dib ? static_cast<int>(dib->bits.size()) : 0;
        TByteWriter r;
        r.I32(0).I32(0).I32(-1).I32(-1).I32(x).I32(y).I32(w).I32(h).U32(rop).I32(0).I32(0);
        for (const float v : {1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f})
            r.F32(v);
        r.U32(0).U32(0);
        r.I32(dib ? fixed : 0).I32(infoSize).I32(dib ? fixed + infoSize : 0).I32(bitsSize);
        if (sourceSize)
            r.I32(srcW).I32(srcH);
        if (dib)
            r.Bytes(dib->info).Bytes(dib->bits);
        return Record(type, {}, r.Get());
    }

    TBytes Finish(bool withEof = true) const {
        TByteWriter out;
        const std::size_t headerSize = 108;
        const std::size_t total = headerSize + records_.Get().size() + (withEof ? 20 : 0);
        out.U32(1).U32(headerSize);
        out.I32(0).I32(0).I32(devicePixels_ - 1).I32(devicePixels_ - 1); // bounds
        for (const std::int32_t v : frame_)
            out.I32(v);
        out.U32(0x464D4520).U32(0x10000).U32(static_cast<std::uint32_t>(total));
        out.U32(count_ + 2).U16(32).U16(0).U32(0).U32(0).U32(0);
        out.I32(devicePixels_).I32(devicePixels_).I32(deviceMm_).I32(deviceMm_);
        out.U32(0).U32(0).U32(0).I32(deviceMm_ * 1000).I32(deviceMm_ * 1000);
        out.Bytes(records_.Get());
        if (withEof)
            out.U32(14).U32(20).U32(0).U32(0).U32(20);
        return out.Get();
    }

private:
    static std::int32_t Ref(std::uint32_t rgb) { return static_cast<std::int32_t>(ColorRef(rgb)); }

    TEmfWriter& Text(std::uint32_t type, int x, int y, int count, TByteWriter& chars, int options,
                     const std::vector<int>& dx) {
        // bounds, graphics mode, scales, then the text part with its rectangle
        const int offString = 76;
        chars.Pad(4);
        const int offDx = dx.empty() ? 0 : offString + static_cast<int>(chars.Get().size());
        TByteWriter r;
        r.I32(0).I32(0).I32(-1).I32(-1).U32(1).U32(0).U32(0);
        r.I32(x).I32(y).I32(count).I32(offString).I32(options).I32(0).I32(0).I32(0).I32(0);
        r.I32(offDx).Bytes(chars.Get());
        for (const int d : dx)
            r.I32(d);
        return Record(type, {}, r.Get());
    }

    std::vector<std::int32_t> frame_;
    std::int32_t devicePixels_;
    std::int32_t deviceMm_;
    TByteWriter records_;
    std::uint32_t count_ = 0;
};

} // namespace MetafileTest
