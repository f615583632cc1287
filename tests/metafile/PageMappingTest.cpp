#include "metafile/PageMapping.h"

#include <gtest/gtest.h>

using namespace Metafile;

namespace {

TMetafile Device(double pixelsPerMm) {
    TMetafile file;
    file.devicePixelsPerMmX = file.devicePixelsPerMmY = pixelsPerMm;
    return file;
}

// Where a logical point lands on the device.
std::pair<double, double> Map(const TPageMapping& mapping, double x, double y) {
    const TAxisMapping m = mapping.ToDevice();
    return {x * m.scaleX + m.offsetX, y * m.scaleY + m.offsetY};
}

using EKind = TMappingOp::EKind;

} // namespace

TEST(PageMapping, TextModeMovesByTheOriginsOnly) {
    TPageMapping mapping(Device(4));
    mapping.Apply({EKind::SetWindowOrg, 10, 20});
    mapping.Apply({EKind::SetViewportOrg, 1, 2});
    mapping.Apply({EKind::SetWindowExt, 1000, 1000}); // ignored in MM_TEXT
    EXPECT_EQ(Map(mapping, 10, 20), std::make_pair(1.0, 2.0));
    EXPECT_EQ(Map(mapping, 15, 20), std::make_pair(6.0, 2.0));
}

TEST(PageMapping, AnisotropicMapsTheWindowOntoTheViewport) {
    TPageMapping mapping(Device(4));
    mapping.SetMapMode(MM_ANISOTROPIC);
    mapping.Apply({EKind::SetWindowOrg, 100, 100});
    mapping.Apply({EKind::SetWindowExt, 200, -100});
    mapping.Apply({EKind::SetViewportExt, 100, 100});
    EXPECT_EQ(Map(mapping, 100, 100), std::make_pair(0.0, 0.0));
    EXPECT_EQ(Map(mapping, 300, 0), std::make_pair(100.0, 100.0));

    mapping.Apply({EKind::OffsetWindowOrg, -100, 0});
    EXPECT_EQ(Map(mapping, 0, 100), std::make_pair(0.0, 0.0));
    mapping.Apply({EKind::ScaleWindowExt, 1, 2, 1, 1}); // window 100 wide: twice the scale
    EXPECT_EQ(Map(mapping, 50, 100), std::make_pair(50.0, 0.0));
}

TEST(PageMapping, IsotropicKeepsUnitsEqual) {
    TPageMapping mapping(Device(4));
    mapping.SetMapMode(MM_ISOTROPIC);
    mapping.Apply({EKind::SetWindowExt, 100, 100});
    mapping.Apply({EKind::SetViewportExt, 400, -200});
    const TAxisMapping m = mapping.ToDevice();
    EXPECT_DOUBLE_EQ(m.scaleX, 2);
    EXPECT_DOUBLE_EQ(m.scaleY, -2);
}

TEST(PageMapping, MetricAndEnglishModesUseTheDeviceResolutionWithYUp) {
    TPageMapping mapping(Device(4));
    mapping.SetMapMode(MM_LOMETRIC);
    EXPECT_EQ(Map(mapping, 100, 100), std::make_pair(40.0, -40.0));
    mapping.SetMapMode(MM_HIMETRIC);
    EXPECT_EQ(Map(mapping, 1000, -1000), std::make_pair(40.0, 40.0));
    mapping.SetMapMode(MM_TWIPS);
    const auto [x, y] = Map(mapping, 1440, 0);
    EXPECT_NEAR(x, 25.4 * 4, 1e-9);
    mapping.SetMapMode(99); // not a mode: unchanged
    EXPECT_EQ(mapping.MapMode(), MM_TWIPS);
}

TEST(PageMapping, ExtentsThatWouldDivideByZeroAreRefused) {
    TPageMapping mapping(Device(4));
    mapping.SetMapMode(MM_ANISOTROPIC);
    mapping.Apply({EKind::SetWindowExt, 50, 50});
    mapping.Apply({EKind::SetWindowExt, 0, 10});
    mapping.Apply({EKind::ScaleWindowExt, 1, 0, 1, 1});
    mapping.Apply({EKind::ScaleWindowExt, 1, 100, 1, 1});          // would give 0
    mapping.Apply({EKind::ScaleViewportExt, 0x7FFFFFFF, 1, 1, 1}); // saturates, stays usable
    EXPECT_EQ(mapping.WindowExt().x, 50);
    EXPECT_EQ(mapping.WindowExt().y, 50);
    EXPECT_EQ(mapping.ViewportExt().x, 0x7FFFFFFF);
}
