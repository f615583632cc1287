#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace Metafile {

// Thrown when a record's fields reach past the record or make no sense. The parser then drops
// that record alone: its framing was sound, only its contents lie.
struct EBadRecord {};

// Little-endian reads from one record (or any byte range) where every read is checked against
// the range's end. Offsets are relative to the start of the range.
class TRecordReader {
public:
    explicit TRecordReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::size_t Size() const { return bytes_.size(); }

    // True when count bytes starting at offset lie inside the range (no overflow possible).
    bool Has(std::size_t offset, std::size_t count) const {
        return offset <= bytes_.size() && count <= bytes_.size() - offset;
    }

    std::span<const std::uint8_t> Bytes(std::size_t offset, std::size_t count) const {
        Require(offset, count);
        return bytes_.subspan(offset, count);
    }

    std::uint8_t U8(std::size_t offset) const {
        Require(offset, 1);
        return bytes_[offset];
    }
    std::uint16_t U16(std::size_t offset) const {
        Require(offset, 2);
        return static_cast<std::uint16_t>(bytes_[offset] | (bytes_[offset + 1] << 8));
    }
    std::int16_t I16(std::size_t offset) const { return static_cast<std::int16_t>(U16(offset)); }
    std::uint32_t U32(std::size_t offset) const {
        Require(offset, 4);
        return static_cast<std::uint32_t>(bytes_[offset]) |
               (static_cast<std::uint32_t>(bytes_[offset + 1]) << 8) |
               (static_cast<std::uint32_t>(bytes_[offset + 2]) << 16) |
               (static_cast<std::uint32_t>(bytes_[offset + 3]) << 24);
    }
    std::int32_t I32(std::size_t offset) const { return static_cast<std::int32_t>(U32(offset)); }
    float F32(std::size_t offset) const {
        const std::uint32_t bits = U32(offset);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

private:
    void Require(std::size_t offset, std::size_t count) const {
        if (!Has(offset, count))
            throw EBadRecord{};
    }

    std::span<const std::uint8_t> bytes_;
};

} // namespace Metafile
