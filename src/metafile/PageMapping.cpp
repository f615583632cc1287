#include "metafile/PageMapping.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace Metafile {

namespace {

std::int32_t Saturate(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// ext * num / den, or nothing when that is not a usable extent.
bool Scale(std::int32_t& ext, std::int32_t num, std::int32_t den) {
    if (den == 0)
        return false;
    const std::int32_t scaled = Saturate(std::int64_t{ext} * num / den);
    if (scaled == 0)
        return false;
    ext = scaled;
    return true;
}

} // namespace

TPageMapping::TPageMapping(const TMetafile& file)
    : mapMode_(file.initialMapMode), windowOrg_(file.initialWindowOrg),
      windowExt_(file.initialWindowExt), viewportOrg_(file.initialViewportOrg),
      viewportExt_(file.initialViewportExt), pixelsPerMmX_(file.devicePixelsPerMmX),
      pixelsPerMmY_(file.devicePixelsPerMmY) {}

void TPageMapping::SetMapMode(std::uint32_t mode) {
    if (mode >= MM_TEXT && mode <= MM_ANISOTROPIC)
        mapMode_ = mode;
}

void TPageMapping::Apply(const TMappingOp& op) {
    using EKind = TMappingOp::EKind;
    switch (op.kind) {
    case EKind::SetWindowOrg:
        windowOrg_ = {op.a, op.b};
        break;
    case EKind::SetViewportOrg:
        viewportOrg_ = {op.a, op.b};
        break;
    case EKind::OffsetWindowOrg:
        windowOrg_ = {Saturate(std::int64_t{windowOrg_.x} + op.a),
                      Saturate(std::int64_t{windowOrg_.y} + op.b)};
        break;
    case EKind::OffsetViewportOrg:
        viewportOrg_ = {Saturate(std::int64_t{viewportOrg_.x} + op.a),
                        Saturate(std::int64_t{viewportOrg_.y} + op.b)};
        break;
    case EKind::SetWindowExt:
        if (op.a != 0 && op.b != 0)
            windowExt_ = {op.a, op.b};
        break;
    case EKind::SetViewportExt:
        if (op.a != 0 && op.b != 0)
            viewportExt_ = {op.a, op.b};
        break;
    case EKind::ScaleWindowExt:
    case EKind::ScaleViewportExt: {
        TPoint& ext = op.kind == EKind::ScaleWindowExt ? windowExt_ : viewportExt_;
        TPoint scaled = ext;
        if (Scale(scaled.x, op.a, op.b) && Scale(scaled.y, op.c, op.d))
            ext = scaled;
        break;
    }
    }
}

TAxisMapping TPageMapping::ToDevice() const {
    TAxisMapping m;
    // Millimetres per logical unit of the fixed-size modes; their y axis points up.
    double mm = 0;
    switch (mapMode_) {
    case MM_LOMETRIC:
        mm = 0.1;
        break;
    case MM_HIMETRIC:
        mm = 0.01;
        break;
    case MM_LOENGLISH:
        mm = 0.254;
        break;
    case MM_HIENGLISH:
        mm = 0.0254;
        break;
    case MM_TWIPS:
        mm = 25.4 / 1440;
        break;
    case MM_ISOTROPIC:
    case MM_ANISOTROPIC:
        m.scaleX = static_cast<double>(viewportExt_.x) / windowExt_.x;
        m.scaleY = static_cast<double>(viewportExt_.y) / windowExt_.y;
        if (mapMode_ == MM_ISOTROPIC) {
            // Equal units on both axes: the viewport shrinks along the axis that would stretch.
            const double unit = std::min(std::fabs(m.scaleX), std::fabs(m.scaleY));
            m.scaleX = std::copysign(unit, m.scaleX);
            m.scaleY = std::copysign(unit, m.scaleY);
        }
        break;
    default: // MM_TEXT
        break;
    }
    if (mm != 0) {
        m.scaleX = mm * pixelsPerMmX_;
        m.scaleY = -mm * pixelsPerMmY_;
    }
    m.offsetX = viewportOrg_.x - windowOrg_.x * m.scaleX;
    m.offsetY = viewportOrg_.y - windowOrg_.y * m.scaleY;
    return m;
}

} // namespace Metafile
