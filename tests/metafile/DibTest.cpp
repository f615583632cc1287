#include "metafile/Dib.h"

#include "metafile/MetafileWriter.h"

#include <gtest/gtest.h>

using namespace Metafile;
using namespace MetafileTest;

namespace {

constexpr std::uint32_t R = 0xFFFF0000, G = 0xFF00FF00, B = 0xFF0000FF, W = 0xFFFFFFFF,
                        K = 0xFF000000;

std::shared_ptr<const TBitmap> Decode(const TDib& dib, TDibDecoder& decoder) {
    return decoder.Decode(dib.info, dib.bits, DIB_RGB_COLORS);
}

std::shared_ptr<const TBitmap> Decode(const TDib& dib) {
    TDibDecoder decoder;
    return Decode(dib, decoder);
}

} // namespace

TEST(Dib, PalettedPixelsOfEveryDepthAndBothRowOrders) {
    const std::vector<std::uint32_t> palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    // 3 x 2, top row first: red green blue / blue black red
    const std::vector<std::uint32_t> indexes = {1, 2, 3, 3, 0, 1};
    const std::vector<std::uint32_t> expected = {R, G, B, B, K, R};
    for (const int bits : {4, 8}) {
        for (const bool topDown : {false, true}) {
            const auto bitmap = Decode(MakeDib(3, 2, bits, indexes, palette, topDown));
            ASSERT_TRUE(bitmap) << bits << topDown;
            EXPECT_EQ(bitmap->width, 3);
            EXPECT_EQ(bitmap->height, 2);
            EXPECT_EQ(bitmap->bottomUp, !topDown);
            EXPECT_EQ(bitmap->pixels, expected) << bits << " bits, top-down " << topDown;
        }
    }
    // One bit: 10 pixels wide crosses a byte.
    const std::vector<std::uint32_t> mono = {1, 0, 1, 0, 1, 0, 1, 0, 1, 1};
    const auto bitmap = Decode(MakeDib(10, 1, 1, mono, {0x000000, 0xFFFFFF}));
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->pixels, (std::vector<std::uint32_t>{W, K, W, K, W, K, W, K, W, W}));
}

TEST(Dib, DirectColourPixels) {
    const std::vector<std::uint32_t> colours = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    const auto b24 = Decode(MakeDib(2, 2, 24, colours));
    ASSERT_TRUE(b24);
    EXPECT_EQ(b24->pixels, (std::vector<std::uint32_t>{R, G, B, W}));
    EXPECT_FALSE(b24->hasAlpha);

    const auto b16 = Decode(MakeDib(2, 2, 16, colours));
    ASSERT_TRUE(b16);
    EXPECT_EQ(b16->pixels, (std::vector<std::uint32_t>{R, G, B, W}));

    // 32 bits keep their top byte for AlphaBlend.
    const auto b32 = Decode(MakeDib(2, 1, 32, {0x80402010, 0x00FFFFFF}, {}, true));
    ASSERT_TRUE(b32);
    EXPECT_TRUE(b32->hasAlpha);
    EXPECT_EQ(b32->pixels, (std::vector<std::uint32_t>{0x80402010, 0x00FFFFFF}));
}

TEST(Dib, BitFieldsAndCoreHeader) {
    // 16-bit 5-6-5 with masks after the header.
    TByteWriter info;
    info.U32(40).I32(2).I32(-1).U16(1).U16(16).U32(3).U32(0).U32(0).U32(0).U32(0).U32(0);
    info.U32(0xF800).U32(0x07E0).U32(0x001F);
    TByteWriter bits;
    bits.U16(0xF800).U16(0x07E0);
    TDibDecoder decoder;
    const auto fields = decoder.Decode(info.Get(), bits.Get(), DIB_RGB_COLORS);
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->pixels, (std::vector<std::uint32_t>{R, G}));

    // BITMAPCOREHEADER: 16-bit sizes and a three-byte palette.
    TByteWriter core;
    core.U32(12).U16(2).U16(1).U16(1).U16(1);
    core.U8(0).U8(0).U8(0).U8(0xFF).U8(0).U8(0); // black, blue
    TByteWriter coreBits;
    coreBits.U8(0x40).U8(0).U8(0).U8(0);
    const auto old = decoder.DecodePacked(
        [&] {
            TBytes all = core.Get();
            all.insert(all.end(), coreBits.Get().begin(), coreBits.Get().end());
            return all;
        }(),
        DIB_RGB_COLORS);
    ASSERT_TRUE(old);
    EXPECT_EQ(old->pixels, (std::vector<std::uint32_t>{K, B}));
}

