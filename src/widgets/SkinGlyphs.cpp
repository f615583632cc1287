#include "widgets/SkinGlyphs.h"

#include "SkinStyle.h"
#include "widgets/SkinDraw.h"
#include "widgets/SkinZones.h"

#include <QFont>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <numbers>

namespace SkinGlyph {

using SkinDraw::TGrid;
using SkinDraw::Vertical;

namespace {

const QColor kOutline(20, 35, 61, 235);
const QColor kWhite(255, 255, 255);
const QColor kPaper(0xE3, 0xEA, 0xF3);
const QColor kInk(0x4F, 0x74, 0xA8);

QPen OutlinePen(qreal width) {
    return QPen(kOutline, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// Fills a path with a vertical gradient over its own bounds and rims it.
void Fill(QPainter& p, const QPainterPath& path, const QColor& top, const QColor& bottom,
          qreal outline = 0.9) {
    p.setPen(outline > 0 ? OutlinePen(outline) : QPen(Qt::NoPen));
    p.setBrush(Vertical(path.boundingRect(), top, bottom));
    p.drawPath(path);
}

// A line in `colour` with a dark rim around it.
void Stroke(QPainter& p, const QPainterPath& path, const QColor& colour, qreal width) {
    p.setBrush(Qt::NoBrush);
    p.setPen(OutlinePen(width + 1.6));
    p.drawPath(path);
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
}

void Line(QPainter& p, QPointF a, QPointF b, const QColor& colour, qreal width) {
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(a, b);
}

QPainterPath Circle(QPointF centre, qreal r) {
    QPainterPath path;
    path.addEllipse(centre, r, r);
    return path;
}

QPainterPath Rounded(const QRectF& r, qreal radius) {
    return SkinDraw::RoundRect(r, radius);
}

QPainterPath Polygon(std::initializer_list<QPointF> points) {
    QPainterPath path;
    bool first = true;
    for (const QPointF& pt : points) {
        if (first)
            path.moveTo(pt);
        else
            path.lineTo(pt);
        first = false;
    }
    path.closeSubpath();
    return path;
}

QPainterPath Rect(const QRectF& r) {
    QPainterPath path;
    path.addRect(r);
    return path;
}

// An arc of a circle with an arrow head at its end, turning counter-clockwise for a positive
// span.
void ArcArrow(QPainter& p, QPointF c, qreal r, qreal startDeg, qreal spanDeg, const QColor& colour,
              qreal width) {
    const QRectF box(c.x() - r, c.y() - r, 2 * r, 2 * r);
    QPainterPath arc;
    arc.arcMoveTo(box, startDeg);
    arc.arcTo(box, startDeg, spanDeg);
    Stroke(p, arc, colour, width);

    const qreal a = (startDeg + spanDeg) * std::numbers::pi / 180.0;
    const QPointF end(c.x() + r * std::cos(a), c.y() - r * std::sin(a));
    const qreal sign = spanDeg >= 0 ? 1.0 : -1.0;
    const QPointF along(-std::sin(a) * sign, -std::cos(a) * sign);
    const QPointF across(std::cos(a), -std::sin(a));
    const qreal head = width * 1.45;
    QPainterPath tip = Polygon({end + along * (head * 1.1), end + across * head - along * 0.4,
                                end - across * head - along * 0.4});
    Fill(p, tip, colour.lighter(115), colour, 0.8);
}

} // namespace

void Play(QPainter& p, const QRectF& box) {
    TGrid g(p, box);
    Fill(p, Polygon({{4.5, 2.5}, {13.5, 8}, {4.5, 13.5}}), QColor(0x9C, 0xF5, 0x9A),
         QColor(0x1E, 0x91, 0x40), 1.0);
}

void Pause(QPainter& p, const QRectF& box) {
    TGrid g(p, box);
    const QColor top(0x8C, 0xC8, 0xFF), bottom(0x24, 0x66, 0xC2);
    Fill(p, Rounded({3.5, 2.5, 3.6, 11}, 1), top, bottom);
    Fill(p, Rounded({8.9, 2.5, 3.6, 11}, 1), top, bottom);
}

void Stop(QPainter& p, const QRectF& box) {
    TGrid g(p, box);
    Fill(p, Rounded({3, 3, 10, 10}, 1.8), QColor(0xFF, 0x8A, 0x7A), QColor(0xC0, 0x28, 0x1C), 1.0);
}

void Folder(QPainter& p, const QRectF& box) {
    TGrid g(p, box);
    Fill(p, Polygon({{1.5, 3.5}, {6, 3.5}, {7.5, 5}, {14.5, 5}, {14.5, 13.5}, {1.5, 13.5}}),
         QColor(0xE8, 0xB6, 0x4A), QColor(0xB9, 0x80, 0x1E));
    Fill(p, Polygon({{1.5, 13.5}, {3, 7}, {15.5, 7}, {14.5, 13.5}}), QColor(0xFF, 0xE3, 0x8F),
         QColor(0xF0, 0xB4, 0x3C));
}

void Picture(QPainter& p, const QRectF& box) {
    TGrid g(p, box);
    Fill(p, Rect({1.5, 2.5, 13, 11}), kWhite, kPaper);
    const QRectF inner(2.7, 3.7, 10.6, 8.6);
    p.setPen(Qt::NoPen);
    p.setBrush(Vertical(inner, QColor(0x5E, 0xB4, 0xFA), QColor(0xD8, 0xF0, 0xFF)));
    p.drawRect(inner);
    p.setBrush(QColor(0xFF, 0xD2, 0x3F));
    p.drawEllipse(QPointF(10.6, 6), 1.5, 1.5);
    p.save();
    p.setClipRect(inner);
    Fill(p, Polygon({{2.7, 12.3}, {6, 7.3}, {8.6, 10.4}, {10.4, 8.6}, {13.3, 12.3}}),
         QColor(0x6F, 0xCF, 0x63), QColor(0x2E, 0x7D, 0x32), 0);
    p.restore();
}

void Film(QPainter& p, const QRectF& box) {
    TGrid g(p, box);
    Fill(p, Rounded({2.5, 1.5, 11, 13}, 1), QColor(0x4A, 0x50, 0x60), QColor(0x1E, 0x22, 0x2B));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xE8, 0xEC, 0xF2));
    for (qreal y : {2.5, 5.0, 7.5, 10.0, 12.5}) {
        p.drawRect(QRectF(3.3, y, 1.3, 1.1));
        p.drawRect(QRectF(11.4, y, 1.3, 1.1));
    }
    for (qreal y : {2.6, 8.3}) {
        const QRectF frame(5.4, y, 5.2, 5.1);
        p.setBrush(Vertical(frame, QColor(0x8C, 0xD0, 0xFF), QColor(0x2F, 0x7F, 0xD1)));
        p.drawRect(frame);
    }
}

void Text(QPainter& p, const QRectF& box) {
    TGrid g(p, box);
    QPainterPath t =
        Rect({2.5, 2, 11, 3}).united(Rect({6.5, 2, 3, 12})).united(Rect({4.8, 12.4, 6.4, 1.6}));
    Fill(p, t, QColor(0x9C, 0xCC, 0xFF), QColor(0x2D, 0x6A, 0xC0));
}

void Info(QPainter& p, const QRectF& box) {
    TGrid g(p, box);
    Fill(p, Circle({8, 8}, 6.8), QColor(0x7D, 0xBD, 0xFF), QColor(0x1F, 0x5F, 0xB5));
    p.setPen(Qt::NoPen);
    p.setBrush(kWhite);
    p.drawEllipse(QPointF(8, 4.7), 1.3, 1.3);
    p.drawPath(Rounded({6.9, 7, 2.2, 5.8}, 0.6));
}

void Warning(QPainter& p, const QRectF& box) {
    TGrid g(p, box);
    Fill(p, Polygon({{8, 1.5}, {15, 14}, {1, 14}}), QColor(0xFF, 0xE6, 0x80),
         QColor(0xF0, 0xA8, 0x00), 1.1);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3A, 0x2A, 0x00));
    p.drawPath(Rounded({7.1, 5.2, 1.8, 5}, 0.7));
    p.drawEllipse(QPointF(8, 12), 1.0, 1.0);
}

