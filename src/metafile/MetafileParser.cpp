#include "metafile/MetafileParser.h"

#include "metafile/MetafileError.h"
#include "metafile/ParserSupport.h"
#include "metafile/RecordReader.h"
#include "platform/CodePage1251.h"
#include "platform/Descriptor.h"
#include "platform/FileIo.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <type_traits>
#include <unistd.h>

namespace Metafile {

namespace Detail {

void ThrowNotMetafile(const std::string& fileName) {
    throw EMetafileError("File \"" + fileName + "\" is not a Windows metafile");
}

void ThrowDamagedHeader(const std::string& fileName) {
    throw EMetafileError("Metafile \"" + fileName + "\" has a damaged header");
}

void ThrowBadRecordSize(const std::string& fileName, std::size_t offset) {
    throw EMetafileError("Metafile \"" + fileName + "\" is damaged: the record at offset " +
                         std::to_string(offset) + " has an impossible size");
}

void ThrowTruncated(const std::string& fileName, std::size_t offset) {
    throw EMetafileError("Metafile \"" + fileName + "\" is truncated: the record at offset " +
                         std::to_string(offset) + " runs past the end of the file");
}

void ThrowNoEndRecord(const std::string& fileName) {
    throw EMetafileError("Metafile \"" + fileName +
                         "\" is truncated: it ends without an end-of-file record");
}

std::u16string FromAnsi(std::span<const std::uint8_t> bytes) {
    std::u16string text;
    text.reserve(bytes.size());
    // Every Windows-1251 character lies in the Basic Multilingual Plane.
    for (const std::uint8_t b : bytes)
        text.push_back(static_cast<char16_t>(CodePage1251::ToUnicode(b)));
    return text;
}

std::u16string FromUtf16Le(std::span<const std::uint8_t> bytes) {
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    return text;
}

std::u16string CutAtNul(std::u16string text) {
    const auto nul = text.find(u'\0');
    if (nul != std::u16string::npos)
        text.resize(nul);
    return text;
}

TLogPen SimplePen(std::uint32_t style, std::int32_t width, TColor color) {
    const std::uint32_t kind = style & PS_STYLE_MASK;
    const bool dashed = kind >= PS_DASH && kind <= PS_DASHDOTDOT;
    if (dashed && (width > 1 || width < -1))
        style = (style & ~PS_STYLE_MASK) | PS_SOLID;
    return TLogPen{style, width, color, {}};
}

} // namespace Detail

namespace {

[[noreturn]] void ThrowCannotOpen(const std::string& path, const std::string& reason) {
    throw EMetafileError("Cannot open file \"" + path + "\". " + reason);
}

[[noreturn]] void ThrowCannotOpen(const std::string& path, int error) {
    ThrowCannotOpen(path, std::generic_category().message(error));
}

} // namespace

TMetafile ParseMetafile(std::span<const std::uint8_t> bytes, const std::string& fileName) {
    const TRecordReader in(bytes);
    if (!in.Has(0, 4))
        Detail::ThrowNotMetafile(fileName);
    const std::uint32_t first = in.U32(0);
    if (first == Detail::kPlaceableKey)
        return Detail::ParseWmf(bytes, fileName);
    // An EMF starts with its header record (type 1) and carries a signature inside it.
    if (first == 1 && in.Has(40, 4) && in.U32(40) == Detail::kEmfSignature)
        return Detail::ParseEmf(bytes, fileName);
    // A WMF header: type 1 (memory) or 2 (disk), then its own size, 9 words.
    const std::uint16_t type = in.U16(0);
    if ((type == 1 || type == 2) && in.U16(2) == 9)
        return Detail::ParseWmf(bytes, fileName);
    Detail::ThrowNotMetafile(fileName);
}

TMetafile ReadMetafile(const std::string& path) {
    std::string reason;
    const TDescriptor fd = FileIo::OpenRegularFile(path, reason);
    if (!fd.Valid())
        ThrowCannotOpen(path, reason);
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0)
        ThrowCannotOpen(path, errno);
    if (static_cast<std::uint64_t>(info.st_size) > kMaxFileSize)
        throw EMetafileError("Metafile \"" + path +
                             "\" is too large: " + std::to_string(info.st_size) + " bytes");

    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ThrowCannotOpen(path, errno);
        }
        if (n == 0)
            break;
        if (bytes.size() + static_cast<std::size_t>(n) > kMaxFileSize)
            throw EMetafileError("Metafile \"" + path + "\" is too large");
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    return ParseMetafile(bytes, path);
}

std::optional<TRect> DrawingBounds(const std::vector<TCommand>& commands) {
    std::optional<TRect> bounds;
    auto add = [&](TPoint p) {
        if (!bounds) {
            bounds = TRect{p.x, p.y, p.x, p.y};
            return;
        }
        bounds->left = std::min(bounds->left, p.x);
        bounds->top = std::min(bounds->top, p.y);
        bounds->right = std::max(bounds->right, p.x);
        bounds->bottom = std::max(bounds->bottom, p.y);
    };
    auto addRect = [&](const TRect& r) {
        add({r.left, r.top});
        add({r.right, r.bottom});
    };
    auto addSized = [&](std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
        add({x, y});
        add({static_cast<std::int32_t>(
                 std::clamp<std::int64_t>(std::int64_t{x} + w, INT32_MIN, INT32_MAX)),
             static_cast<std::int32_t>(
                 std::clamp<std::int64_t>(std::int64_t{y} + h, INT32_MIN, INT32_MAX))});
    };
    for (const TCommand& command : commands) {
        std::visit(
            [&](const auto& c) {
                using T = std::decay_t<decltype(c)>;
                if constexpr (std::is_same_v<T, TMoveTo> || std::is_same_v<T, TLineTo> ||
                              std::is_same_v<T, TSetPixel>) {
                    add(c.point);
                } else if constexpr (std::is_same_v<T, TPoly>) {
                    for (const auto& figure : c.figures)
                        for (const TPoint& p : figure)
                            add(p);
                } else if constexpr (std::is_same_v<T, TPolyDraw>) {
                    for (const TPoint& p : c.points)
                        add(p);
                } else if constexpr (std::is_same_v<T, TGradientFill>) {
                    for (const auto& vertex : c.vertices)
                        add(vertex.point);
                } else if constexpr (std::is_same_v<T, TAngleArc>) {
                    const auto radius = static_cast<std::int32_t>(std::min(c.radius, 1e9));
                    addSized(c.center.x, c.center.y, radius, radius);
                    addSized(c.center.x, c.center.y, -radius, -radius);
                } else if constexpr (std::is_same_v<T, TShape> || std::is_same_v<T, TArc>) {
                    addRect(c.box);
                } else if constexpr (std::is_same_v<T, TText>) {
                    add(c.reference);
                } else if constexpr (std::is_same_v<T, TBlit>) {
                    addSized(c.x, c.y, c.width, c.height);
                }
            },
            command);
    }
    return bounds;
}

} // namespace Metafile
