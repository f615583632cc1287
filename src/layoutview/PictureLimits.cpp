#include "layoutview/PictureLimits.h"

#include <QImageReader>
#include <limits>

namespace PictureLimits {

namespace {

qint64 LimitBytes() {
    const int megabytes = QImageReader::allocationLimit();
    return megabytes > 0 ? static_cast<qint64>(megabytes) * 1024 * 1024
                         : std::numeric_limits<qint64>::max();
}

} // namespace

bool TooLarge(qint64 bytes) {
    return bytes > LimitBytes();
}

bool TooLarge(QSize pixels, QImage::Format format) {
    const int depth = format == QImage::Format_Invalid
                          ? 32
                          : static_cast<int>(QImage::toPixelFormat(format).bitsPerPixel());
    // Rows are padded to whole 32-bit words, as QImage lays them out.
    const qint64 row = (static_cast<qint64>(pixels.width()) * depth + 31) / 32 * 4;
    return TooLarge(row * pixels.height());
}

} // namespace PictureLimits