void Error(QPainter& p, const QRectF& box) {
    TGrid g(p, box);
    Fill(p, Circle({8, 8}, 6.8), QColor(0xFF, 0x80, 0x70), QColor(0xC6, 0x24, 0x18));
    Line(p, {5.3, 5.3}, {10.7, 10.7}, kWhite, 2.0);
    Line(p, {10.7, 5.3}, {5.3, 10.7}, kWhite, 2.0);
}

void Ok(QPainter& p, const QRectF& box) {
    TGrid g(p, box);
    QPainterPath check;
    check.moveTo(2.5, 8.5);
    check.lineTo(6.3, 12.3);
    check.lineTo(13.5, 3.8);
    Stroke(p, check, QColor(0x6C, 0xDC, 0x5C), 2.6);
}

void Cancel(QPainter& p, const QRectF& box) {
    TGrid g(p, box);
    QPainterPath cross;
    cross.moveTo(3.5, 3.5);
    cross.lineTo(12.5, 12.5);
    cross.moveTo(12.5, 3.5);
    cross.lineTo(3.5, 12.5);
    Stroke(p, cross, QColor(0xF0, 0x50, 0x3C), 2.6);
}

void Add(QPainter& p, const QRectF& box) {
    TGrid g(p, box);
    Fill(p, Rounded({6.3, 2, 3.4, 12}, 1).united(Rounded({2, 6.3, 12, 3.4}, 1)),
         QColor(0x9C, 0xF5, 0x9A), QColor(0x1E, 0x91, 0x40));
}

