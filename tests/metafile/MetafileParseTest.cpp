#include "common/CheckoutPaths.h"
#include "common/TempDir.h"
#include "metafile/MetafileError.h"
#include "metafile/MetafileParser.h"
#include "metafile/MetafileWriter.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace Metafile;
using namespace MetafileTest;

namespace {

TMetafile Parse(const TBytes& bytes) {
    return ParseMetafile(bytes, "test.wmf");
}

// The message of the error parsing throws, or "" when it does not throw.
std::string ErrorOf(const TBytes& bytes, const std::string& name = "pic.emf") {
    try {
        ParseMetafile(bytes, name);
    } catch (const EMetafileError& e) {
        return e.what();
    }
    return "";
}

template <typename T>
std::vector<T> All(const TMetafile& file) {
    std::vector<T> found;
    for (const TCommand& c : file.commands)
        if (const auto* x = std::get_if<T>(&c))
            found.push_back(*x);
    return found;
}

TBytes Cut(TBytes bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}

void Put32(TBytes& bytes, std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

} // namespace

// ---- Formats and frames ----

TEST(MetafileFormat, PlainWmfTakesItsFrameFromTheWindow) {
    const auto file = Parse(TWmfWriter().SetWindowOrg(10, 20).SetWindowExt(200, 100).Finish());
    EXPECT_EQ(file.format, EFormat::Wmf);
    EXPECT_EQ(file.initialMapMode, MM_ANISOTROPIC);
    EXPECT_EQ(file.initialWindowOrg, (TPoint{10, 20}));
    EXPECT_EQ(file.initialWindowExt, (TPoint{200, 100}));
    EXPECT_EQ(file.initialViewportExt, (TPoint{200, 100}));
    EXPECT_DOUBLE_EQ(file.frameWidth, 200);
    EXPECT_DOUBLE_EQ(file.frameHeight, 100);
    EXPECT_DOUBLE_EQ(file.naturalWidth, 200);
}

TEST(MetafileFormat, WmfWindowRunningUpwardsStillGivesAForwardFrame) {
    const auto file = Parse(TWmfWriter().SetWindowOrg(0, 100).SetWindowExt(300, -100).Finish());
    EXPECT_EQ(file.initialWindowExt, (TPoint{300, -100}));
    EXPECT_EQ(file.initialViewportExt, (TPoint{300, 100}));
    EXPECT_DOUBLE_EQ(file.frameHeight, 100);
}

TEST(MetafileFormat, PlainWmfWithoutWindowUsesWhatItDraws) {
    const auto file = Parse(TWmfWriter().Rectangle(10, 20, 110, 70).LineTo(150, 30).Finish());
    EXPECT_EQ(file.initialWindowOrg, (TPoint{10, 20}));
    EXPECT_EQ(file.initialWindowExt, (TPoint{140, 50}));
}

TEST(MetafileFormat, PlaceableWmfTakesItsFrameFromTheBoxAndItsSizeFromTheUnitsPerInch) {
    const auto file = Parse(TWmfWriter::Placeable(100, 50, 1540, 770, 1440).Finish());
    EXPECT_EQ(file.format, EFormat::PlaceableWmf);
    EXPECT_EQ(file.initialWindowOrg, (TPoint{100, 50}));
    EXPECT_EQ(file.initialWindowExt, (TPoint{1440, 720}));
    EXPECT_DOUBLE_EQ(file.naturalWidth, 96);
    EXPECT_DOUBLE_EQ(file.naturalHeight, 48);
    EXPECT_DOUBLE_EQ(file.devicePixelsPerMmX, 1440 / 25.4);
}

TEST(MetafileFormat, EmfFrameIsConvertedToReferenceDevicePixels) {
    const auto file = Parse(TEmfWriter({500, 250, 3000, 1500}, 1000, 250).Finish());
    EXPECT_EQ(file.format, EFormat::Emf);
    EXPECT_EQ(file.initialMapMode, MM_TEXT);
    EXPECT_DOUBLE_EQ(file.devicePixelsPerMmX, 4);
    EXPECT_DOUBLE_EQ(file.frameLeft, 20);
    EXPECT_DOUBLE_EQ(file.frameTop, 10);
    EXPECT_DOUBLE_EQ(file.frameWidth, 100);
    EXPECT_DOUBLE_EQ(file.frameHeight, 50);
    EXPECT_NEAR(file.naturalWidth, 2500 / 2540.0 * 96, 1e-9);
}

TEST(MetafileFormat, EmfWithEmptyFrameFallsBackToItsBounds) {
    const auto file = Parse(TEmfWriter({0, 0, 0, 0}, 200, 50).Finish());
    EXPECT_DOUBLE_EQ(file.frameWidth, 200); // the bounds 0..199 are inclusive
}

// ---- Failures ----

TEST(MetafileErrors, SomethingElseIsNotAMetafile) {
    const std::string text = "This is a text file, not a picture.\n";
    EXPECT_EQ(ErrorOf(TBytes(text.begin(), text.end()), "/pics/x.emf"),
              "File \"/pics/x.emf\" is not a Windows metafile");
    EXPECT_EQ(ErrorOf({}, "e.wmf"), "File \"e.wmf\" is not a Windows metafile");
    EXPECT_EQ(ErrorOf({1, 0}, "s.wmf"), "File \"s.wmf\" is not a Windows metafile");
}

TEST(MetafileErrors, TruncatedFilesFailNamingTheFile) {
    const TBytes wmf = TWmfWriter().SetWindowExt(100, 100).Rectangle(0, 0, 50, 50).Finish();
    // Cut inside the rectangle record, which starts after the header and the 10-byte window.
    EXPECT_EQ(ErrorOf(Cut(wmf, 18 + 10 + 8), "a.wmf"),
              "Metafile \"a.wmf\" is truncated: the record at offset 28 runs past the end of the "
              "file");
    // Cut between records: no end-of-file record.
    EXPECT_EQ(ErrorOf(Cut(wmf, wmf.size() - 6), "a.wmf"),
              "Metafile \"a.wmf\" is truncated: it ends without an end-of-file record");

    const TBytes emf = TEmfWriter().Rectangle(0, 0, 10, 10).Finish();
    EXPECT_NE(ErrorOf(Cut(emf, 108 + 12)).find("is truncated: the record at offset 108"),
              std::string::npos);
    EXPECT_NE(ErrorOf(Cut(emf, 108 + 24)).find("without an end-of-file record"), std::string::npos);
    // A header that promises more than there is.
    EXPECT_EQ(ErrorOf(Cut(emf, 100)), "Metafile \"pic.emf\" has a damaged header");
}

TEST(MetafileErrors, BogusRecordSizesFail) {
    for (const std::uint32_t words : {0u, 1u, 2u}) {
        TByteWriter bad;
        bad.U32(words).U16(0x041B).U16(0).U16(0).U16(0).U16(0);
        EXPECT_NE(ErrorOf(TWmfWriter().Raw(bad.Get()).Finish()).find("impossible size"),
                  std::string::npos)
            << words;
    }
    TByteWriter huge;
    huge.U32(0x7FFFFFFF).U16(0x041B);
    EXPECT_NE(ErrorOf(TWmfWriter().Raw(huge.Get()).Finish()).find("runs past the end"),
              std::string::npos);

    for (const std::uint32_t size : {0u, 4u, 10u, 0xFFFFFFF0u}) {
        TByteWriter bad;
        bad.U32(43).U32(size).I32(0).I32(0).I32(5).I32(5);
        const std::string error = ErrorOf(TEmfWriter().Raw(bad.Get()).Finish());
        EXPECT_TRUE(error.find("impossible size") != std::string::npos ||
                    error.find("runs past the end") != std::string::npos)
            << size << ": " << error;
    }
}

TEST(MetafileErrors, DamagedHeadersFail) {
    TBytes placeable = TWmfWriter::Placeable(0, 0, 100, 100).Finish();
    placeable[22 + 2] = 8; // header size 8 words instead of 9
    EXPECT_EQ(ErrorOf(placeable, "w.wmf"), "Metafile \"w.wmf\" has a damaged header");

    EXPECT_EQ(ErrorOf(TWmfWriter::Placeable(0, 0, 100, 100, 0).Finish()),
              "Metafile \"pic.emf\" has a damaged header"); // no units per inch
    EXPECT_EQ(ErrorOf(TWmfWriter::Placeable(0, 0, 0, 100).Finish()),
              "Metafile \"pic.emf\" has a damaged header"); // empty box
    EXPECT_EQ(ErrorOf(Cut(TWmfWriter::Placeable(0, 0, 9, 9).Finish(), 30)),
              "Metafile \"pic.emf\" has a damaged header");

    TBytes emf = TEmfWriter().Finish();
    Put32(emf, 72, 0); // no reference device
    EXPECT_EQ(ErrorOf(emf), "Metafile \"pic.emf\" has a damaged header");
    emf = TEmfWriter().Finish();
    Put32(emf, 4, 40); // header record shorter than a header
    EXPECT_EQ(ErrorOf(emf), "Metafile \"pic.emf\" has a damaged header");
    EXPECT_EQ(ErrorOf(TEmfWriter({0, 0, 0, 0}, 0, 250).Finish()),
              "Metafile \"pic.emf\" has a damaged header");
}

// Without the placeable header's key, a WMF is only recognised by its header.
TEST(MetafileErrors, DamagedWmfHeaderWithoutPlaceableHeaderIsNotAMetafile) {
    TBytes wmf = TWmfWriter().Finish();
    wmf[2] = 8;
    EXPECT_EQ(ErrorOf(wmf, "w.wmf"), "File \"w.wmf\" is not a Windows metafile");
}

TEST(MetafileFiles, ReadsAFileAndReportsOneThatCannotBeOpened) {
    TTempDir dir;
    const TBytes bytes = TEmfWriter().Rectangle(0, 0, 5, 5).Finish();
    std::ofstream(dir.File("ok.emf"), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    EXPECT_EQ(All<TShape>(ReadMetafile(dir.File("ok.emf"))).size(), 1u);

    const std::string missing = dir.File("missing.wmf");
    try {
        ReadMetafile(missing);
        FAIL() << "no error";
    } catch (const EMetafileError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot open file \"" + missing + "\". No such file or directory");
    }
    try {
        ReadMetafile(dir.Path());
        FAIL() << "no error";
    } catch (const EMetafileError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot open file \"" + dir.Path() + "\". It is not a regular file");
    }

