#pragma once

#include <QColor>
#include <QPainter>
#include <QRectF>

// The symbols of the skin, each drawn on a 16 x 16 design grid scaled into `box`, so the same
// symbol serves the small icons and the large server buttons.
namespace SkinGlyph {

void Play(QPainter& p, const QRectF& box);
void Pause(QPainter& p, const QRectF& box);
void Stop(QPainter& p, const QRectF& box);
void Folder(QPainter& p, const QRectF& box);
void Picture(QPainter& p, const QRectF& box);
void Film(QPainter& p, const QRectF& box);
void Text(QPainter& p, const QRectF& box);
void Info(QPainter& p, const QRectF& box);
void Warning(QPainter& p, const QRectF& box);
void Error(QPainter& p, const QRectF& box);
void Ok(QPainter& p, const QRectF& box);
void Cancel(QPainter& p, const QRectF& box);
void Add(QPainter& p, const QRectF& box);
void Remove(QPainter& p, const QRectF& box);
void ArrowUp(QPainter& p, const QRectF& box);
void ArrowDown(QPainter& p, const QRectF& box);
void Save(QPainter& p, const QRectF& box);
void Refresh(QPainter& p, const QRectF& box);
// A monitor whose screen runs from `screenTop` to `screenBottom`.
void Monitor(QPainter& p, const QRectF& box, const QColor& screenTop, const QColor& screenBottom);
void Globe(QPainter& p, const QRectF& box);
void Person(QPainter& p, const QRectF& box, const QColor& top, const QColor& bottom);
void Clock(QPainter& p, const QRectF& box);
void Gear(QPainter& p, const QRectF& box);
void Lock(QPainter& p, const QRectF& box);
void Help(QPainter& p, const QRectF& box);
void Lamp(QPainter& p, const QRectF& box, const QColor& colour);
void Badge(QPainter& p, const QRectF& box, const QString& text, const QColor& top,
           const QColor& bottom);
void Document(QPainter& p, const QRectF& box);
void Key(QPainter& p, const QRectF& box);
void Calendar(QPainter& p, const QRectF& box);
void Network(QPainter& p, const QRectF& box);
void Envelope(QPainter& p, const QRectF& box);
void Eye(QPainter& p, const QRectF& box);
void Pencil(QPainter& p, const QRectF& box);
void Trash(QPainter& p, const QRectF& box);
void Home(QPainter& p, const QRectF& box);
void Book(QPainter& p, const QRectF& box);
// An arrow pointing right, for sending a client away.
void ExitArrow(QPainter& p, const QRectF& box);
// A solid triangle pointing left (dx < 0) or right (dx > 0).
void Triangle(QPainter& p, const QRectF& box, int dx, const QColor& colour);

} // namespace SkinGlyph
