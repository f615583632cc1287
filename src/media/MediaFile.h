#pragma once

#include <optional>
#include <string>

namespace MediaFile {

// Why the file at path cannot be handed to the decoder, or nothing when it is a regular file that
// opens for reading. A FIFO, a device or a folder is refused without being opened for real, so
// nothing waits for a writer or wakes a device. The look at the file system itself can block on
// a hung mount: call this off the window thread.
std::optional<std::string> RefusalOf(const std::string& path);

} // namespace MediaFile