    // Refused by its size before anything is read (the file is sparse: it costs no disk).
    const std::string huge = dir.File("huge.emf");
    std::ofstream(huge).close();
    std::filesystem::resize_file(huge, kMaxFileSize + 1);
    try {
        ReadMetafile(huge);
        FAIL() << "no error";
    } catch (const EMetafileError& e) {
        EXPECT_EQ(std::string(e.what()), "Metafile \"" + huge + "\" is too large: " +
                                             std::to_string(kMaxFileSize + 1) + " bytes");
    }

    std::ofstream(dir.File("text.emf")) << "hello, I am text\n";
    try {
        ReadMetafile(dir.File("text.emf"));
        FAIL() << "no error";
    } catch (const EMetafileError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "File \"" + dir.File("text.emf") + "\" is not a Windows metafile");
    }
}

// ---- Records ----

TEST(MetafileRecords, UnknownRecordsAreSkipped) {
    const auto wmf = Parse(TWmfWriter()
                               .Record(0x0626, {1, 2, 3, 4}) // an escape
                               .Record(0x7777, {})
                               .Rectangle(1, 2, 3, 4)
                               .Finish());
    ASSERT_EQ(wmf.commands.size(), 1u);
    EXPECT_EQ(std::get<TShape>(wmf.commands[0]).box, (TRect{1, 2, 3, 4}));

    const auto emf =
        Parse(TEmfWriter().Record(70, {0, 1, 2}).Record(999, {}).Ellipse(1, 2, 3, 4).Finish());
    ASSERT_EQ(emf.commands.size(), 1u);
    EXPECT_EQ(std::get<TShape>(emf.commands[0]).kind, TShape::EKind::Ellipse);
}

