#pragma once

#include "metafile/MetafileTypes.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace Metafile {

// Files larger than this are refused before they are read: no picture for a display comes near
// it, and the commands of a larger one would take memory without bound.
constexpr std::size_t kMaxFileSize = 256u << 20;

// Reads a WMF (plain or placeable) or EMF file from memory. Records it does not know are skipped,
// and so is a record whose contents do not fit it; a file that is not a metafile, whose header is
// damaged, whose record sizes do not add up or that ends before its end-of-file record throws
// EMetafileError with a message that names fileName.
TMetafile ParseMetafile(std::span<const std::uint8_t> bytes, const std::string& fileName);

// Reads the file at path and parses it. A file that cannot be opened throws EMetafileError
// "Cannot open file "<path>". <reason>".
TMetafile ReadMetafile(const std::string& path);

// The smallest rectangle holding every coordinate the drawing commands use, or nothing when
// they use none.
std::optional<TRect> DrawingBounds(const std::vector<TCommand>& commands);

} // namespace Metafile