void Remove(QPainter& p, const QRectF& box) {
    TGrid g(p, box);
    Fill(p, Rounded({2, 6.3, 12, 3.4}, 1), QColor(0xFF, 0x8A, 0x7A), QColor(0xC0, 0x28, 0x1C));
}

void ArrowUp(QPainter& p, const QRectF& box) {
    TGrid g(p, box);
    Fill(p,
         Polygon({{8, 1.5},
                  {14.5, 8.2},
                  {10.4, 8.2},
                  {10.4, 14.5},
                  {5.6, 14.5},
                  {5.6, 8.2},
                  {1.5, 8.2}}),
         QColor(0x8C, 0xC8, 0xFF), QColor(0x24, 0x66, 0xC2));
}

void ArrowDown(QPainter& p, const QRectF& box) {
    TGrid g(p, box);
    Fill(
        p,
        Polygon(
            {{8, 14.5}, {14.5, 7.8}, {10.4, 7.8}, {10.4, 1.5}, {5.6, 1.5}, {5.6, 7.8}, {1.5, 7.8}}),
        QColor(0x8C, 0xC8, 0xFF), QColor(0x24, 0x66, 0xC2));
}

void Save(QPainter& p, const QRectF& box) {
    TGrid g(p, box);
    Fill(p, Rounded({1.5, 1.5, 13, 13}, 1.5), QColor(0x6C, 0xA8, 0xF0), QColor(0x1F, 0x4F, 0x9A));
    Fill(p, Rect({4.5, 1.5, 7, 4.5}), QColor(0xEE, 0xF2, 0xF7), QColor(0xA9, 0xB4, 0xC2), 0.6);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2A, 0x33, 0x44));
    p.drawRect(QRectF(9, 2.2, 1.5, 2.8));
    Fill(p, Rect({3.5, 8.5, 9, 6}), kWhite, kPaper, 0.6);
    Line(p, {5, 10.5}, {11, 10.5}, kInk, 0.8);
    Line(p, {5, 12.5}, {11, 12.5}, kInk, 0.8);
}

void Refresh(QPainter& p, const QRectF& box) {
    TGrid g(p, box);
    const QColor teal(0x4F, 0xD8, 0x96);
    ArcArrow(p, {8, 8}, 5.2, 200, 125, teal, 1.9);
    ArcArrow(p, {8, 8}, 5.2, 20, 125, teal, 1.9);
}

