#include "metafile/ui/Metafile.h"

#include "metafile/MetafileParser.h"
#include "metafile/ui/MetafilePlayer.h"

#include <QPainter>

TMetafilePicture::TMetafilePicture(Metafile::TMetafile file) : file_(std::move(file)) {}

QSizeF TMetafilePicture::FrameSize() const {
    return QSizeF(file_.naturalWidth, file_.naturalHeight);
}

void TMetafilePicture::Play(QPainter& painter, const QRectF& target) const {
    if (!painter.isActive() || target.isEmpty())
        return;
    Metafile::TMetafilePlayer(file_, painter, target).Play();
}

std::unique_ptr<TVectorPicture> LoadMetafile(const std::string& path) {
    return std::make_unique<TMetafilePicture>(Metafile::ReadMetafile(path));
}
