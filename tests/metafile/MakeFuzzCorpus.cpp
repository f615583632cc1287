// Writes the seed corpus of the metafile fuzz target: small WMF, placeable WMF and EMF files that
// between them use every record family the reader knows. Run it with the corpus folder:
//   build/tests/metafile/make_metafile_corpus fuzz/corpus/fuzz_metafile

#include "metafile/MetafileWriter.h"

#include <cstdio>
#include <fstream>
#include <string>

using namespace MetafileTest;

namespace {

bool Write(const std::string& folder, const std::string& name, const TBytes& bytes) {
    std::ofstream out(folder + "/" + name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "cannot write %s/%s\n", folder.c_str(), name.c_str());
        return false;
    }
    return true;
}

const std::vector<std::uint32_t> kPalette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};

TBytes WmfShapes() {
    TWmfWriter w;
    w.SetWindowOrg(0, 0).SetWindowExt(400, 300).SetMapMode(8);
    w.CreatePen(1, 0, 0x000080).Select(0).CreateBrush(0, 0xFFCC00).Select(1);
    w.Rectangle(10, 10, 100, 80).RoundRect(110, 10, 200, 80, 20, 20).Ellipse(210, 10, 300, 80);
    w.ArcLike(0x0817, 10, 90, 100, 160, 100, 125, 10, 125);
    w.ArcLike(0x081A, 110, 90, 200, 160, 200, 90, 110, 90);
    w.ArcLike(0x0830, 210, 90, 300, 160, 300, 125, 210, 125);
    w.CreateBrush(2, 0x008000, 5).Select(2).SetBkMode(2).SetBkColor(0xFFFFFF);
    w.SetPolyFillMode(2).Polygon({{10, 170}, {60, 290}, {100, 170}});
    w.PolyPolygon({{{110, 170}, {200, 170}, {200, 290}}, {{130, 200}, {180, 200}, {180, 270}}});
    w.Polyline({{210, 170}, {250, 290}, {300, 170}});
    w.SaveDc().IntersectClipRect(300, 0, 400, 300).ExcludeClipRect(320, 20, 340, 40);
    w.MoveTo(300, 0).LineTo(400, 300).RestoreDc(-1);
    w.SetPixel(5, 5, 0xFF0000).Delete(2).CreatePalette().Select(2);
    return w.Finish();
}

TBytes WmfText() {
    TWmfWriter w;
    w.SetWindowExt(400, 100).CreateFont(-24, 700, "Arial", 0, true).Select(0);
    w.SetTextColor(0x202020).SetTextAlign(24).SetBkMode(1);
    w.TextOut(10, 40, "Velmora \xC4\xE8\xF1\xEF\xEB\xE5\xE9");
    w.CreateFont(30, 400, "Times New Roman", 450).Select(1).SetBkMode(2);
    w.ExtTextOut(10, 90, 6, "clip", {5, 60, 200, 95}, {20, 20, 20, 20});
    w.SetTextAlign(7).TextOut(300, 50, "cp");
    return w.Finish();
}

TBytes PlaceableBitmaps() {
    const std::vector<std::uint32_t> indexes = {0, 1, 2, 3, 3, 2, 1, 0, 1, 1, 2, 2, 0, 3, 0, 3};
    TWmfWriter w = TWmfWriter::Placeable(0, 0, 1440, 960, 1440);
    w.StretchDib(
        0, 0, 720, 480,
        MakeDib(4, 4, 24,
                {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0, 0x808080, 0xFFFF00, 0x00FFFF, 0xFF00FF,
                 0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0}),
        0, 0, 4, 4);
    w.DibBitBlt(720, 0, 4, 4, MakeDib(4, 4, 8, indexes, kPalette));
    w.DibStretchBlt(
        0, 480, 720, 480,
        MakeDib(4, 4, 1, {1, 0, 1, 0, 0, 1, 0, 1, 1, 0, 1, 0, 0, 1, 0, 1}, {0x000000, 0xFFFFFF}), 0,
        0, 4, 4, 0x008800C6);
    w.CreateDibPatternBrush(MakeDib(4, 4, 4, indexes, kPalette, true)).Select(0);
    w.PatBlt(720, 480, 720, 480, 0x00F00021);
    // A run-length encoded bitmap with SetDIBitsToDevice.
    TByteWriter rle;
    rle.U32(40).I32(4).I32(2).U16(1).U16(8).U32(1).U32(0).U32(0).U32(0).U32(2).U32(0);
    rle.U32(0).U32(0xFF0000).U8(4).U8(1).U8(0).U8(0).U8(0).U8(3).U8(1).U8(0).U8(1).U8(0);
    rle.U8(0).U8(2).U8(1).U8(0).U8(0).U8(1);
    w.Record(0x0D33, {0, 2, 0, 0, 0, 2, 4, 900, 900}, rle.Get());
    return w.Finish();
}

