#pragma once

// Pieces the WMF and EMF readers share; not part of the metafile library's interface.

#include "metafile/MetafileTypes.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace Metafile::Detail {

[[noreturn]] void ThrowNotMetafile(const std::string& fileName);
[[noreturn]] void ThrowDamagedHeader(const std::string& fileName);
[[noreturn]] void ThrowBadRecordSize(const std::string& fileName, std::size_t offset);
[[noreturn]] void ThrowTruncated(const std::string& fileName, std::size_t offset);
[[noreturn]] void ThrowNoEndRecord(const std::string& fileName);

// Text of the ANSI records, in the program's code page (Windows-1251).
std::u16string FromAnsi(std::span<const std::uint8_t> bytes);
// Text of the wide records.
std::u16string FromUtf16Le(std::span<const std::uint8_t> bytes);
// A fixed-size name field: up to the first NUL.
std::u16string CutAtNul(std::u16string text);

// A pen as CreatePen makes it, for the pen records of both formats (not ExtCreatePen's): a pen
// wider than one logical unit keeps no dash or dot style and draws solid.
TLogPen SimplePen(std::uint32_t style, std::int32_t width, TColor color);

// Only called when the first bytes say which format it is.
TMetafile ParseWmf(std::span<const std::uint8_t> bytes, const std::string& fileName);
TMetafile ParseEmf(std::span<const std::uint8_t> bytes, const std::string& fileName);

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::uint32_t kEmfSignature = 0x464D4520; // " EMF"

} // namespace Metafile::Detail
