#include "widgets/DevicePixels.h"

#include "common/QtPrint.h"
#include "widgets/DrawnPicture.h"
#include "widgets/SkinPictures.h"

#include <QPainter>
#include <QTransform>
#include <gtest/gtest.h>

namespace {

const qreal Ratios[] = {1, 1.25, 1.5, 1.75, 2};

// The grid of a place in a window, as a widget there paints on it.
TDeviceGrid At(qreal ratio, QPoint place) {
    return TDeviceGrid(ratio, QPointF(place) * ratio);
}

TEST(DeviceGrid, EdgesRoundAsTheWindowSystemRoundsThem) {
    // 702 x 1.25 = 877.5 rounds up, as a widget's clip does; 27.5 pixels wide becomes 27 or 28
    // whole pixels depending on where the picture stands.
    const TDeviceGrid window(1.25);
    EXPECT_EQ(window.Map(QRectF(702, 5, 22, 23)), QRect(878, 6, 27, 29));
    EXPECT_EQ(At(1.25, {702, 5}).Extent(QSize(22, 23)), QSize(27, 29));
    EXPECT_EQ(At(1.25, {704, 5}).Extent(QSize(22, 23)), QSize(28, 29));
    EXPECT_EQ(At(1.25, {704, 6}).Extent(QSize(22, 23)), QSize(28, 28));
    EXPECT_EQ(At(1.25, {702, 5}).Origin(), QPoint(878, 6));
    EXPECT_EQ(TDeviceGrid(1.5).Extent(QSize(22, 23)), QSize(33, 35));
    EXPECT_EQ(TDeviceGrid(2).Extent(QSize(22, 23)), QSize(44, 46));
}

TEST(DeviceGrid, WhatMeetsInLogicalPixelsMeetsInDevicePixels) {
    for (const qreal ratio : Ratios)
        for (int left = 0; left < 8; ++left) {
            // The language control: arrow, field, arrow, side by side.
            const QRect arrow = At(ratio, {left, 3})
                                    .Map(QRectF(0, 0, 17, 21))
                                    .translated(At(ratio, {left, 3}).Origin());
            const TDeviceGrid fieldGrid = At(ratio, {left + 17, 3});
            const QRect field = fieldGrid.Map(QRectF(0, 0, 63, 21)).translated(fieldGrid.Origin());
            EXPECT_EQ(arrow.right() + 1, field.left()) << ratio << " at " << left;
            EXPECT_EQ(arrow.top(), field.top());
            EXPECT_EQ(arrow.height(), field.height());
            // A picture's local grid gives the same extent as its place in the window.
            EXPECT_EQ(fieldGrid.Local().Extent(QSize(63, 21)), field.size());
            EXPECT_EQ(fieldGrid.Local().Origin(), QPoint(0, 0));
        }
}

TEST(DeviceGrid, LinesTakeWholeDevicePixels) {
    EXPECT_EQ(TDeviceGrid(1).Line(), 1);
    EXPECT_EQ(TDeviceGrid(1.25).Line(), 1);
    EXPECT_EQ(TDeviceGrid(1.5).Line(), 2);
    EXPECT_EQ(TDeviceGrid(2).Line(), 2);
    EXPECT_EQ(TDeviceGrid(2).Line(1.5), 3);
    EXPECT_EQ(TDeviceGrid(0.5).Line(), 1) << "never thinner than a pixel";
}

// The window's outline as the window system cuts it: Qt hands the mask to the X server with each
// rectangle's corners scaled and rounded, and the rim of the window face is drawn on that.
TEST(DeviceGrid, RegionsMapAsTheWindowSystemMapsAMask) {
    for (const qreal ratio : Ratios)
        EXPECT_EQ(TDeviceGrid(ratio).MapRegion(Skin::WindowOutline()),
                  QTransform::fromScale(ratio, ratio).map(Skin::WindowOutline()))
            << ratio;
}

TEST(DevicePainting, PaintsOnTheDevicePixelsOfThePainter) {
    // An image of 1.5 device pixels per logical pixel, painted at a logical place that falls
    // between two device pixels.
    QImage image(60, 30, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setDevicePixelRatio(1.5);
    QPainter p(&image);
    p.translate(5, 3);
    {
        const TDevicePainting device(p);
        EXPECT_EQ(device.Grid().Ratio(), 1.5);
        EXPECT_EQ(device.Grid().Origin(), QPoint(8, 5)) << "7.5 and 4.5 round up";
        const QRect target = device.Map(QRectF(0, 0, 10, 4));
        EXPECT_EQ(target, QRect(8, 5, 15, 6));
        p.fillRect(target, Qt::black);
    }
    p.fillRect(QRectF(10, 0, 1, 1), Qt::red); // the logical pixels are back
    p.end();
    EXPECT_EQ(image.pixelColor(8, 5), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(22, 10), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(7, 5), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(23, 10), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(23, 5), QColor(Qt::red));
}

TEST(DrawnPicture, IsDrawnOnceForEachLocalGridAtItsDevicePixels) {
    int draws = 0;
    const TDrawnPicture picture(QSize(22, 23), [&draws](const TDeviceGrid& grid) {
        ++draws;
        QImage image(grid.Extent(QSize(22, 23)), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::blue);
        return image;
    });
    const QPixmap at702 = picture.Pixmap(At(1.25, {702, 5}));
    EXPECT_EQ(at702.size(), QSize(27, 29));
    EXPECT_EQ(at702.devicePixelRatio(), 1.25);
    // 726 x 1.25 = 907.5: the same place between pixels, the same picture.
    EXPECT_EQ(picture.Pixmap(At(1.25, {726, 5})).cacheKey(), at702.cacheKey());
    EXPECT_EQ(draws, 1);
    EXPECT_EQ(picture.Pixmap(At(1.25, {704, 5})).size(), QSize(28, 29));
    EXPECT_EQ(picture.Pixmap(TDeviceGrid(2)).size(), QSize(44, 46));
    EXPECT_EQ(draws, 3);
    // A copy shares what has been drawn.
    const TDrawnPicture copy = picture;
    EXPECT_TRUE(copy == picture);
    (void)copy.Pixmap(TDeviceGrid(2));
    EXPECT_EQ(draws, 3);
    // A screen after screen of other ratios: the oldest drawings go, the picture still comes.
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(picture.Pixmap(TDeviceGrid(1 + i / 8.0)).devicePixelRatio(), 1 + i / 8.0);
}

TEST(DrawnPicture, ABitmapKeepsItsPixelsAtItsOwnRatioAndScalesElsewhere) {
    QImage image(6, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    image.setPixelColor(5, 2, Qt::green);
    const TDrawnPicture picture = TDrawnPicture::FromImage(image);
    EXPECT_EQ(picture.Size(), QSize(6, 3));
    EXPECT_EQ(picture.Image(TDeviceGrid()), image);
    const QImage twice = picture.Image(TDeviceGrid(2));
    EXPECT_EQ(twice.size(), QSize(12, 6));
    EXPECT_EQ(twice.pixelColor(11, 5), QColor(Qt::green));
    EXPECT_EQ(twice.pixelColor(9, 3), QColor(Qt::red));
    EXPECT_TRUE(TDrawnPicture().Pixmap(TDeviceGrid(2)).isNull());
}

TEST(DrawnPicture, AnIconIsDrawnAtThePixelsAskedFor) {
    const QIcon icon = Skin::DesktopIcon();
    for (const int side : {16, 22, 32, 48, 64}) {
        const QPixmap pixmap = icon.pixmap(QSize(side, side), 1.0);
        EXPECT_EQ(pixmap.size(), QSize(side, side));
        EXPECT_EQ(pixmap.toImage().pixelColor(side / 2, side / 2).alpha(), 255) << side;
    }
    // At a device pixel ratio the icon is drawn at the device's pixels, not scaled up.
    const QPixmap sharp = icon.pixmap(QSize(32, 32), 2.0);
    EXPECT_EQ(sharp.size(), QSize(64, 64));
    EXPECT_EQ(sharp.toImage(),
              Skin::ProgramIcon(TDeviceGrid(2)).convertToFormat(sharp.toImage().format()));
    EXPECT_TRUE(icon.availableSizes().contains(QSize(22, 22)));
}

} // namespace