TBytes EmfArcsDrawnAndShaded() {
    TEmfWriter w;
    w.CreatePen(1, 0, 4, 0x000000).Select(1).MoveTo(10, 50).AngleArc(50, 50, 30, 0, 270);
    w.PolyDraw({{10, 10, 6},
                {90, 10, 2},
                {90, 40, 3},
                {10, 60, 6},
                {30, 90, 4},
                {70, 90, 4},
                {90, 60, 5}});
    w.PathOp(59).PolyDraw({{0, 0, 6}, {50, 0, 2}, {50, 50, 3}}, 92).PathOp(60).PathOp(62);
    w.GradientFill(0, {{0, 0, 0xFF0000}, {50, 50, 0x0000FF}}, {{0, 1}});
    w.GradientFill(1, {{50, 0, 0x00FF00}, {100, 50, 0xFFFF00}}, {{0, 1}});
    w.GradientFill(2, {{0, 50, 0xFF0000}, {100, 50, 0x00FF00}, {50, 100, 0x0000FF}}, {{0, 1, 2}});
    return w.Finish();
}

TBytes EmfShapes() {
    TEmfWriter w;
    w.SetMapMode(8).SetWindowExt(1000, 1000).SetViewportExt(100, 100).SetWindowOrg(0, 0);
    w.SetViewportOrg(0, 0).Record(31, {1, 1, 1, 1}).Record(32, {2, 2, 2, 2});
    w.CreatePen(1, 0x2200, 30, 0x000000).Select(1).CreateBrush(2, 0, 0x3366CC).Select(2);
    w.Rectangle(0, 0, 400, 300).Ellipse(500, 0, 900, 300).Record(44, {0, 400, 400, 700, 60, 60});
    w.Poly(3, {{0, 800}, {200, 1000}, {400, 800}}).Poly(86, {{500, 800}, {700, 1000}, {900, 800}});
    w.Poly(4, {{0, 0}, {1000, 1000}}).Poly(87, {{0, 1000}, {1000, 0}});
    w.MoveTo(450, 450).Poly(6, {{550, 450}, {550, 550}}).Poly(89, {{450, 550}});
    w.Poly(2, {{0, 0}, {300, 0}, {300, 300}, {0, 300}}).Poly(5, {{100, 100}, {200, 0}, {300, 100}});
    w.Poly(85, {{0, 0}, {30, 0}, {30, 30}, {0, 30}}).Poly(88, {{10, 10}, {20, 0}, {30, 10}});
    w.PolyPoly(7, {{{0, 0}, {10, 10}}, {{20, 20}, {30, 30}}}).PolyPoly(90, {{{0, 0}, {5, 5}}});
    w.PolyPoly(8, {{{600, 400}, {900, 400}, {900, 700}}}).PolyPoly(91, {{{0, 0}, {9, 0}, {9, 9}}});
    w.Record(57, {2}).ArcLike(45, 0, 0, 200, 100, 200, 50, 0, 50);
    w.ArcLike(46, 0, 0, 200, 100, 200, 50, 0, 50).ArcLike(47, 0, 0, 200, 100, 200, 50, 0, 50);
    w.ArcLike(55, 0, 0, 200, 100, 200, 50, 0, 50).LineTo(0, 0);
    w.SetWorldTransform(0.5f, 0.5f, -0.5f, 0.5f, 500, 0).Rectangle(0, 0, 100, 100);
    w.Record(36, {0, 0, 0, 0, 0, 0, 1}).Select(0x80000000u | 5).Select(0x80000000u | 8);
    w.Rectangle(0, 0, 10, 10).SaveDc().SetMapMode(2).RestoreDc(1);
    w.Record(15, {5, 5, 0x0000FF}).Delete(1).Delete(2);
    return w.Finish();
}