void Monitor(QPainter& p, const QRectF& box, const QColor& screenTop, const QColor& screenBottom) {
    TGrid g(p, box);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x6B, 0x76, 0x88));
    p.drawRect(QRectF(6.8, 11.8, 2.4, 1.8));
    Fill(p, Rounded({4, 13.3, 8, 1.7}, 0.8), QColor(0x98, 0xA4, 0xB6), QColor(0x4A, 0x55, 0x68),
         0.6);
    Fill(p, Rounded({1, 2, 14, 10}, 1.5), QColor(0x55, 0x60, 0x74), QColor(0x20, 0x26, 0x2F));
    const QRectF screen(2.4, 3.4, 11.2, 7.2);
    p.setPen(Qt::NoPen);
    p.setBrush(Vertical(screen, screenTop, screenBottom));
    p.drawRect(screen);
    p.setBrush(QColor(255, 255, 255, 55));
    p.drawPath(Polygon({{2.4, 3.4}, {8.5, 3.4}, {5.2, 10.6}, {2.4, 10.6}}));
}

void Globe(QPainter& p, const QRectF& box) {
    TGrid g(p, box);
    QRadialGradient sea(QPointF(8, 8), 7, QPointF(5.5, 5));
    sea.setColorAt(0, QColor(0xB4, 0xE2, 0xFF));
    sea.setColorAt(1, QColor(0x1F, 0x6F, 0xC4));
    p.setPen(OutlinePen(0.9));
    p.setBrush(sea);
    p.drawEllipse(QPointF(8, 8), 6.8, 6.8);
    p.save();
    p.setClipPath(Circle({8, 8}, 6.4));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 170), 0.9));
    p.drawEllipse(QPointF(8, 8), 3.0, 6.8);
    p.drawLine(QPointF(1, 8), QPointF(15, 8));
    // Green land over the sea.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x5C, 0xC8, 0x5A, 210));
    p.drawPath(
        Polygon({{3, 4}, {6.5, 2.8}, {7.5, 5.5}, {5.2, 7.2}, {5.6, 10}, {3.2, 9.5}, {2.2, 6.5}}));
    p.drawPath(Polygon({{9.5, 9}, {13, 8.8}, {12.6, 12.2}, {10.2, 13.4}}));
    p.restore();
}

void Person(QPainter& p, const QRectF& box, const QColor& top, const QColor& bottom) {
    TGrid g(p, box);
    QPainterPath body;
    body.moveTo(2, 15.2);
    body.cubicTo(2, 9.2, 14, 9.2, 14, 15.2);
    body.closeSubpath();
    Fill(p, body, top, bottom);
    Fill(p, Circle({8, 5}, 3.2), top.lighter(108), bottom);
}

void Clock(QPainter& p, const QRectF& box) {
    TGrid g(p, box);
    p.setPen(QPen(QColor(0x1F, 0x5F, 0xB5), 1.3));
    p.setBrush(Vertical({1, 1, 14, 14}, kWhite, kPaper));
    p.drawEllipse(QPointF(8, 8), 6.6, 6.6);
    p.setPen(OutlinePen(0.7));
    for (int i = 0; i < 12; i += 3) {
        const qreal a = i * std::numbers::pi / 6;
        p.drawLine(QPointF(8 + 5.2 * std::sin(a), 8 - 5.2 * std::cos(a)),
                   QPointF(8 + 4.3 * std::sin(a), 8 - 4.3 * std::cos(a)));
    }
    Line(p, {8, 8}, {8, 3.9}, QColor(0x20, 0x26, 0x2F), 1.2);
    Line(p, {8, 8}, {11, 9.6}, QColor(0x20, 0x26, 0x2F), 1.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xD0, 0x30, 0x20));
    p.drawEllipse(QPointF(8, 8), 0.9, 0.9);
}