TEST(MetafileRecords, WmfObjectsTakeTheLowestFreeSlot) {
    const auto file = Parse(TWmfWriter()
                                .CreatePen(0, 1, 0xFF0000)     // 0
                                .CreateBrush(0, 0x00FF00)      // 1
                                .CreatePalette()               // 2
                                .Delete(0)                     // frees 0
                                .CreateFont(-12, 400, "Arial") // 0 again
                                .Record(0x02FA, {0})           // damaged pen: still 3
                                .CreateBrush(2, 0x0000FF, 4)   // 4
                                .Delete(7)                     // never created: no effect
                                .CreateBrush(0, 0)             // 5
                                .Finish());
    const auto created = All<TCreateObject>(file);
    ASSERT_EQ(created.size(), 7u);
    const std::vector<std::uint32_t> indexes = {0, 1, 2, 0, 3, 4, 5};
    for (std::size_t i = 0; i < created.size(); ++i)
        EXPECT_EQ(created[i].index, indexes[i]) << i;
    EXPECT_TRUE(std::holds_alternative<TLogPen>(created[0].object));
    EXPECT_TRUE(std::holds_alternative<TOtherObject>(created[2].object));
    ASSERT_TRUE(std::holds_alternative<TLogFont>(created[3].object));
    EXPECT_EQ(std::get<TLogFont>(created[3].object).faceName, u"Arial");
    EXPECT_EQ(std::get<TLogFont>(created[3].object).height, -12);
    EXPECT_TRUE(std::holds_alternative<TOtherObject>(created[4].object));
    const auto hatched = std::get<TLogBrush>(created[5].object);
    EXPECT_EQ(hatched.style, BS_HATCHED);
    EXPECT_EQ(hatched.hatch, HS_CROSS);
    EXPECT_EQ(hatched.color, (TColor{0, 0, 0xFF}));
}

