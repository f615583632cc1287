#include "metafile/Dib.h"

#include "metafile/RecordReader.h"

#include <algorithm>
#include <bit>
#include <optional>
#include <vector>

namespace Metafile {

namespace {

enum : std::uint32_t { BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3 };

constexpr std::uint32_t kOpaque = 0xFF000000u;

struct THeader {
    std::uint32_t width = 0;
    std::uint32_t rows = 0;
    bool bottomUp = true;
    std::uint32_t bitCount = 0;
    std::uint32_t compression = BI_RGB;
    std::uint32_t masks[3] = {0, 0, 0};
    std::vector<std::uint32_t> palette; // opaque 0xAARRGGBB
    std::size_t infoEnd = 0;            // header, masks and colour table
};

// A colour channel described by a bit mask, scaled to 0..255.
class TChannel {
public:
    explicit TChannel(std::uint32_t mask) : mask_(mask) {
        if (mask == 0)
            return;
        shift_ = static_cast<unsigned>(std::countr_zero(mask));
        max_ = mask >> shift_;
    }
    std::uint32_t Get(std::uint32_t pixel) const {
        if (max_ == 0)
            return 0;
        const std::uint64_t value = (pixel & mask_) >> shift_;
        return static_cast<std::uint32_t>(std::min<std::uint64_t>(255, value * 255 / max_));
    }

private:
    std::uint32_t mask_ = 0;
    unsigned shift_ = 0;
    std::uint32_t max_ = 0;
};

std::optional<THeader> ReadHeader(const TRecordReader& in, std::uint32_t colorUsage) {
    THeader h;
    const std::uint32_t headerSize = in.U32(0);
    std::size_t entrySize = 4;
    std::uint64_t tableEntries = 0;
    if (headerSize == 12) { // BITMAPCOREHEADER
        h.width = in.U16(4);
        h.rows = in.U16(6);
        h.bitCount = in.U16(10);
        entrySize = 3;
        if (h.bitCount <= 8)
            tableEntries = 1u << h.bitCount;
        h.infoEnd = 12;
    } else if (headerSize >= 40 && headerSize <= 1024) { // BITMAPINFOHEADER and later versions
        const std::int32_t width = in.I32(4);
        const std::int32_t height = in.I32(8);
        if (width <= 0 || height == 0 || height == INT32_MIN)
            return std::nullopt;
        h.width = static_cast<std::uint32_t>(width);
        h.bottomUp = height > 0;
        h.rows = static_cast<std::uint32_t>(height > 0 ? height : -height);
        h.bitCount = in.U16(14);
        h.compression = in.U32(16);
        const std::uint32_t colorsUsed = in.U32(32);
        h.infoEnd = headerSize;
        if (h.compression == BI_BITFIELDS) {
            // Version 2 and later headers hold the masks; the plain header is followed by them.
            const std::size_t maskAt = headerSize >= 52 ? 40 : headerSize;
            for (int i = 0; i < 3; ++i)
                h.masks[i] = in.U32(maskAt + 4 * static_cast<std::size_t>(i));
            if (headerSize < 52)
                h.infoEnd += 12;
        }
        if (h.bitCount <= 8)
            tableEntries = colorsUsed != 0 ? colorsUsed : (1u << h.bitCount);
        else
            tableEntries = colorsUsed; // an optional palette that the pixels do not use
    } else {
        return std::nullopt;
    }

    if (h.width == 0 || h.rows == 0)
        return std::nullopt;
    switch (h.bitCount) {
    case 1:
    case 4:
    case 8:
    case 24:
        if (h.compression != BI_RGB && !(h.compression == BI_RLE8 && h.bitCount == 8) &&
            !(h.compression == BI_RLE4 && h.bitCount == 4))
            return std::nullopt;
        break;
    case 16:
    case 32:
        if (h.compression != BI_RGB && h.compression != BI_BITFIELDS)
            return std::nullopt;
        break;
    default:
        return std::nullopt;
    }
    // Run-length data is always stored bottom-up.
    if ((h.compression == BI_RLE8 || h.compression == BI_RLE4) && !h.bottomUp)
        return std::nullopt;

    if (colorUsage == DIB_PAL_COLORS) {
        // Palette indexes need the logical palette of the device the file was made on; a
        // table of them is useless here.
        if (h.bitCount <= 8)
            return std::nullopt;
        entrySize = 2;
    }
    if (tableEntries > in.Size() / entrySize)
        return std::nullopt;
    const std::size_t tableBytes = static_cast<std::size_t>(tableEntries) * entrySize;
    if (!in.Has(h.infoEnd, tableBytes))
        return std::nullopt;
    if (h.bitCount <= 8) {
        const std::size_t used = std::min<std::size_t>(tableEntries, 1u << h.bitCount);
        h.palette.reserve(used);
        for (std::size_t i = 0; i < used; ++i) {
            const std::size_t at = h.infoEnd + i * entrySize;
            h.palette.push_back(kOpaque | (std::uint32_t{in.U8(at + 2)} << 16) |
                                (std::uint32_t{in.U8(at + 1)} << 8) | in.U8(at));
        }
    }
    h.infoEnd += tableBytes;
    return h;
}

std::uint32_t PaletteColor(const THeader& h, std::uint32_t index) {
    return index < h.palette.size() ? h.palette[index] : kOpaque;
}

// The output row of stored row number n (stored rows run bottom-up unless the height was
// negative).
std::size_t OutputRow(const THeader& h, std::uint32_t storedRow) {
    return h.bottomUp ? h.rows - 1 - storedRow : storedRow;
}

std::uint64_t Stride(const THeader& h) {
    return (std::uint64_t{h.width} * h.bitCount + 31) / 32 * 4;
}

// The bytes uncompressed pixels need. The last row's padding is often left out by writers;
// everything else must be there.
std::uint64_t BytesNeeded(const THeader& h) {
    return Stride(h) * (h.rows - 1) + (std::uint64_t{h.width} * h.bitCount + 7) / 8;
}

// Uncompressed pixels; bits holds at least BytesNeeded(h).
void DecodeUncompressed(const THeader& h, std::span<const std::uint8_t> bits, TBitmap& out) {
    const std::uint64_t stride = Stride(h);
    const bool fields = h.compression == BI_BITFIELDS;
    const TChannel red(fields ? h.masks[0] : h.bitCount == 16 ? 0x7C00 : 0x00FF0000);
    const TChannel green(fields ? h.masks[1] : h.bitCount == 16 ? 0x03E0 : 0x0000FF00);
    const TChannel blue(fields ? h.masks[2] : h.bitCount == 16 ? 0x001F : 0x000000FF);

    for (std::uint32_t r = 0; r < h.rows; ++r) {
        const std::uint8_t* row = bits.data() + stride * r;
        std::uint32_t* dest = out.pixels.data() + OutputRow(h, r) * h.width;
        for (std::uint32_t x = 0; x < h.width; ++x) {
            std::uint32_t pixel = 0;
            switch (h.bitCount) {
            case 1:
                pixel = PaletteColor(h, (row[x / 8] >> (7 - x % 8)) & 1);
                break;
            case 4:
                pixel = PaletteColor(h, (row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0x0F);
                break;
            case 8:
                pixel = PaletteColor(h, row[x]);
                break;
            case 16: {
                const std::uint32_t v = row[2 * x] | (std::uint32_t{row[2 * x + 1]} << 8);
                pixel = kOpaque | (red.Get(v) << 16) | (green.Get(v) << 8) | blue.Get(v);
                break;
            }
            case 24: {
                const std::uint8_t* p = row + 3 * std::size_t{x};
                pixel = kOpaque | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
                break;
            }
            case 32: {
                const std::uint8_t* p = row + 4 * std::size_t{x};
                const std::uint32_t v = p[0] | (std::uint32_t{p[1]} << 8) |
                                        (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
                if (h.compression == BI_RGB)
                    pixel = v; // the top byte is kept: AlphaBlend reads it as alpha
                else
                    pixel = kOpaque | (red.Get(v) << 16) | (green.Get(v) << 8) | blue.Get(v);
                break;
            }
            }
            dest[x] = pixel;
        }
    }
    out.hasAlpha = h.bitCount == 32 && h.compression == BI_RGB;
}

// RLE8 and RLE4: pairs of (count, colour) with escapes for end of line, end of bitmap, a jump and
// literal runs. Pixels the data never reaches keep colour 0 of the palette.
void DecodeRunLength(const THeader& h, std::span<const std::uint8_t> bits, TBitmap& out) {
    const bool four = h.compression == BI_RLE4;
    std::fill(out.pixels.begin(), out.pixels.end(), PaletteColor(h, 0));
    std::uint64_t x = 0;
    std::uint64_t y = 0;
    auto put = [&](std::uint32_t index) {
        if (x < h.width && y < h.rows)
            out.pixels[OutputRow(h, static_cast<std::uint32_t>(y)) * h.width + x] =
                PaletteColor(h, index);
        ++x;
    };
    std::size_t i = 0;
    while (i + 1 < bits.size() && y < h.rows) {
        const std::uint8_t count = bits[i];
        const std::uint8_t value = bits[i + 1];
        i += 2;
        if (count > 0) {
            for (unsigned n = 0; n < count; ++n)
                put(four ? (n % 2 == 0 ? value >> 4 : value & 0x0F) : value);
            continue;
        }
        switch (value) {
        case 0: // end of line
            x = 0;
            ++y;
            break;
        case 1: // end of bitmap
            return;
        case 2: // jump
            if (i + 1 >= bits.size())
                return;
            x += bits[i];
            y += bits[i + 1];
            i += 2;
            break;
        default: { // a literal run of value pixels, padded to a 16-bit boundary
            const std::size_t bytes = four ? (value + 1u) / 2 : value;
            if (bytes > bits.size() - i)
                return;
            for (unsigned n = 0; n < value; ++n) {
                const std::uint8_t b = bits[i + (four ? n / 2 : n)];
                put(four ? (n % 2 == 0 ? b >> 4 : b & 0x0F) : b);
            }
            i += bytes + (bytes % 2);
            break;
        }
        }
    }
}

} // namespace

std::shared_ptr<TBitmap> TDibDecoder::Decode(std::span<const std::uint8_t> info,
                                             std::span<const std::uint8_t> bits,
                                             std::uint32_t colorUsage) {
    std::optional<THeader> header;
    try {
        header = ReadHeader(TRecordReader(info), colorUsage);
    } catch (const EBadRecord&) {
        return nullptr;
    }
    if (!header)
        return nullptr;
    const THeader& h = *header;

    const std::uint64_t pixels = std::uint64_t{h.width} * h.rows;
    if (pixels > budget_ || h.width > kMaxSide || h.rows > kMaxSide)
        return nullptr;
    const bool runLength = h.compression == BI_RLE8 || h.compression == BI_RLE4;
    // Run-length data can claim any size from a few bytes. Real data spends at least an
    // end-of-line escape, two bytes, on every row, however empty.
    if (runLength &&
        pixels > std::max<std::uint64_t>(1u << 16, std::uint64_t{bits.size()} *
                                                       std::max<std::uint64_t>(1024, h.width)))
        return nullptr;
    if (!runLength && bits.size() < BytesNeeded(h))
        return nullptr;

    auto bitmap = std::make_shared<TBitmap>();
    bitmap->width = static_cast<std::int32_t>(h.width);
    bitmap->height = static_cast<std::int32_t>(h.rows);
    bitmap->bottomUp = h.bottomUp;
    bitmap->pixels.resize(static_cast<std::size_t>(pixels));
    if (runLength)
        DecodeRunLength(h, bits, *bitmap);
    else
        DecodeUncompressed(h, bits, *bitmap);
    budget_ -= pixels;
    return bitmap;
}

std::shared_ptr<TBitmap> TDibDecoder::DecodePacked(std::span<const std::uint8_t> packed,
                                                   std::uint32_t colorUsage) {
    std::optional<THeader> header;
    try {
        header = ReadHeader(TRecordReader(packed), colorUsage);
    } catch (const EBadRecord&) {
        return nullptr;
    }
    if (!header)
        return nullptr;
    return Decode(packed.first(header->infoEnd), packed.subspan(header->infoEnd), colorUsage);
}

} // namespace Metafile