void Gear(QPainter& p, const QRectF& box) {
    TGrid g(p, box);
    QPainterPath gear = Circle({8, 8}, 5.0);
    for (int i = 0; i < 8; ++i) {
        QTransform turn;
        turn.translate(8, 8);
        turn.rotate(i * 45.0);
        turn.translate(-8, -8);
        gear = gear.united(turn.map(Rounded({6.7, 0.8, 2.6, 4}, 0.6)));
    }
    gear = gear.subtracted(Circle({8, 8}, 2.1));
    Fill(p, gear, QColor(0xE2, 0xE9, 0xF2), QColor(0x6F, 0x84, 0xA0));
}

void Lock(QPainter& p, const QRectF& box) {
    TGrid g(p, box);
    QPainterPath shackle;
    shackle.moveTo(4.9, 8);
    shackle.lineTo(4.9, 5.3);
    shackle.arcTo(QRectF(4.9, 2.1, 6.2, 6.4), 180, -180);
    shackle.lineTo(11.1, 8);
    Stroke(p, shackle, QColor(0xC4, 0xCC, 0xD8), 1.5);
    Fill(p, Rounded({2.5, 7.5, 11, 7.5}, 1.5), QColor(0xFF, 0xDD, 0x66), QColor(0xC9, 0x8A, 0x10));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x4A, 0x30, 0x00));
    p.drawEllipse(QPointF(8, 10.4), 1.2, 1.2);
    p.drawRect(QRectF(7.5, 10.4, 1, 2.6));
}

void Help(QPainter& p, const QRectF& box) {
    TGrid g(p, box);
    Fill(p, Circle({8, 8}, 6.8), QColor(0x7D, 0xBD, 0xFF), QColor(0x1F, 0x5F, 0xB5));
    const QFont font = Skin::PixelFont(11, true);
    p.setFont(font);
    p.setPen(kWhite);
    p.drawText(QRectF(0, 0.3, 16, 16), Qt::AlignCenter, QStringLiteral("?"));
}

void Lamp(QPainter& p, const QRectF& box, const QColor& colour) {
    TGrid g(p, box);
    QRadialGradient glow(QPointF(8, 8), 6.5, QPointF(6.2, 5.8));
    glow.setColorAt(0, colour.lighter(175));
    glow.setColorAt(0.55, colour);
    glow.setColorAt(1, colour.darker(170));
    p.setPen(OutlinePen(0.9));
    p.setBrush(glow);
    p.drawEllipse(QPointF(8, 8), 6.2, 6.2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 170));
    p.drawEllipse(QRectF(4.8, 4.2, 3.6, 2.2));
}

void Badge(QPainter& p, const QRectF& box, const QString& text, const QColor& top,
           const QColor& bottom) {
    TGrid g(p, box);
    Fill(p, Rounded({0.5, 3, 15, 10}, 2.5), top, bottom);
    const QFont font = Skin::PixelFont(7, true);
    p.setFont(font);
    p.setPen(kWhite);
    p.drawText(QRectF(0.5, 3, 15, 10), Qt::AlignCenter, text);
}

void Document(QPainter& p, const QRectF& box) {
    TGrid g(p, box);
    Fill(p, Polygon({{3, 1.5}, {10, 1.5}, {13, 4.5}, {13, 14.5}, {3, 14.5}}), kWhite, kPaper);
    Fill(p, Polygon({{10, 1.5}, {10, 4.5}, {13, 4.5}}), QColor(0xD0, 0xDA, 0xE6),
         QColor(0xA8, 0xB6, 0xC8), 0.6);
    for (qreal y : {6.5, 8.5, 10.5})
        Line(p, {5, y}, {11, y}, kInk, 0.9);
    Line(p, {5, 12.5}, {9, 12.5}, kInk, 0.9);
}

void Key(QPainter& p, const QRectF& box) {
    TGrid g(p, box);
    p.save();
    p.translate(8, 8);
    p.rotate(35);
    p.translate(-8, -8);
    QPainterPath key = Circle({4.5, 8}, 3.4)
                           .united(Rect({7.5, 7.1, 7.3, 1.8}))
                           .united(Rect({11.3, 8.8, 1.3, 2.3}))
                           .united(Rect({13.3, 8.8, 1.3, 1.7}))
                           .subtracted(Circle({3.8, 8}, 1.3));
    Fill(p, key, QColor(0xFF, 0xE5, 0x80), QColor(0xC9, 0x90, 0x0E));
    p.restore();
}