// CreatePen keeps dashes and dots only on pens one unit wide; ExtCreatePen keeps them on
// geometric pens of any width, and its cosmetic pens are one pixel wide whatever they name.
TEST(MetafileRecords, PenStylesAndWidthsAsGdiCreatesThem) {
    auto pens = [](const TBytes& bytes) {
        std::vector<TLogPen> found;
        for (const TCreateObject& c : All<TCreateObject>(Parse(bytes)))
            found.push_back(std::get<TLogPen>(c.object));
        return found;
    };
    const auto wmf = pens(TWmfWriter()
                              .CreatePen(PS_DASH, 1, 0)
                              .CreatePen(PS_DASHDOT | PS_ENDCAP_FLAT, 7, 0)
                              .Finish());
    ASSERT_EQ(wmf.size(), 2u);
    EXPECT_EQ(wmf[0].style, PS_DASH);
    EXPECT_EQ(wmf[1].style, PS_SOLID | PS_ENDCAP_FLAT);
    EXPECT_EQ(wmf[1].width, 7);

    const std::int32_t geometricDash = PS_GEOMETRIC | PS_DASH;
    const auto emf = pens(TEmfWriter()
                              .CreatePen(1, PS_DOT, 5, 0)
                              .CreatePen(2, PS_DOT, 1, 0)
                              .Record(95, {3, 0, 0, 0, 0, geometricDash, 5, BS_SOLID, 0, 0, 0})
                              .Record(95, {4, 0, 0, 0, 0, PS_DASH, 9, BS_SOLID, 0, 0, 0})
                              .Finish());
    ASSERT_EQ(emf.size(), 4u);
    EXPECT_EQ(emf[0].style, PS_SOLID);
    EXPECT_EQ(emf[1].style, PS_DOT);
    EXPECT_EQ(emf[2].style, PS_GEOMETRIC | PS_DASH);
    EXPECT_EQ(emf[2].width, 5);
    EXPECT_EQ(emf[3].style, PS_DASH);
    EXPECT_EQ(emf[3].width, 0);
}

// The format names the miter limit an integer; GDI writes it as a float.
TEST(MetafileRecords, MiterLimitIsReadAsAnIntegerOrAsAFloat) {
    const auto limits = All<TSetMiterLimit>(Parse(TEmfWriter()
                                                      .Record(58, {4})
                                                      .Record(58, {0x41200000}) // 10.0f
                                                      .Record(58, {0x7FC00000}) // NaN: dropped
                                                      .Finish()));
    ASSERT_EQ(limits.size(), 2u);
    EXPECT_EQ(limits[0].limit, 4);
    EXPECT_EQ(limits[1].limit, 10);
}

