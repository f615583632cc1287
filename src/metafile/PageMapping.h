#pragma once

#include "metafile/MetafileTypes.h"

namespace Metafile {

// page = logical * scale + offset, per axis.
struct TAxisMapping {
    double scaleX = 1, scaleY = 1, offsetX = 0, offsetY = 0;
};

// The device context's mapping from page space (logical units after the world transform) to the
// reference device: mapping mode, window and viewport origins and extents, as GDI keeps them.
class TPageMapping {
public:
    TPageMapping() = default;
    explicit TPageMapping(const TMetafile& file);

    void SetMapMode(std::uint32_t mode);
    // Extents of 0, and scalings that would make one 0, are refused as GDI refuses them.
    void Apply(const TMappingOp& op);

    TAxisMapping ToDevice() const;

    std::uint32_t MapMode() const { return mapMode_; }
    TPoint WindowOrg() const { return windowOrg_; }
    TPoint WindowExt() const { return windowExt_; }
    TPoint ViewportOrg() const { return viewportOrg_; }
    TPoint ViewportExt() const { return viewportExt_; }

private:
    std::uint32_t mapMode_ = MM_TEXT;
    TPoint windowOrg_, windowExt_{1, 1}, viewportOrg_, viewportExt_{1, 1};
    double pixelsPerMmX_ = 96.0 / 25.4, pixelsPerMmY_ = 96.0 / 25.4;
};

} // namespace Metafile
