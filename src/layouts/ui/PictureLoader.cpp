#include "layouts/ui/PictureLoader.h"

#include "layouts/metafile/MetafileError.h"
#include "layouts/metafile/ui/Metafile.h"
#include "layouts/ui/JpegDecoder.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

namespace {

QString FileOpenMessage(const QString& path, const QFile& file) {
    return QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString());
}

QImage ReadRaster(const QString& path, const char* format, const char* kindName) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EPictureError(FileOpenMessage(path, file));
    // The extension decides the decoder, as it does for every other kind: a file that is not
    // what its name says is damaged, not something to be guessed at.
    QImageReader reader(&file, format);
    reader.setAutoDetectImageFormat(false);
    QImage image = reader.read();
    if (image.isNull())
        throw EPictureError(QStringLiteral("%1 image is not valid").arg(kindName));
    return image;
}

QImage ReadJpeg(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EPictureError(FileOpenMessage(path, file));
    // A compressed file is never larger than its pixels; one that is cannot be a sound picture
    // and is not read into memory whole.
    const int limitMegabytes = QImageReader::allocationLimit();
    if (limitMegabytes > 0 && file.size() > static_cast<qint64>(limitMegabytes) * 1024 * 1024)
        throw EPictureError(QStringLiteral("JPEG image is not valid (the file is too large)"));
    return DecodeJpeg(file.readAll());
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