TEST(MetafileRecords, WmfPenAndShapesReadTheirReversedParameters) {
    const auto file = Parse(TWmfWriter()
                                .CreatePen(PS_INSIDEFRAME, 7, 0x123456)
                                .RoundRect(1, 2, 30, 40, 5, 6)
                                .ArcLike(0x081A, 0, 0, 100, 50, 100, 25, 50, 0)
                                .SetPixel(3, 4, 0xABCDEF)
                                .Finish());
    const auto pen = std::get<TLogPen>(std::get<TCreateObject>(file.commands[0]).object);
    EXPECT_EQ(pen.style, PS_INSIDEFRAME);
    EXPECT_EQ(pen.width, 7);
    EXPECT_EQ(pen.color, (TColor{0x12, 0x34, 0x56}));
    const auto round = std::get<TShape>(file.commands[1]);
    EXPECT_EQ(round.box, (TRect{1, 2, 30, 40}));
    EXPECT_EQ(round.corner, (TPoint{5, 6}));
    const auto pie = std::get<TArc>(file.commands[2]);
    EXPECT_EQ(pie.kind, TArc::EKind::Pie);
    EXPECT_EQ(pie.start, (TPoint{100, 25}));
    EXPECT_EQ(pie.end, (TPoint{50, 0}));
    const auto pixel = std::get<TSetPixel>(file.commands[3]);
    EXPECT_EQ(pixel.point, (TPoint{3, 4}));
    EXPECT_EQ(pixel.color, (TColor{0xAB, 0xCD, 0xEF}));
}

TEST(MetafileRecords, PolygonsInAllForms) {
    const std::vector<std::pair<int, int>> triangle = {{0, 0}, {-300, 10}, {20, 32000}};
    const std::vector<TPoint> expected = {{0, 0}, {-300, 10}, {20, 32000}};
    const auto wmf = Parse(TWmfWriter()
                               .Polygon(triangle)
                               .Polyline(triangle)
                               .PolyPolygon({triangle, {{1, 1}}})
                               .Finish());
    ASSERT_EQ(wmf.commands.size(), 3u);
    EXPECT_EQ(std::get<TPoly>(wmf.commands[0]).kind, TPoly::EKind::Polygon);
    EXPECT_EQ(std::get<TPoly>(wmf.commands[0]).figures[0], expected);
    EXPECT_EQ(std::get<TPoly>(wmf.commands[1]).kind, TPoly::EKind::Polyline);
    EXPECT_EQ(std::get<TPoly>(wmf.commands[2]).figures.size(), 2u);

    const auto emf = Parse(TEmfWriter()
                               .Poly(3, triangle)
                               .Poly(86, triangle)
                               .Poly(5, {{1, 2}, {3, 4}, {5, 6}})
                               .PolyPoly(8, {triangle, triangle})
                               .PolyPoly(91, {triangle, triangle})
                               .PolyPoly(90, {triangle})
                               .Finish());
    const auto polys = All<TPoly>(emf);
    ASSERT_EQ(polys.size(), 6u);
    EXPECT_EQ(polys[0].figures[0], expected);
    EXPECT_EQ(polys[1].figures[0], expected); // 16-bit form, same points
    EXPECT_EQ(polys[1].kind, TPoly::EKind::Polygon);
    EXPECT_EQ(polys[2].kind, TPoly::EKind::PolyBezierTo);
    EXPECT_EQ(polys[3].figures, polys[4].figures);
    EXPECT_EQ(polys[4].figures.size(), 2u);
    EXPECT_EQ(polys[5].kind, TPoly::EKind::Polyline);
}

