#include "media/MediaFile.h"

#include "platform/Descriptor.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace MediaFile {

std::optional<std::string> RefusalOf(const std::string& path) {
    if (path.empty())
        return "No file name is set";
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return std::strerror(errno);
    if (!S_ISREG(info.st_mode))
        return "It is not a regular file";
    // Non-blocking, so that a file swapped for a FIFO since the look above still cannot hang.
    const TDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!file.Valid())
        return std::strerror(errno);
    if (::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode))
        return "It is not a regular file";
    return std::nullopt;
}

} // namespace MediaFile
