#pragma once

#include <QByteArray>
#include <QImage>

// Decodes a JPEG file's bytes with libjpeg. Throws EPictureError with libjpeg's own account of
// what is wrong when the data is not a JPEG image it can decode, and with "JPEG image of WxH
// pixels is too large" when its header says it is larger than a picture may be.
QImage DecodeJpeg(const QByteArray& data);