TEST(MetafileRecords, CountsThatLieDropTheRecordAndKeepTheRest) {
    TByteWriter wmfPolygon; // 1000 points promised, two given
    wmfPolygon.I16(1000).I16(1).I16(1).I16(2).I16(2);
    TByteWriter wmfPolyPolygon; // counts that add up past the record
    wmfPolyPolygon.U16(2).U16(0xFFFF).U16(0xFFFF).I16(1).I16(1);
    TByteWriter wmfText; // text longer than the record
    wmfText.I16(30000).U8('a').U8('b');
    const auto wmf = Parse(TWmfWriter()
                               .Record(0x0324, {}, wmfPolygon.Get())
                               .Record(0x0538, {}, wmfPolyPolygon.Get())
                               .Record(0x0521, {}, wmfText.Get())
                               .Record(0x0324, {-5})
                               .Record(0x041B, {1}) // rectangle with one of four parameters
                               .Rectangle(0, 0, 1, 1)
                               .Finish());
    ASSERT_EQ(wmf.commands.size(), 1u);
    EXPECT_TRUE(std::holds_alternative<TShape>(wmf.commands[0]));
    EXPECT_EQ(wmf.damagedRecords, 5u);

    TByteWriter emfPoly; // bounds, then 0x40000000 points promised
    emfPoly.I32(0).I32(0).I32(0).I32(0).U32(0x40000000).I32(1).I32(1);
    TByteWriter emfPolyPoly; // counts that do not add up to the total
    emfPolyPoly.I32(0).I32(0).I32(0).I32(0).U32(2).U32(3).U32(2).U32(2);
    for (int i = 0; i < 3; ++i)
        emfPolyPoly.I32(i).I32(i);
    TByteWriter emfPolyPolyMany; // more figures than the record could hold
    emfPolyPolyMany.I32(0).I32(0).I32(0).I32(0).U32(0xFFFFFFFF).U32(0);
    const auto emf = Parse(TEmfWriter()
                               .Record(3, {}, emfPoly.Get())
                               .Record(8, {}, emfPolyPoly.Get())
                               .Record(8, {}, emfPolyPolyMany.Get())
                               .Record(43, {1, 2})          // short rectangle
                               .CreatePen(0, 0, 1, 0)       // index 0 is the file
                               .CreatePen(0x10000, 0, 1, 0) // beyond any handle
                               .Record(37, {})              // select with no index
                               .Rectangle(0, 0, 1, 1)
                               .Finish());
    ASSERT_EQ(emf.commands.size(), 1u);
    EXPECT_TRUE(std::holds_alternative<TShape>(emf.commands[0]));
    EXPECT_EQ(emf.damagedRecords, 7u);
}

TEST(MetafileRecords, EmfOffsetsOutsideTheRecordDropIt) {
    const TDib dib = MakeDib(2, 2, 24, {0, 0, 0, 0});
    TEmfWriter writer;
    writer.StretchDiBits(0, 0, 10, 10, dib, 0, 0, 2, 2);
    TBytes bytes = writer.Finish();
    TBytes lyingInfo = bytes, lyingBits = bytes, lyingText;
    Put32(lyingInfo, 108 + 48, 0xFFFFFFF0); // offBmiSrc
    Put32(lyingBits, 108 + 60, 0x7FFFFFFF); // cbBitsSrc
    EXPECT_EQ(All<TBlit>(Parse(bytes)).size(), 1u);
    EXPECT_TRUE(Parse(lyingInfo).commands.empty());
    EXPECT_TRUE(Parse(lyingBits).commands.empty());

    lyingText = TEmfWriter().ExtTextOutW(0, 0, u"hello").Finish();
    EXPECT_EQ(All<TText>(Parse(lyingText)).size(), 1u);
    Put32(lyingText, 108 + 44, 0x40000000); // nChars
    EXPECT_TRUE(Parse(lyingText).commands.empty());
}

TEST(MetafileRecords, AnsiTextIsWindows1251AndWideTextIsUtf16) {
    const std::string privet = "\xCF\xF0\xE8\xE2\xE5\xF2"; // "Привет" in Windows-1251
    const auto wmf = Parse(TWmfWriter()
                               .TextOut(10, 20, privet)
                               .ExtTextOut(5, 6, ETO_CLIPPED, "abc", {1, 2, 3, 4}, {7, 8, 9})
                               .Finish());
    const auto texts = All<TText>(wmf);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].text, u"Привет");
    EXPECT_EQ(texts[0].reference, (TPoint{10, 20}));
    EXPECT_EQ(texts[1].text, u"abc");
    EXPECT_EQ(texts[1].reference, (TPoint{5, 6}));
    ASSERT_TRUE(texts[1].rect.has_value());
    EXPECT_EQ(*texts[1].rect, (TRect{1, 2, 3, 4}));
    EXPECT_EQ(texts[1].dx, (std::vector<std::int32_t>{7, 8, 9}));

    const auto emf = Parse(TEmfWriter()
                               .ExtTextOutW(1, 2, u"Grüße ✓", 0, {5, 5, 5, 5, 5, 5, 5})
                               .ExtTextOutA(3, 4, privet)
                               .Finish());
    const auto emfTexts = All<TText>(emf);
    ASSERT_EQ(emfTexts.size(), 2u);
    EXPECT_EQ(emfTexts[0].text, u"Grüße ✓");
    EXPECT_EQ(emfTexts[0].dx.size(), 7u);
    EXPECT_EQ(emfTexts[1].text, u"Привет");
}

