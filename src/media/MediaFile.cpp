#include "media/MediaFile.h"

#include "platform/FileIo.h"

namespace MediaFile {

std::optional<std::string> RefusalOf(const std::string& path) {
    if (path.empty())
        return "No file name is set";
    std::string reason;
    if (!FileIo::OpenRegularFile(path, reason).Valid())
        return reason;
    return std::nullopt;
}

} // namespace MediaFile