void Calendar(QPainter& p, const QRectF& box) {
    TGrid g(p, box);
    const QPainterPath body = Rounded({2, 2.5, 12, 12}, 1.2);
    Fill(p, body, kWhite, kPaper);
    p.save();
    p.setClipPath(body);
    p.setPen(Qt::NoPen);
    p.setBrush(Vertical({2, 2.5, 12, 3.5}, QColor(0xF0, 0x6A, 0x5A), QColor(0xC0, 0x28, 0x18)));
    p.drawRect(QRectF(2, 2.5, 12, 3.5));
    p.restore();
    p.setPen(OutlinePen(0.9));
    p.setBrush(Qt::NoBrush);
    p.drawPath(body);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2A, 0x33, 0x44));
    p.drawRect(QRectF(4.8, 1.2, 1.3, 2.6));
    p.drawRect(QRectF(9.9, 1.2, 1.3, 2.6));
    p.setBrush(kInk);
    for (qreal y : {7.6, 10.0, 12.4})
        for (qreal x : {4.2, 7.3, 10.4})
            p.drawRect(QRectF(x, y, 1.5, 1.4));
}

void Network(QPainter& p, const QRectF& box) {
    TGrid g(p, box);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(Skin::TitleNameColor), 1.4));
    p.drawEllipse(QPointF(8, 8.6), 5.0, 4.6);
    const QColor screenTop(0x8C, 0xD8, 0xFF), screenBottom(0x1F, 0x6F, 0xC4);
    for (QPointF c : {QPointF(8, 3.2), QPointF(3.2, 12), QPointF(12.8, 12)}) {
        const QRectF bezel(c.x() - 3, c.y() - 2.3, 6, 4.6);
        Fill(p, Rounded(bezel, 0.7), QColor(0x55, 0x60, 0x74), QColor(0x20, 0x26, 0x2F), 0.7);
        p.setPen(Qt::NoPen);
        p.setBrush(Vertical(bezel, screenTop, screenBottom));
        p.drawRect(bezel.adjusted(0.9, 0.9, -0.9, -0.9));
    }
}

void Envelope(QPainter& p, const QRectF& box) {
    TGrid g(p, box);
    Fill(p, Rounded({1.5, 3.5, 13, 9}, 1), kWhite, QColor(0xD4, 0xDF, 0xEC));
    QPainterPath flap;
    flap.moveTo(1.9, 4);
    flap.lineTo(8, 9);
    flap.lineTo(14.1, 4);
    flap.moveTo(1.9, 12.1);
    flap.lineTo(6.2, 7.7);
    flap.moveTo(14.1, 12.1);
    flap.lineTo(9.8, 7.7);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kInk, 0.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(flap);
}

void Eye(QPainter& p, const QRectF& box) {
    TGrid g(p, box);
    QPainterPath almond;
    almond.moveTo(0.8, 8);
    almond.cubicTo(4, 2.2, 12, 2.2, 15.2, 8);
    almond.cubicTo(12, 13.8, 4, 13.8, 0.8, 8);
    Fill(p, almond, kWhite, kPaper);
    p.save();
    p.setClipPath(almond);
    Fill(p, Circle({8, 8}, 3.6), QColor(0x7C, 0xC0, 0xFF), QColor(0x1F, 0x5F, 0xB5), 0.6);
    p.restore();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x10, 0x18, 0x28));
    p.drawEllipse(QPointF(8, 8), 1.6, 1.6);
    p.setBrush(QColor(255, 255, 255, 220));
    p.drawEllipse(QPointF(6.9, 6.9), 0.8, 0.8);
}

