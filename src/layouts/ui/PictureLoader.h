#pragma once

#include "layouts/metafile/ui/VectorPicture.h"

#include <QImage>
#include <QString>
#include <memory>
#include <stdexcept>

class QPainter;

// A picture that cannot be loaded; the message is UTF-8 and names what went wrong.
class EPictureError : public std::runtime_error {
public:
    explicit EPictureError(const QString& message)
        : std::runtime_error(message.toUtf8().toStdString()) {}

    // "<kind> image of <w>x<h> pixels is too large"
    static EPictureError TooLarge(const char* kindName, QSize pixels);
};

// The memory one picture may take: the ceiling of Qt's own image readers, so that no file makes
// one picture eat the memory, whatever decoder reads it.
namespace PictureLimits {

bool TooLarge(qint64 bytes);
// The pixels in that format (32 bits a pixel when unknown) would pass the ceiling.
bool TooLarge(QSize pixels, QImage::Format format = QImage::Format_Invalid);

} // namespace PictureLimits

// A loaded picture: pixels, or drawing records that are drawn anew at every size.
class TPicture {
public:
    TPicture() = default;
    explicit TPicture(QImage raster) : raster_(std::move(raster)) {}
    explicit TPicture(std::unique_ptr<TVectorPicture> vector) : vector_(std::move(vector)) {}

    bool IsEmpty() const;
    // The picture's own size in pixels; empty when there is no picture.
    QSizeF Size() const;
    // Draws the whole picture into target.
    void Draw(QPainter& painter, const QRectF& target) const;

    const QImage& Raster() const { return raster_; }
    const TVectorPicture* Vector() const { return vector_.get(); }

private:
    QImage raster_;
    std::shared_ptr<const TVectorPicture> vector_;
};

// Loads a picture file, the decoder chosen by the file name's extension: "bmp" and "ico"
// through Qt's image readers, "jpg" and "jpeg" through libjpeg. Throws EPictureError with
// "Unknown picture file extension (.%s)" for any other extension, with a file-open error naming
// the file when it cannot be opened, and with the decoder's complaint when the data is damaged.
TPicture LoadPicture(const QString& path);
