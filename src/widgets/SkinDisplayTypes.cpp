// The display type pictures: a small monitor showing the arrangement of each display type.
#include "widgets/SkinDraw.h"
#include "widgets/SkinGlyphs.h"
#include "widgets/SkinPictures.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace Skin {

namespace {

using SkinDraw::FillRect;
using SkinDraw::TCanvas;
using SkinDraw::Vertical;

constexpr int kStrip = 10;  // top and bottom text strips
constexpr int kColumn = 24; // right column of four texts
constexpr int kGap = 1;

struct TArrangement {
    bool top = false;
    bool column = false;
    bool bottom = false;
    bool video = false; // otherwise a picture
};

TArrangement ArrangementOf(int type) {
    TArrangement a;
    const int shape = (type - 1) % 4; // 0: main only, 1: + top, 2: + column, 3: + bottom
    a.video = type <= 4;
    a.top = shape >= 1;
    a.column = shape >= 2;
    a.bottom = shape >= 3;
    return a;
}

void TextStrip(TCanvas& c, const QRectF& r) {
    FillRect(c, r, QColor(0x48, 0x82, 0xCC), QColor(0x2A, 0x5A, 0x9C));
    QPainter& p = c.p;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 215));
    const qreal h = 2.6;
    const QRectF line(r.left() + r.width() * 0.18, r.center().y() - h / 2, r.width() * 0.64, h);
    p.drawRoundedRect(line, 1, 1);
}

void TextColumn(TCanvas& c, const QRectF& r) {
    const qreal height = (r.height() - 3 * kGap) / 4;
    for (int i = 0; i < 4; ++i) {
        const QRectF cell(r.left(), r.top() + i * (height + kGap), r.width(), height);
        FillRect(c, cell, QColor(0x44, 0x7C, 0xC4), QColor(0x2C, 0x5E, 0xA2));
        c.p.setPen(Qt::NoPen);
        c.p.setBrush(QColor(255, 255, 255, 200));
        const qreal w = cell.width() * (i % 2 == 0 ? 0.66 : 0.5);
        c.p.drawRoundedRect(QRectF(cell.left() + 4, cell.center().y() - 1.1, w, 2.2), 1, 1);
    }
}

void VideoArea(TCanvas& c, const QRectF& r) {
    FillRect(c, r, QColor(0x1A, 0x2C, 0x48), QColor(0x09, 0x12, 0x22));
    const qreal side = std::min(r.width(), r.height()) * 0.82;
    SkinGlyph::Film(c.p, QRectF(r.center().x() - side / 2, r.center().y() - side / 2, side, side));
}

void PictureArea(TCanvas& c, const QRectF& r) {
    FillRect(c, r, QColor(0x4E, 0xA8, 0xF4), QColor(0xD4, 0xEE, 0xFF));
    QPainter& p = c.p;
    p.save();
    // The landscape ends where the area's device pixels end.
    c.InDevicePixels();
    p.setClipRect(c.Map(r));
    c.InLogicalPixels();
    p.setPen(Qt::NoPen);
    const auto at = [&r](qreal fx, qreal fy) {
        return QPointF(r.left() + r.width() * fx, r.top() + r.height() * fy);
    };
    p.setBrush(QColor(0xFF, 0xD8, 0x48));
    const qreal sun = r.height() * 0.13;
    p.drawEllipse(at(0.76, 0.28), sun, sun);
    QPainterPath far;
    far.moveTo(at(0, 1));
    far.lineTo(at(0, 0.72));
    far.lineTo(at(0.3, 0.38));
    far.lineTo(at(0.52, 0.64));
    far.lineTo(at(0.7, 0.46));
    far.lineTo(at(1, 0.78));
    far.lineTo(at(1, 1));
    far.closeSubpath();
    p.setBrush(Vertical(r, QColor(0x7C, 0x9C, 0xC8), QColor(0x45, 0x62, 0x8C)));
    p.drawPath(far);
    QPainterPath hills;
    hills.moveTo(at(0, 1));
    hills.lineTo(at(0, 0.82));
    hills.quadTo(at(0.3, 0.62), at(0.6, 0.84));
    hills.quadTo(at(0.8, 0.7), at(1, 0.8));
    hills.lineTo(at(1, 1));
    hills.closeSubpath();
    p.setBrush(Vertical(r, QColor(0x78, 0xD0, 0x5E), QColor(0x2C, 0x7A, 0x30)));
    p.drawPath(hills);
    p.restore();
}

void EmptyScreen(TCanvas& c, const QRectF& r) {
    FillRect(c, r, QColor(0x26, 0x30, 0x42), QColor(0x0E, 0x13, 0x1C));
    QPainter& p = c.p;
    // A faint dashed placeholder: nothing is assigned to this display.
    QPen dash(QColor(255, 255, 255, 70), 1.0, Qt::DashLine);
    p.setPen(dash);
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(22.5, 16.5, -22.5, -16.5), 3, 3);
    p.setPen(QPen(QColor(255, 255, 255, 90), 1.6, Qt::SolidLine, Qt::RoundCap));
    const QPointF centre = r.center();
    p.drawLine(centre + QPointF(-5, 0), centre + QPointF(5, 0));
}

} // namespace

QImage DisplayTypePicture(int type, const TDeviceGrid& grid) {
    if (type < 0 || type >= DisplayPictureCount)
        throw std::out_of_range("Picture index out of range (" + std::to_string(type) + ")");
    TCanvas c(DisplayPictureSize, grid);
    QPainter& p = c.p;

    // The monitor: a dark bezel with a slightly thicker chin and a power light.
    SkinDraw::Tile(c, QRectF(QPointF(), DisplayPictureSize), 4,
                   {QColor(0x58, 0x64, 0x7A), QColor(0x1A, 0x1F, 0x28), QColor(0x05, 0x08, 0x0D),
                    1.0, 45, 60});
    p.setPen(Qt::NoPen);
    p.setBrush(type == 0 ? QColor(0x80, 0x88, 0x94) : QColor(0x5C, 0xE0, 0x6C));
    p.drawEllipse(QPointF(88, 67.5), 1.4, 1.4);

    const QRectF screen(4, 4, 88, 60);
    FillRect(c, screen, QColor(0x05, 0x0A, 0x12));

    if (type == 0) {
        EmptyScreen(c, screen);
    } else {
        const TArrangement a = ArrangementOf(type);
        QRectF main = screen;
        if (a.top) {
            TextStrip(c, QRectF(screen.left(), screen.top(), screen.width(), kStrip));
            main.setTop(screen.top() + kStrip + kGap);
        }
        if (a.bottom) {
            TextStrip(c, QRectF(screen.left(), screen.bottom() - kStrip, screen.width(), kStrip));
            main.setBottom(screen.bottom() - kStrip - kGap);
        }
        if (a.column) {
            TextColumn(c, QRectF(screen.right() - kColumn, main.top(), kColumn, main.height()));
            main.setRight(screen.right() - kColumn - kGap);
        }
        if (a.video)
            VideoArea(c, main);
        else
            PictureArea(c, main);
    }

    // Glass: a faint diagonal reflection over the whole screen, cut at its device pixels.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 22));
    const QRect glass = c.Map(screen);
    c.InDevicePixels();
    QPainterPath glare;
    glare.moveTo(glass.topLeft());
    glare.lineTo(glass.left() + glass.width() * 0.55, glass.top());
    glare.lineTo(glass.left() + glass.width() * 0.3, glass.top() + glass.height());
    glare.lineTo(glass.left(), glass.top() + glass.height());
    glare.closeSubpath();
    p.drawPath(glare);
    return c.Finish();
}

} // namespace Skin
