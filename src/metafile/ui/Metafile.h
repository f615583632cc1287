#pragma once

#include "metafile/MetafileError.h"
#include "metafile/MetafileTypes.h"
#include "metafile/ui/VectorPicture.h"

#include <memory>
#include <string>

// A loaded Windows metafile, drawn anew at whatever size it is shown.
class TMetafilePicture : public TVectorPicture {
public:
    explicit TMetafilePicture(Metafile::TMetafile file);

    QSizeF FrameSize() const override;
    void Play(QPainter& painter, const QRectF& target) const override;

    const Metafile::TMetafile& File() const { return file_; }

private:
    Metafile::TMetafile file_;
};

// Loads a WMF (plain or placeable) or EMF file. Throws EMetafileError, naming the file, when it
// cannot be opened ("Cannot open file "<path>". <reason>"), is not a metafile, or is damaged.
std::unique_ptr<TVectorPicture> LoadMetafile(const std::string& path);