void Pencil(QPainter& p, const QRectF& box) {
    TGrid g(p, box);
    p.save();
    p.translate(8, 8);
    p.rotate(-45);
    p.translate(-8, -8);
    Fill(p, Polygon({{0.8, 8}, {4, 6.4}, {4, 9.6}}), QColor(0xF8, 0xDC, 0xB0),
         QColor(0xD8, 0xA8, 0x70), 0.7);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2A, 0x2A, 0x30));
    p.drawPath(Polygon({{0.8, 8}, {2.1, 7.35}, {2.1, 8.65}}));
    Fill(p, Rect({4, 6.4, 8, 3.2}), QColor(0xFF, 0xDD, 0x66), QColor(0xE0, 0xA0, 0x10), 0.7);
    Fill(p, Rect({12, 6.4, 1.2, 3.2}), QColor(0xE4, 0xE9, 0xF0), QColor(0x90, 0x9C, 0xAC), 0.7);
    Fill(p, Rounded({13.2, 6.4, 2.2, 3.2}, 0.8), QColor(0xFF, 0xB4, 0xC4), QColor(0xE0, 0x70, 0x88),
         0.7);
    p.restore();
}

void Trash(QPainter& p, const QRectF& box) {
    TGrid g(p, box);
    Fill(p, Polygon({{3.5, 5.5}, {12.5, 5.5}, {11.6, 14.5}, {4.4, 14.5}}), QColor(0xD8, 0xE0, 0xEA),
         QColor(0x7D, 0x8D, 0xA3));
    for (qreal x : {6.2, 8.0, 9.8})
        Line(p, {x, 7.3}, {x, 12.8}, QColor(0x55, 0x64, 0x7A), 0.8);
    Fill(p, Rounded({5.8, 1.5, 4.4, 2.2}, 0.6), QColor(0xB8, 0xC4, 0xD2), QColor(0x7D, 0x8D, 0xA3),
         0.7);
    Fill(p, Rounded({2.2, 3.2, 11.6, 2.2}, 0.8), QColor(0xE8, 0xEE, 0xF4),
         QColor(0x8D, 0x9D, 0xB3));
}

void Home(QPainter& p, const QRectF& box) {
    TGrid g(p, box);
    Fill(p, Rect({3.2, 7.5, 9.6, 7}), QColor(0xFF, 0xF6, 0xDE), QColor(0xE6, 0xD0, 0x9C));
    Fill(p, Polygon({{8, 1.5}, {15, 8.2}, {1, 8.2}}), QColor(0xF4, 0x76, 0x64),
         QColor(0xB5, 0x2A, 0x1C));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x8A, 0x5A, 0x2B));
    p.drawRect(QRectF(5, 10, 2.6, 4.5));
    p.setBrush(QColor(0x5E, 0xB4, 0xFA));
    p.drawRect(QRectF(9.3, 9.6, 2.2, 2.2));
}

void Book(QPainter& p, const QRectF& box) {
    TGrid g(p, box);
    Fill(p, Rect({4, 12, 9.6, 2.4}), kWhite, kPaper, 0.6);
    Fill(p, Rounded({3, 1.5, 10.5, 11.5}, 1), QColor(0x7C, 0xB2, 0xF4), QColor(0x24, 0x53, 0xA8));
    Line(p, {4.6, 2.3}, {4.6, 12.3}, QColor(0x18, 0x3C, 0x80), 0.8);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(Skin::TitleNameColor));
    p.drawRect(QRectF(6.4, 4, 5.4, 1.6));
    p.drawRect(QRectF(6.4, 6.6, 3.6, 0.9));
}

void ExitArrow(QPainter& p, const QRectF& box) {
    TGrid g(p, box);
    Fill(p, Polygon({{1.5, 6}, {8.5, 6}, {8.5, 2.5}, {14.5, 8}, {8.5, 13.5}, {8.5, 10}, {1.5, 10}}),
         QColor(0xFF, 0xC0, 0x6A), QColor(0xE0, 0x4E, 0x1C), 1.0);
}

void Triangle(QPainter& p, const QRectF& box, int dx, const QColor& colour) {
    TGrid g(p, box);
    const QPainterPath shape = dx > 0 ? Polygon({{5.5, 3}, {11.5, 8}, {5.5, 13}})
                                      : Polygon({{10.5, 3}, {4.5, 8}, {10.5, 13}});
    Fill(p, shape, colour.lighter(115), colour.darker(125), 0.8);
}

} // namespace SkinGlyph
