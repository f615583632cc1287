#include "widgets/GradientPanel.h"

#include "widgets/DevicePixels.h"
#include "widgets/SkinDraw.h"

#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <algorithm>

void FillGradient(QPainter& p, const QRect& area, const QColor& start, const QColor& end,
                  TGradientDirection direction, int steps) {
    if (area.isEmpty())
        return;
    const bool vertical = direction == TGradientDirection::TopToBottom ||
                          direction == TGradientDirection::BottomToTop;
    const bool reversed = direction == TGradientDirection::BottomToTop ||
                          direction == TGradientDirection::RightToLeft;
    const QColor first = reversed ? end : start;
    const QColor last = reversed ? start : end;

    // Edges and bands on the device pixels the area covers, so bands stay even at any ratio.
    const TDevicePainting device(p);
    const QRect pixels = device.Map(QRectF(area));
    if (steps <= 1 || first == last) {
        const QRectF r(pixels);
        p.fillRect(pixels, vertical ? SkinDraw::Vertical(r, first, last)
                                    : SkinDraw::Horizontal(r, first, last));
        return;
    }
    // Band i runs from length*i/bands to length*(i+1)/bands: the bands cover the length exactly.
    const int length = vertical ? pixels.height() : pixels.width();
    const int bands = std::min(steps, length);
    for (int i = 0; i < bands; ++i) {
        const int from = length * i / bands;
        const int to = length * (i + 1) / bands;
        const QColor colour =
            SkinDraw::Mix(first, last, bands > 1 ? static_cast<double>(i) / (bands - 1) : 0.0);
        if (vertical)
            p.fillRect(QRect(pixels.left(), pixels.top() + from, pixels.width(), to - from),
                       colour);
        else
            p.fillRect(QRect(pixels.left() + from, pixels.top(), to - from, pixels.height()),
                       colour);
    }
}

TGradientPanel::TGradientPanel(QWidget* parent)
    : QWidget(parent), start_(QColor(0x1E, 0x54, 0x96)), end_(QColor(0x0F, 0x3A, 0x6E)) {}

void TGradientPanel::SetColors(const QColor& start, const QColor& end) {
    start_ = start;
    end_ = end;
    update();
}

void TGradientPanel::SetDirection(TGradientDirection direction) {
    direction_ = direction;
    update();
}

void TGradientPanel::SetSteps(int steps) {
    steps_ = std::max(0, steps);
    update();
}

void TGradientPanel::SetCornerRadius(int radius) {
    radius_ = std::max(0, radius);
    update();
}

void TGradientPanel::SetBorder(const QColor& colour, int width) {
    borderColour_ = colour;
    borderWidth_ = std::max(0, width);
    update();
}

void TGradientPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const bool border = borderColour_.isValid() && borderWidth_ > 0;
    if (radius_ > 0) {
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setClipPath(SkinDraw::RoundRect(QRectF(rect()), radius_));
    }
    FillGradient(p, rect(), start_, end_, direction_, steps_);
    if (!border)
        return;
    p.setClipping(false);
    // The border takes whole device pixels along the panel's device edges.
    const TDevicePainting device(p);
    const int width = device.Grid().Line(borderWidth_);
    const qreal half = width / 2.0;
    const QRectF edge = QRectF(device.Map(QRectF(rect()))).adjusted(half, half, -half, -half);
    p.setPen(QPen(borderColour_, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    if (radius_ > 0)
        p.drawPath(
            SkinDraw::RoundRect(edge, std::max<qreal>(0, radius_ * device.Grid().Ratio() - half)));
    else
        p.drawRect(edge);
}

TGradientLabel::TGradientLabel(QWidget* parent) : TGradientLabel(QString(), parent) {}

TGradientLabel::TGradientLabel(const QString& text, QWidget* parent)
    : QWidget(parent), text_(text) {
    Refit();
}

void TGradientLabel::SetText(const QString& text) {
    if (text == text_)
        return;
    text_ = text;
    Refit();
    update();
}

void TGradientLabel::SetTextColor(const QColor& colour) {
    colour_ = colour;
    update();
}

void TGradientLabel::SetShadow(const QColor& colour, QPoint offset) {
    shadow_ = colour;
    shadowOffset_ = offset;
    Refit();
    update();
}

void TGradientLabel::ClearShadow() {
    shadow_.reset();
    Refit();
    update();
}

void TGradientLabel::SetGradient(const QColor& top, const QColor& bottom) {
    gradient_ = std::make_pair(top, bottom);
    update();
}

void TGradientLabel::ClearGradient() {
    gradient_.reset();
    update();
}

void TGradientLabel::SetAutoSize(bool autoSize) {
    autoSize_ = autoSize;
    Refit();
}

void TGradientLabel::SetAlignment(Qt::Alignment alignment) {
    alignment_ = alignment;
    update();
}

QSize TGradientLabel::sizeHint() const {
    const QSize text = fontMetrics().size(0, text_.isEmpty() ? QStringLiteral(" ") : text_);
    if (!shadow_)
        return text;
    return text + QSize(std::abs(shadowOffset_.x()), std::abs(shadowOffset_.y()));
}

void TGradientLabel::Refit() {
    if (autoSize_)
        resize(sizeHint());
}

void TGradientLabel::paintEvent(QPaintEvent*) {
    if (text_.isEmpty())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setFont(font());
    // Keep the text and its shadow inside the widget whichever way the shadow points.
    const QPoint shift(std::max(0, -shadowOffset_.x()), std::max(0, -shadowOffset_.y()));
    const QSize textSize = fontMetrics().size(0, text_);
    QRect box = rect();
    if (shadow_)
        box.adjust(0, 0, -std::abs(shadowOffset_.x()), -std::abs(shadowOffset_.y()));
    box.translate(shift);
    const int flags = static_cast<int>(alignment_);
    if (shadow_) {
        p.setPen(*shadow_);
        p.drawText(box.translated(shadowOffset_), flags, text_);
    }
    if (gradient_) {
        // The gradient spans the text's own height wherever the alignment puts it.
        const QRect placed = QStyle::alignedRect(layoutDirection(), alignment_, textSize, box);
        p.setPen(QPen(
            QBrush(SkinDraw::Vertical(QRectF(placed), gradient_->first, gradient_->second)), 1));
    } else {
        p.setPen(colour_);
    }
    p.drawText(box, flags, text_);
}

void TGradientLabel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange)
        Refit();
    QWidget::changeEvent(event);
}

void TGradientLabel::mousePressEvent(QMouseEvent* event) {
    // A label nobody listens to lets the press through to its parent (which may, for instance,
    // start moving the window).
    if (!isSignalConnected(QMetaMethod::fromSignal(&TGradientLabel::clicked))) {
        event->ignore();
        return;
    }
    click_.Press(*event);
}

void TGradientLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (click_.Release(*event, rect()))
        emit clicked();
}
