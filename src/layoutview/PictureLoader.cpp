#include "layoutview/PictureLoader.h"

#include "layoutview/JpegDecoder.h"
#include "layoutview/PictureLimits.h"
#include "metafile/MetafileError.h"
#include "metafile/ui/Metafile.h"
#include "platform/FileIo.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

namespace {

// A picture file opened for reading; what is not a regular file is refused before anything
// waits on it.
class TPictureFile {
public:
    explicit TPictureFile(const QString& path) {
        std::string reason;
        descriptor_ = FileIo::OpenRegularFile(QFile::encodeName(path).toStdString(), reason);
        if (!descriptor_.Valid() ||
            !file_.open(descriptor_.Get(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
            throw EPictureError(QStringLiteral("Cannot open file \"%1\". %2")
                                    .arg(path, reason.empty() ? file_.errorString()
                                                              : QString::fromLocal8Bit(reason)));
    }

    QFile& File() { return file_; }

private:
    TDescriptor descriptor_; // outlives the file that reads through it
    QFile file_;
};

QImage ReadRaster(const QString& path, const char* format, const char* kindName) {
    TPictureFile file(path);
    // The extension decides the decoder, as it does for every other kind: a file that is not
    // what its name says is damaged, not something to be guessed at.
    QImageReader reader(&file.File(), format);
    reader.setAutoDetectImageFormat(false);
    // The header says how large the picture is; one larger than an image may be is refused
    // before it is read, and said to be too large rather than damaged.
    const QSize size = reader.size();
    if (size.isValid() && PictureLimits::TooLarge(size, reader.imageFormat()))
        throw EPictureError::TooLarge(kindName, size);
    QImage image = reader.read();
    if (image.isNull())
        throw EPictureError(QStringLiteral("%1 image is not valid").arg(kindName));
    return image;
}

QImage ReadJpeg(const QString& path) {
    TPictureFile file(path);
    // A compressed file is never larger than its pixels; one that is cannot be a sound picture
    // and is not read into memory whole.
    if (PictureLimits::TooLarge(file.File().size()))
        throw EPictureError(QStringLiteral("JPEG image is not valid (the file is too large)"));
    return DecodeJpeg(file.File().readAll());
}

[[noreturn]] void ThrowUnknownExtension(const QString& extension) {
    throw EPictureError(QStringLiteral("Unknown picture file extension (.%1)").arg(extension));
}

// Windows metafiles are drawn anew at the size they are shown, so they stay sharp.
TPicture LoadVectorPicture(const QString& path) {
    try {
        return TPicture(LoadMetafile(QFile::encodeName(path).toStdString()));
    } catch (const EMetafileError& error) {
        throw EPictureError(QString::fromUtf8(error.what()));
    }
}

} // namespace

bool TPicture::IsEmpty() const {
    return raster_.isNull() && !vector_;
}

QSizeF TPicture::Size() const {
    if (vector_)
        return vector_->FrameSize();
    return raster_.isNull() ? QSizeF() : QSizeF(raster_.size());
}

void TPicture::Draw(QPainter& painter, const QRectF& target) const {
    if (vector_) {
        painter.save();
        vector_->Play(painter, target);
        painter.restore();
    } else if (!raster_.isNull()) {
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, raster_);
        painter.restore();
    }
}

TPicture LoadPicture(const QString& path) {
    const QString extension = QFileInfo(path).suffix();
    const QString kind = extension.toLower();
    if (kind == QLatin1String("bmp"))
        return TPicture(ReadRaster(path, "bmp", "Bitmap"));
    if (kind == QLatin1String("ico"))
        return TPicture(ReadRaster(path, "ico", "Icon"));
    if (kind == QLatin1String("jpg") || kind == QLatin1String("jpeg"))
        return TPicture(ReadJpeg(path));
    if (kind == QLatin1String("wmf") || kind == QLatin1String("emf"))
        return LoadVectorPicture(path);
    ThrowUnknownExtension(extension);
}