TEST(MetafileRecords, GlyphIndexTextIsLeftOut) {
    const auto emf =
        Parse(TEmfWriter().ExtTextOutW(1, 2, u"\x0012\x0034", ETO_GLYPH_INDEX).Finish());
    EXPECT_TRUE(emf.commands.empty());
}

TEST(MetafileRecords, WorldTransformsMustBeFinite) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const auto emf = Parse(TEmfWriter()
                               .SetWorldTransform(2, 0, 0, 2, 10, 20)
                               .SetWorldTransform(nan, 0, 0, 1, 0, 0)
                               .Finish());
    const auto transforms = All<TWorldTransform>(emf);
    ASSERT_EQ(transforms.size(), 1u);
    EXPECT_DOUBLE_EQ(transforms[0].xform.m11, 2);
    EXPECT_DOUBLE_EQ(transforms[0].xform.dy, 20);
}

TEST(MetafileRecords, BitmapsOfEveryBlitRecord) {
    const TDib dib = MakeDib(2, 1, 24, {0xFF0000, 0x00FF00});
    const auto wmf = Parse(TWmfWriter()
                               .StretchDib(0, 0, 20, 10, dib, 0, 0, 2, 1)
                               .DibBitBlt(1, 2, 2, 1, dib)
                               .DibStretchBlt(0, 0, 40, 20, dib, 0, 0, 2, 1)
                               .PatBlt(1, 2, 3, 4, PATCOPY)
                               .Finish());
    const auto wmfBlits = All<TBlit>(wmf);
    ASSERT_EQ(wmfBlits.size(), 4u);
    for (size_t i = 0; i < 3; ++i) {
        ASSERT_TRUE(wmfBlits[i].bitmap) << i;
        EXPECT_EQ(wmfBlits[i].bitmap->pixels, (std::vector<std::uint32_t>{0xFFFF0000, 0xFF00FF00}));
    }
    EXPECT_TRUE(wmfBlits[0].sourceFromBottom);
    EXPECT_EQ(wmfBlits[1].x, 1);
    EXPECT_EQ(wmfBlits[1].y, 2);
    EXPECT_EQ(wmfBlits[2].width, 40);
    EXPECT_EQ(wmfBlits[2].srcWidth, 2);
    EXPECT_FALSE(wmfBlits[3].bitmap);
    EXPECT_EQ(wmfBlits[3].rop, PATCOPY);
    EXPECT_EQ(wmfBlits[3].height, 4);

    const auto emf = Parse(TEmfWriter()
                               .StretchDiBits(0, 0, 20, 10, dib, 0, 0, 2, 1)
                               .Blt(76, 0, 0, 2, 1, SRCCOPY, &dib)
                               .Blt(77, 0, 0, 20, 10, SRCAND, &dib, 2, 1)
                               .Blt(76, 5, 5, 10, 10, WHITENESS)
                               .Finish());
    const auto emfBlits = All<TBlit>(emf);
    ASSERT_EQ(emfBlits.size(), 4u);
    EXPECT_TRUE(emfBlits[0].bitmap && emfBlits[1].bitmap && emfBlits[2].bitmap);
    EXPECT_EQ(emfBlits[2].rop, SRCAND);
    EXPECT_EQ(emfBlits[2].srcWidth, 2);
    EXPECT_FALSE(emfBlits[3].bitmap);
    EXPECT_EQ(emfBlits[3].rop, WHITENESS);
}

// The fuzz target's seeds are meant to reach every record family: none of them may be dropped.
TEST(MetafileRecords, SeedCorpusReadsWithoutDamage) {
    int files = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(CheckoutPaths::SourceFile(METAFILE_CORPUS_DIR))) {
        const TMetafile file = ReadMetafile(entry.path().string());
        EXPECT_EQ(file.damagedRecords, 0u) << entry.path();
        ++files;
    }
    EXPECT_GE(files, 9);
}

TEST(MetafileRecords, DrawingBoundsCoverEveryCoordinate) {
    const auto file = Parse(TEmfWriter()
                                .MoveTo(-5, 3)
                                .Poly(4, {{10, 10}, {200, -40}})
                                .Blt(76, 100, 100, 50, 60, WHITENESS)
                                .SetMapMode(MM_ANISOTROPIC)
                                .Finish());
    EXPECT_EQ(DrawingBounds(file.commands), (TRect{-5, -40, 200, 160}));
    EXPECT_FALSE(DrawingBounds({}).has_value());
}
