// The program icon and the tray menu item pictures.
#include "widgets/SkinDraw.h"
#include "widgets/SkinGlyphs.h"
#include "widgets/SkinPictures.h"
#include "widgets/SkinZones.h"

#include <QPolygonF>
#include <QRadialGradient>
#include <stdexcept>
#include <string>

namespace Skin {

namespace {

using SkinDraw::TCanvas;

// The classic sixteen colours the tray pictures are drawn in.
namespace Classic {
const QColor Black(0, 0, 0);
const QColor Maroon(128, 0, 0);
const QColor Green(0, 128, 0);
const QColor Navy(0, 0, 128);
const QColor Silver(192, 192, 192);
const QColor Red(255, 0, 0);
const QColor Lime(0, 255, 0);
const QColor Blue(0, 0, 255);
const QColor Aqua(0, 255, 255);
const QColor White(255, 255, 255);
} // namespace Classic

// The tray pictures keep to the sixteen colours at every size: shapes are drawn without
// antialiasing, with outlines of whole device pixels.
class TClassicPicture {
public:
    explicit TClassicPicture(const TDeviceGrid& grid) : c_(TrayPictureSize, grid) {
        c_.p.setRenderHint(QPainter::Antialiasing, false);
    }

    // A filled shape on the 11 x 11 design, outlined in black unless `outlined` is false.
    void Shape(const QPolygonF& shape, const QColor& fill, bool outlined = true) {
        Pen(outlined ? 1 : 0);
        c_.p.setBrush(fill);
        c_.p.drawPolygon(shape);
    }
    void Circle(QPointF centre, qreal radius, const QColor& fill, bool outlined = true) {
        Pen(outlined ? 1 : 0);
        c_.p.setBrush(fill);
        c_.p.drawEllipse(centre, radius, radius);
    }
    // A block of whole design pixels.
    void Block(const QRectF& r, const QColor& colour) { SkinDraw::FillRect(c_, r, colour); }
    void Line(QPointF a, QPointF b, const QColor& colour, qreal width) {
        c_.p.setPen(QPen(colour, c_.Line(width) / c_.Ratio(), Qt::SolidLine, Qt::SquareCap));
        c_.p.drawLine(a, b);
    }
    QPainter& Painter() { return c_.p; }
    QImage Finish() { return c_.Finish(); }

private:
    void Pen(qreal width) {
        if (width > 0)
            c_.p.setPen(QPen(Classic::Black, c_.Line(width) / c_.Ratio(), Qt::SolidLine,
                             Qt::SquareCap, Qt::MiterJoin));
        else
            c_.p.setPen(Qt::NoPen);
    }

    TCanvas c_;
};

QImage StartPicture(const TDeviceGrid& grid) {
    TClassicPicture c(grid);
    c.Shape(QPolygonF({{1.5, 1.5}, {9.5, 5.5}, {1.5, 9.5}}), Classic::Lime);
    c.Shape(QPolygonF({{5, 3.5}, {9, 5.5}, {5, 7.5}}), Classic::Green, false);
    return c.Finish();
}

QImage StopPicture(const TDeviceGrid& grid) {
    TClassicPicture c(grid);
    c.Shape(QPolygonF(QRectF(1.5, 1.5, 8, 8)), Classic::Red);
    c.Block(QRectF(2, 2, 1, 1), Classic::White);
    c.Block(QRectF(3, 8, 6, 1), Classic::Maroon);
    c.Block(QRectF(8, 5, 1, 3), Classic::Maroon);
    return c.Finish();
}

QImage WebPicture(const TDeviceGrid& grid) {
    TClassicPicture c(grid);
    const QPointF centre(5.5, 5.5);
    c.Circle(centre, 5, Classic::Blue);
    QPainter& p = c.Painter();
    p.save();
    QPainterPath globe;
    globe.addEllipse(centre, 4.5, 4.5);
    p.setClipPath(globe);
    c.Circle({3.8, 4}, 2.2, Classic::Lime, false);
    c.Circle({7.8, 7.4}, 2, Classic::Green, false);
    c.Block(QRectF(2, 1, 2, 1), Classic::Aqua);
    c.Block(QRectF(3, 9, 5, 1), Classic::Navy);
    p.restore();
    return c.Finish();
}

QImage PagePicture(const TDeviceGrid& grid) {
    TClassicPicture c(grid);
    c.Shape(QPolygonF({{1.5, 0.5}, {7.5, 0.5}, {9.5, 2.5}, {9.5, 10.5}, {1.5, 10.5}}),
            Classic::White);
    c.Shape(QPolygonF({{7.5, 0.5}, {7.5, 2.5}, {9.5, 2.5}}), Classic::Silver);
    for (const auto& [row, length] : {std::pair{4, 5}, std::pair{6, 5}, std::pair{8, 3}})
        c.Block(QRectF(3, row, length, 1), Classic::Navy);
    return c.Finish();
}

QImage ExitPicture(const TDeviceGrid& grid) {
    TClassicPicture c(grid);
    c.Circle({5.5, 5.5}, 5, Classic::Red);
    c.Block(QRectF(3, 9, 5, 1), Classic::Maroon);
    c.Line({3.5, 3.5}, {7.5, 7.5}, Classic::White, 1.5);
    c.Line({7.5, 3.5}, {3.5, 7.5}, Classic::White, 1.5);
    return c.Finish();
}

} // namespace

QImage ProgramIcon(const TDeviceGrid& grid) {
    TCanvas c(ProgramIconSize, grid);
    QPainter& p = c.p;

    // A dark blue disc, so the icon reads on light and dark panels alike.
    QRadialGradient disc(QPointF(16, 16), 15.5, QPointF(12, 9));
    disc.setColorAt(0, QColor(0x3A, 0x78, 0xC8));
    disc.setColorAt(1, QColor(0x0C, 0x30, 0x5E));
    p.setPen(QPen(QColor(0x04, 0x18, 0x34), 1.0));
    p.setBrush(disc);
    p.drawEllipse(QPointF(16, 16), 15.3, 15.3);

    // The ring that links the three monitors.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x6A, 0x30, 0x04), 3.4));
    p.drawEllipse(QPointF(16, 16.3), 10, 10);
    p.setPen(QPen(QBrush(SkinDraw::Vertical(QRectF(6, 6, 20, 21), QColor(0xFF, 0xDC, 0x6A),
                                            QColor(TitleNameColor))),
                  2.0));
    p.drawEllipse(QPointF(16, 16.3), 10, 10);

    const QColor screenTop(0x9C, 0xE0, 0xFF), screenBottom(0x1F, 0x74, 0xD0);
    SkinGlyph::Monitor(p, QRectF(9.25, 0.5, 13.5, 13.5), screenTop, screenBottom);
    SkinGlyph::Monitor(p, QRectF(0.5, 16, 13.5, 13.5), screenTop, screenBottom);
    SkinGlyph::Monitor(p, QRectF(18, 16, 13.5, 13.5), screenTop, screenBottom);
    return c.Finish();
}

QImage TrayMenuPicture(int item, const TDeviceGrid& grid) {
    switch (item) {
    case 1:
        return StartPicture(grid);
    case 2:
        return StopPicture(grid);
    case 3:
        return WebPicture(grid);
    case 4:
        return PagePicture(grid);
    case 5:
        return ExitPicture(grid);
    default:
        throw std::out_of_range("Picture index out of range (" + std::to_string(item) + ")");
    }
}

} // namespace Skin
