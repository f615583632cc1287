#pragma once

#include <QByteArray>
#include <QImage>

// Decodes a JPEG file's bytes with libjpeg. Throws EPictureError with libjpeg's own account of
// what is wrong when the data is not a JPEG image it can decode, or when the image is larger
// than Qt's image readers would allocate.
QImage DecodeJpeg(const QByteArray& data);
