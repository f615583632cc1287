#pragma once

#include "layoutview/PictureError.h"
#include "metafile/ui/VectorPicture.h"

#include <QImage>
#include <QString>
#include <memory>

class QPainter;

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