TBytes EmfText() {
    TEmfWriter w;
    w.CreateFont(1, -16, 400, u"Arial").Select(1).SetTextColor(0x000000).SetBkColor(0xFFFF00);
    w.SetBkMode(2).SetTextAlign(0).ExtTextOutW(5, 5, u"Ускоренный", 2,
                                               {9, 9, 9, 9, 9, 9, 9, 9, 9, 9});
    w.CreateFont(2, -12, 700, u"Courier New", 900).Select(2).SetTextAlign(6 | 24);
    w.ExtTextOutA(50, 90, "\xD2\xE5\xEA\xF1\xF2", 4);
    TByteWriter small;
    small.U16('o').U16('k');
    w.Record(108, {60, 20, 2, 0x100, 1, 0, 0}, small.Get());
    return w.Finish();
}

TBytes EmfBitmapsAndClip() {
    const TDib colour = MakeDib(2, 2, 24, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00});
    const TDib alpha = MakeDib(2, 1, 32, {0x80800000, 0xFF00FF00}, {}, true);
    const TDib bits16 = MakeDib(2, 1, 16, {0xFF0000, 0x00FF00});
    TEmfWriter w;
    w.StretchDiBits(0, 0, 50, 50, colour, 0, 0, 2, 2).Record(21, {4});
    w.StretchDiBits(50, 0, 50, 50, bits16, 0, 0, 2, 1, 0x00660046);
    w.Blt(76, 0, 50, 2, 2, 0x00CC0020, &colour).Blt(77, 50, 50, 50, 50, 0x00EE0086, &colour, 2, 2);
    w.Blt(114, 0, 0, 100, 100, (1u << 24) | (200u << 16), &alpha, 2, 1);
    w.Blt(116, 0, 0, 100, 100, 0x0000FF, &colour, 2, 2).Blt(76, 10, 10, 20, 20, 0x00550009);
    // A pattern brush: index, colour use, then offsets and sizes of the bitmap's two parts.
    const auto infoSize = static_cast<std::int32_t>(colour.info.size());
    w.Record(94, {3, 0, 32, infoSize, 32 + infoSize, static_cast<std::int32_t>(colour.bits.size())},
             colour.Packed());
    w.Select(3).Blt(76, 0, 0, 100, 100, 0x00F00021);
    // A dashed geometric pen with a style of its own.
    w.Record(95, {4, 0, 0, 0, 0, 0x00010007, 5, 0, 0x0000FF, 0, 2, 10, 5}).Select(4);
    w.Record(58, {4}); // the miter limit
    TByteWriter region;
    region.U32(32).U32(1).U32(2).U32(32).I32(0).I32(0).I32(100).I32(100);
    region.I32(0).I32(0).I32(50).I32(50).I32(50).I32(50).I32(100).I32(100);
    w.Record(75, {static_cast<std::int32_t>(region.Get().size()), 1}, region.Get());
    w.PathOp(59).MoveTo(0, 0).LineTo(100, 0).LineTo(50, 100).PathOp(61).PathOp(60).PathOp(64);
    w.PathOp(59).Ellipse(0, 0, 100, 100).PathOp(60).Record(67, {5}).Record(75, {0, 5});
    w.PathOp(59).Rectangle(10, 10, 90, 90).PathOp(60).PathOp(63).PathOp(59).PathOp(68);
    w.IntersectClipRect(0, 0, 50, 50).PathOp(59).Rectangle(0, 0, 5, 5).PathOp(60).PathOp(62);
    w.PathOp(59).MoveTo(10, 40).LineTo(40, 10).PathOp(60).PathOp(66).PathOp(62); // widened
    return w.Finish();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    const bool ok =
        Write(folder, "minimal.wmf", TWmfWriter().Finish()) &&
        Write(folder, "minimal_placeable.wmf",
              TWmfWriter::Placeable(0, 0, 100, 100, 96).Finish()) &&
        Write(folder, "minimal.emf", TEmfWriter().Finish()) &&
        Write(folder, "shapes.wmf", WmfShapes()) && Write(folder, "text.wmf", WmfText()) &&
        Write(folder, "bitmaps_placeable.wmf", PlaceableBitmaps()) &&
        Write(folder, "shapes.emf", EmfShapes()) && Write(folder, "text.emf", EmfText()) &&
        Write(folder, "bitmaps_clip_paths.emf", EmfBitmapsAndClip()) &&
        Write(folder, "arcs_drawn_shaded.emf", EmfArcsDrawnAndShaded());
    return ok ? 0 : 1;
}