TEST(Dib, RunLengthEncoded) {
    TByteWriter info;
    info.U32(40).I32(4).I32(2).U16(1).U16(8).U32(1).U32(0).U32(0).U32(0).U32(2).U32(0);
    info.U32(0x000000).U32(0xFF0000); // black, red (as BGR0 bytes)
    TByteWriter bits;
    bits.U8(4).U8(1);                         // bottom row: four red
    bits.U8(0).U8(0);                         // end of line
    bits.U8(0).U8(3).U8(1).U8(0).U8(1).U8(0); // top row: a literal run red black red, padded
    bits.U8(0).U8(1);                         // end of bitmap
    TDibDecoder decoder;
    const auto bitmap = decoder.Decode(info.Get(), bits.Get(), DIB_RGB_COLORS);
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->pixels, (std::vector<std::uint32_t>{R, K, R, K, R, R, R, R}));
}

TEST(Dib, LyingHeadersAreRefused) {
    // Rows of 3 pixels: 9 bytes of colour and 3 of padding.
    TDib dib = MakeDib(3, 4, 24, std::vector<std::uint32_t>(12, 0));
    TDib cut = dib;
    cut.bits.resize(dib.bits.size() - 3); // only the last row's padding missing: accepted
    EXPECT_TRUE(Decode(cut));
    cut.bits.pop_back(); // a byte of colour missing
    EXPECT_FALSE(Decode(cut));

    auto patched = [&](std::size_t at, std::uint32_t value) {
        TDib d = dib;
        for (std::size_t i = 0; i < 4; ++i)
            d.info[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
        return d;
    };
    EXPECT_FALSE(Decode(patched(4, 0x7FFFFFFF)));  // enormous width
    EXPECT_FALSE(Decode(patched(8, 0x80000000)));  // height that cannot be negated
    EXPECT_FALSE(Decode(patched(4, 0)));           // no width
    EXPECT_FALSE(Decode(patched(0, 64)));          // unknown header size
    EXPECT_FALSE(Decode(patched(16, 4)));          // JPEG inside
    EXPECT_FALSE(Decode(patched(12, 0x00070001))); // seven bits a pixel
    TDib paletted = MakeDib(2, 2, 8, {0, 0, 0, 0}, {0});
    for (std::size_t i = 0; i < 4; ++i) // a colour table of 2^30 entries
        paletted.info[32 + i] = static_cast<std::uint8_t>(0x40000000u >> (8 * i));
    EXPECT_FALSE(Decode(paletted));
    // A side longer than any picture's, even with all its pixel data there.
    TByteWriter wide;
    wide.U32(40).I32(40000).I32(1).U16(1).U16(1).U32(0).U32(0).U32(0).U32(0).U32(2).U32(0);
    wide.U32(0).U32(0xFFFFFF);
    EXPECT_FALSE(TDibDecoder().Decode(wide.Get(), TBytes(5000, 0), DIB_RGB_COLORS));
    // Palette indexes need a device palette this program does not have.
    TDibDecoder decoder;
    const TDib indexed = MakeDib(2, 2, 8, {0, 0, 0, 0}, {0});
    EXPECT_FALSE(decoder.Decode(indexed.info, indexed.bits, DIB_PAL_COLORS));
    EXPECT_FALSE(decoder.Decode({}, {}, DIB_RGB_COLORS));
}

TEST(Dib, RunLengthCannotClaimFarMoreThanItsDataCanFill) {
    auto rle = [](int width, int height) {
        TByteWriter info;
        info.U32(40).I32(width).I32(height).U16(1).U16(8).U32(1).U32(0).U32(0).U32(0).U32(1);
        info.U32(0).U32(0);
        return info.Get();
    };
    TByteWriter endOnly;
    endOnly.U8(0).U8(1);
    TDibDecoder decoder;
    EXPECT_FALSE(decoder.Decode(rle(4000, 4000), endOnly.Get(), DIB_RGB_COLORS));

    // An empty picture still spends an end-of-line on every row: that much is believed.
    TByteWriter blankRows;
    for (int row = 0; row < 100; ++row)
        blankRows.U8(0).U8(0);
    blankRows.U8(0).U8(1);
    EXPECT_TRUE(decoder.Decode(rle(3000, 100), blankRows.Get(), DIB_RGB_COLORS));
}

TEST(Dib, AllBitmapsOfAFileShareOneBudget) {
    TDibDecoder decoder;
    // 1-bit pixels: 8 Mi pixels from 1 MiB each; the budget is 128 Mi pixels.
    const int side = 2896; // 2896^2 is just over 8 Mi
    TByteWriter info;
    info.U32(40).I32(side).I32(side).U16(1).U16(1).U32(0).U32(0).U32(0).U32(0).U32(2).U32(0);
    info.U32(0).U32(0xFFFFFF);
    const TBytes bits(static_cast<std::size_t>((side + 31) / 32 * 4) * side, 0);
    int decoded = 0;
    while (decoder.Decode(info.Get(), bits, DIB_RGB_COLORS) && decoded < 100)
        ++decoded;
    EXPECT_EQ(decoded,
              static_cast<int>(TDibDecoder::kMaxTotalPixels / (std::uint64_t{side} * side)));
}
