#include "layoutview/PictureError.h"

EPictureError EPictureError::TooLarge(const char* kindName, QSize pixels) {
    return EPictureError(QStringLiteral("%1 image of %2x%3 pixels is too large")
                             .arg(QString::fromLatin1(kindName))
                             .arg(pixels.width())
                             .arg(pixels.height()));
}
