#pragma once

#include <QColor>
#include <QPaintEvent>
#include <QPainter>
#include <QWidget>

// A panel that counts how often it is painted where a video surface stands.
class TCountingPanel : public QWidget {
public:
    int PaintsUnderSurface = 0;
    QRect SurfaceArea;
    QColor Colour = Qt::darkGreen;

protected:
    void paintEvent(QPaintEvent* event) override {
        if (event->rect().intersects(SurfaceArea))
            ++PaintsUnderSurface;
        QPainter(this).fillRect(event->rect(), Colour);
    }
};
