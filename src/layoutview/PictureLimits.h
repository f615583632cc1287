#pragma once

#include <QImage>
#include <QSize>

// The memory one picture may take: the ceiling of Qt's own image readers, so that no file makes
// one picture eat the memory, whatever decoder reads it.
namespace PictureLimits {

bool TooLarge(qint64 bytes);
// The pixels in that format (32 bits a pixel when unknown) would pass the ceiling.
bool TooLarge(QSize pixels, QImage::Format format = QImage::Format_Invalid);

} // namespace PictureLimits
