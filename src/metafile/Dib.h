#pragma once

#include "metafile/MetafileTypes.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace Metafile {

enum : std::uint32_t { DIB_RGB_COLORS = 0, DIB_PAL_COLORS = 1 };

// Decodes the device-independent bitmaps embedded in metafile records: BITMAPCOREHEADER and
// BITMAPINFOHEADER (and its later versions), 1, 4, 8, 16, 24 and 32 bits per pixel, uncompressed,
// with bit fields, or run-length encoded (RLE8, RLE4), stored top-down or bottom-up.
//
// Every size in the header is checked against the bytes that are really there, and the decoder
// keeps a budget of pixels for the whole file, so a header that lies about its size can neither
// read outside the record nor make the program allocate without bound. A bitmap it cannot decode
// safely comes back empty (nullptr); the record that carried it is then skipped.
class TDibDecoder {
public:
    // Pixels all bitmaps of one file may have together (256 MB decoded): room for an
    // 8000 x 8000 photograph, not for a file that repeats one by the hundred.
    static constexpr std::uint64_t kMaxTotalPixels = 64ull << 20;
    // The longest side a bitmap may have.
    static constexpr std::uint32_t kMaxSide = 32768;

    // info: the header and the colour table; bits: the pixel data.
    std::shared_ptr<TBitmap> Decode(std::span<const std::uint8_t> info,
                                    std::span<const std::uint8_t> bits, std::uint32_t colorUsage);

    // A packed DIB: header, colour table and pixel data one after the other.
    std::shared_ptr<TBitmap> DecodePacked(std::span<const std::uint8_t> packed,
                                          std::uint32_t colorUsage);

    std::uint64_t PixelsLeft() const { return budget_; }

private:
    std::uint64_t budget_ = kMaxTotalPixels;
};

} // namespace Metafile
