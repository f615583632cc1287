#include "layoutview/ExPanel.h"

#include <QPainter>

TExPanel::TExPanel(QWidget* parent) : QWidget(parent), color_(palette().color(QPalette::Window)) {}

void TExPanel::SetCaption(const QString& caption) {
    if (caption == caption_)
        return;
    caption_ = caption;
    update();
}

void TExPanel::SetBevelOuter(TBevel bevel) {
    bevelOuter_ = bevel;
    update();
}

void TExPanel::SetColor(const QColor& color) {
    color_ = color;
    update();
}

void TExPanel::paintEvent(QPaintEvent*) {
    {
        QPainter painter(this);
        painter.fillRect(rect(), color_);
        QRect inner = rect();
        if (bevelOuter_ == TBevel::Raised && width() > 1 && height() > 1) {
            const int right = width() - 1;
            const int bottom = height() - 1;
            painter.setPen(QColor(255, 255, 255));
            painter.drawLine(0, 0, right - 1, 0);
            painter.drawLine(0, 0, 0, bottom - 1);
            painter.setPen(QColor(105, 105, 105));
            painter.drawLine(right, 0, right, bottom);
            painter.drawLine(0, bottom, right, bottom);
            inner.adjust(1, 1, -1, -1);
        }
        if (!caption_.isEmpty()) {
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawText(inner, Qt::AlignCenter | Qt::TextSingleLine, caption_);
        }
    }
    // The painter above is finished, so the callback may open one of its own.
    if (OnPaint)
        OnPaint(*this);
}
