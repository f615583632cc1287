#pragma once

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <ostream>

// Qt values as GoogleTest shows them in a failed check: readable text instead of raw bytes.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* out) {
    *out << '{';
    for (qsizetype i = 0; i < list.size(); ++i)
        *out << (i > 0 ? ", \"" : "\"") << list[i].toStdString() << '"';
    *out << '}';
}
inline void PrintTo(const QColor& colour, std::ostream* out) {
    *out << colour.name(QColor::HexArgb).toStdString();
}
inline void PrintTo(const QPoint& point, std::ostream* out) {
    *out << '(' << point.x() << ", " << point.y() << ')';
}
inline void PrintTo(const QSize& size, std::ostream* out) {
    *out << size.width() << " x " << size.height();
}
inline void PrintTo(const QSizeF& size, std::ostream* out) {
    *out << size.width() << " x " << size.height();
}
inline void PrintTo(const QRect& rect, std::ostream* out) {
    *out << '(' << rect.x() << ", " << rect.y() << ", " << rect.width() << " x " << rect.height()
         << ')';
}
