#include "display/ui/ScreenShot.h"

#include "protocol/ShotMessage.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QWidget>

namespace ScreenShot {

namespace {

constexpr int FirstQuality = 80;
constexpr int QualityStep = 15;

std::string Encoded(const QImage& image, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", quality);
    return bytes.toStdString();
}

} // namespace

std::string Jpeg(QWidget& window, bool screenOn) {
    const QSize size = window.size().scaled(MostSize, Qt::KeepAspectRatio).expandedTo({1, 1});
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::black);
    if (screenOn && !window.size().isEmpty()) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.scale(static_cast<double>(size.width()) / window.width(),
                      static_cast<double>(size.height()) / window.height());
        window.render(&painter);
    }
    constexpr size_t MostBytes = ShotMessage::MostParts * ShotMessage::PartBytes;
    for (int quality = FirstQuality; quality > 0; quality -= QualityStep)
        if (std::string jpeg = Encoded(image, quality); jpeg.size() <= MostBytes)
            return jpeg;
    return {};
}

} // namespace ScreenShot
