#include "LSVGauge.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <algorithm>
#include <cstdint>
#include <string>

namespace {

// An opaque copy, as a classic bitmap is drawn: any alpha channel is ignored.
QImage Opaque(const QImage& texture) {
    return texture.isNull() ? QImage() : texture.convertToFormat(QImage::Format_RGB32);
}

// The texture with every pixel of its bottom-left pixel's colour made see-through.
QImage Masked(const QImage& opaque) {
    if (opaque.isNull())
        return {};
    QImage masked = opaque.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = masked.pixel(0, masked.height() - 1) & 0xFFFFFF;
    for (int y = 0; y < masked.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(masked.scanLine(y));
        for (int x = 0; x < masked.width(); ++x)
            line[x] = (line[x] & 0xFFFFFF) == key ? 0 : (line[x] | 0xFF000000);
    }
    return masked.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

void FillTiled(QPainter& p, const QRect& rect, const QImage& texture, const QPoint& origin) {
    p.setBrushOrigin(origin);
    p.fillRect(rect, QBrush(texture));
}

std::string RangeMessage(int64_t low, int64_t high) {
    return "Value must be between " + std::to_string(low) + " and " + std::to_string(high);
}

} // namespace

TLSVGauge::TLSVGauge(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(150, 20);
}

void TLSVGauge::SetKind(TLSVGaugeKind kind) {
    Assign(kind_, kind);
}

void TLSVGauge::SetMinValue(int value) {
    if (value > maxValue_)
        throw ELSVGaugeError(RangeMessage(-2147483647, int64_t{maxValue_} - 1));
    if (value == minValue_)
        return;
    minValue_ = value;
    progress_ = std::max(progress_, minValue_);
    update();
}

void TLSVGauge::SetMaxValue(int value) {
    if (value < minValue_)
        throw ELSVGaugeError(RangeMessage(int64_t{minValue_} + 1, 2147483647));
    if (value == maxValue_)
        return;
    maxValue_ = value;
    progress_ = std::min(progress_, maxValue_);
    update();
}

void TLSVGauge::SetProgress(int value) {
    value = GaugeMath::ClampProgress(value, minValue_, maxValue_);
    if (value == progress_)
        return;
    const int before = PercentDone();
    progress_ = value;
    if (runningStrip_) {
        const QRect area = DrawingArea();
        stripOffset_ = GaugeMath::NextStripOffset(stripOffset_, runingStep_,
                                                  Horizontal() ? area.width() : area.height());
        update();
    } else if (PercentDone() != before) {
        update();
    }
}

void TLSVGauge::StepBy(int step) {
    // Widened so that a step beyond the integer range still clamps instead of wrapping.
    const int64_t target = int64_t{progress_} + step;
    SetProgress(static_cast<int>(std::clamp<int64_t>(target, minValue_, maxValue_)));
}

int TLSVGauge::PercentDone() const {
    return GaugeMath::Percentage(progress_, minValue_, maxValue_);
}

void TLSVGauge::SetForeColor(const QColor& color) {
    Assign(foreColor_, color);
}
void TLSVGauge::SetBackColor(const QColor& color) {
    Assign(backColor_, color);
}
void TLSVGauge::SetBorderStyle(TLSVBorderStyle style) {
    Assign(borderStyle_, style);
}
void TLSVGauge::SetBorderColor(const QColor& color) {
    Assign(borderColor_, color);
}
void TLSVGauge::SetFrame3D(bool on) {
    Assign(frame3D_, on);
}
void TLSVGauge::SetShowText(bool on) {
    Assign(showText_, on);
}
void TLSVGauge::SetText(const QString& format) {
    Assign(text_, format);
}
void TLSVGauge::SetFont(const TLSVGaugeFont& font) {
    Assign(font_, font);
}
void TLSVGauge::SetHorTextAlignment(TLSVHorAlignment alignment) {
    Assign(horTextAlignment_, alignment);
}
void TLSVGauge::SetVerTextAlignment(TLSVVerAlignment alignment) {
    Assign(verTextAlignment_, alignment);
}
void TLSVGauge::SetTextInCenterFore(bool on) {
    Assign(textInCenterFore_, on);
}

void TLSVGauge::SetTextureOnBack(const QImage& texture) {
    const QImage opaque = Opaque(texture);
    if (opaque == textureOnBack_)
        return;
    textureOnBack_ = opaque;
    backMasked_ = Masked(opaque);
    update();
}

void TLSVGauge::SetTextureOnFore(const QImage& texture) {
    const QImage opaque = Opaque(texture);
    if (opaque == textureOnFore_)
        return;
    textureOnFore_ = opaque;
    foreMasked_ = Masked(opaque);
    update();
}

void TLSVGauge::SetTransparentBack(bool on) {
    Assign(transparentBack_, on);
}
void TLSVGauge::SetTransparentFore(bool on) {
    Assign(transparentFore_, on);
}
void TLSVGauge::SetForeAsBlocks(bool on) {
    Assign(foreAsBlocks_, on);
}
void TLSVGauge::SetForeBlockSize(int size) {
    Assign(foreBlockSize_, size);
}
void TLSVGauge::SetEdge(int edge) {
    Assign(edge_, edge);
}
void TLSVGauge::SetPie3DHeight(int height) {
    Assign(pie3DHeight_, height);
}
void TLSVGauge::SetPie3DColor(const QColor& color) {
    Assign(pie3DColor_, color);
}
void TLSVGauge::SetRunningStrip(bool on) {
    Assign(runningStrip_, on);
}
void TLSVGauge::SetRuningStep(int step) {
    Assign(runingStep_, step);
}

QRect TLSVGauge::DrawingArea() const {
    QRect area = rect();
    if (frame3D_)
        area.adjust(2, 2, -2, -2);
    if (borderStyle_ == TLSVBorderStyle::Single && kind_ != lgkPie)
        area.adjust(1, 1, -1, -1);
    return area;
}

int TLSVGauge::BlockLength() const {
    if (foreBlockSize_ > 0)
        return foreBlockSize_;
    if (textureOnFore_.isNull())
        return 0;
    return Horizontal() ? textureOnFore_.width() : textureOnFore_.height();
}

const QImage& TLSVGauge::ForeTexture() const {
    return transparentFore_ ? foreMasked_ : textureOnFore_;
}

QImage TLSVGauge::Picture() const {
    QImage image(size(), QImage::Format_RGB32);
    image.fill(palette().color(QPalette::Window));
    QPainter p(&image);
    QRect client = rect();
    if (frame3D_) {
        PaintFrame3D(p, client);
        client.adjust(2, 2, -2, -2);
    }
    const bool framed = borderStyle_ == TLSVBorderStyle::Single && kind_ != lgkPie;
    const QRect area = DrawingArea();
    if (area.width() > 0 && area.height() > 0) {
        p.save();
        p.setClipRect(area);
        if (kind_ == lgkHorizontalBar || kind_ == lgkVerticalBar)
            PaintBar(p, area);
        else
            PaintPie(p, area);
        p.restore();
    }
    if (framed && client.width() > 0 && client.height() > 0) {
        p.setPen(borderColor_);
        p.setBrush(Qt::NoBrush);
        p.drawRect(client.adjusted(0, 0, -1, -1));
    }
    return image;
}

void TLSVGauge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, Picture());
}

void TLSVGauge::PaintFrame3D(QPainter& p, const QRect& r) const {
    // A sunken edge: shadow above and left, light below and right, two pixels deep.
    const QPalette& pal = palette();
    const auto edge = [&p](const QRect& e, const QColor& upperLeft, const QColor& lowerRight) {
        p.setPen(upperLeft);
        p.drawLine(e.topLeft(), e.topRight());
        p.drawLine(e.topLeft(), e.bottomLeft());
        p.setPen(lowerRight);
        p.drawLine(e.bottomLeft(), e.bottomRight());
        p.drawLine(e.topRight(), e.bottomRight());
    };
    edge(r, pal.color(QPalette::Mid), pal.color(QPalette::Light));
    edge(r.adjusted(1, 1, -1, -1), pal.color(QPalette::Dark), pal.color(QPalette::Midlight));
}

void TLSVGauge::PaintBackground(QPainter& p, const QRect& area) const {
    if (transparentBack_ && !backMasked_.isNull()) {
        p.fillRect(area, backColor_);
        FillTiled(p, area, backMasked_, area.topLeft());
    } else if (!textureOnBack_.isNull()) {
        FillTiled(p, area, textureOnBack_, area.topLeft());
    } else {
        p.fillRect(area, backColor_);
    }
}

void TLSVGauge::PaintBar(QPainter& p, const QRect& area) const {
    PaintBackground(p, area);
    const bool horizontal = Horizontal();
    const int extent = horizontal ? area.width() : area.height();
    int start = 0;
    int length;
    if (runningStrip_) {
        start = stripOffset_;
        length = BlockLength() > 0 ? BlockLength() : std::max(extent / 5, 1);
    } else {
        length = GaugeMath::DrawnLength(GaugeMath::FillLength(extent, PercentDone()), extent,
                                        foreAsBlocks_, BlockLength());
    }
    QRect fill;
    if (length >= 1) {
        // Bars fill from the left, or upward from the bottom.
        fill = horizontal
                   ? QRect(area.left() + start, area.top(), length, area.height())
                   : QRect(area.left(), area.bottom() + 1 - start - length, area.width(), length);
        PaintFill(p, area, fill);
    }
    if (showText_)
        PaintLabel(p, area, fill, std::max(length, 0));
}

void TLSVGauge::PaintFill(QPainter& p, const QRect& area, const QRect& fill) const {
    const QImage& texture = ForeTexture();
    if (texture.isNull()) {
        p.fillRect(fill, foreColor_);
        return;
    }
    const bool horizontal = Horizontal();
    const int length = horizontal ? fill.width() : fill.height();
    const GaugeMath::TCaps caps =
        GaugeMath::EdgeCaps(length, edge_, horizontal ? texture.width() : texture.height());
    if (horizontal) {
        FillTiled(p, fill.adjusted(caps.Head, 0, -caps.Tail, 0), texture, area.topLeft());
        if (caps.Head > 0)
            FillTiled(p, QRect(fill.left(), fill.top(), caps.Head, fill.height()),
                      texture.copy(0, 0, caps.Head, texture.height()),
                      QPoint(fill.left(), area.top()));
        if (caps.Tail > 0) {
            const int x = fill.right() + 1 - caps.Tail;
            FillTiled(p, QRect(x, fill.top(), caps.Tail, fill.height()),
                      texture.copy(texture.width() - caps.Tail, 0, caps.Tail, texture.height()),
                      QPoint(x, area.top()));
        }
    } else {
        // Textures line up with the bottom edge, where the fill starts.
        FillTiled(p, fill.adjusted(0, caps.Tail, 0, -caps.Head), texture,
                  QPoint(area.left(), area.bottom() + 1));
        if (caps.Head > 0) {
            const int y = fill.bottom() + 1 - caps.Head;
            FillTiled(p, QRect(fill.left(), y, fill.width(), caps.Head),
                      texture.copy(0, texture.height() - caps.Head, texture.width(), caps.Head),
                      QPoint(area.left(), y));
        }
        if (caps.Tail > 0)
            FillTiled(p, QRect(fill.left(), fill.top(), fill.width(), caps.Tail),
                      texture.copy(0, 0, texture.width(), caps.Tail),
                      QPoint(area.left(), fill.top()));
    }
}

void TLSVGauge::PaintPie(QPainter& p, const QRect& area) const {
    PaintBackground(p, area);
    const int rim = kind_ == lgkPie3D ? std::clamp(pie3DHeight_, 0, area.height()) : 0;
    const QRect ellipse(area.left(), area.top(), area.width(), area.height() - rim);
    if (kind_ == lgkPie && borderStyle_ == TLSVBorderStyle::Single) {
        p.setPen(borderColor_);
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(ellipse.adjusted(0, 0, -1, -1));
    }
    const int percent = PercentDone();
    if (percent > 0 && ellipse.height() > 0) {
        const GaugeMath::TPoint start =
            GaugeMath::PieStartPoint(ellipse.width(), ellipse.height(), percent);
        QPainterPath segment(QRectF(ellipse).center());
        segment.lineTo(ellipse.left() + start.X, ellipse.top() + start.Y);
        segment.arcTo(QRectF(ellipse), 90.0 - 3.6 * percent, 3.6 * percent);
        segment.closeSubpath();
        p.save();
        p.setRenderHint(QPainter::Antialiasing);
        for (int offset = 1; offset <= rim; ++offset)
            p.fillPath(segment.translated(0, offset), pie3DColor_);
        const QImage& texture = ForeTexture();
        if (texture.isNull()) {
            p.fillPath(segment, foreColor_);
        } else {
            p.setBrushOrigin(area.topLeft());
            p.fillPath(segment, QBrush(texture));
        }
        p.restore();
    }
    if (showText_)
        PaintLabel(p, ellipse, QRect(), 0);
}

void TLSVGauge::PaintLabel(QPainter& p, const QRect& area, const QRect& fill,
                           int fillLength) const {
    const QString text =
        QString::fromStdString(GaugeMath::FormatLabel(text_.toStdString(), PercentDone()));
    const QFontMetrics metrics(font_.Font);
    const int textWidth = metrics.horizontalAdvance(text);
    const int textHeight = metrics.height();
    const bool bar = kind_ == lgkHorizontalBar || kind_ == lgkVerticalBar;
    const bool horizontalInFill = textInCenterFore_ && kind_ == lgkHorizontalBar;
    const bool verticalInFill = textInCenterFore_ && kind_ == lgkVerticalBar;
    if ((horizontalInFill && textWidth >= fillLength) ||
        (verticalInFill && textHeight >= fillLength))
        return;
    const int x = area.left() + GaugeMath::LabelLeft(horTextAlignment_, area.width(), textWidth,
                                                     horizontalInFill, fillLength);
    const int y = area.top() + GaugeMath::LabelTop(verTextAlignment_, area.height(), textHeight,
                                                   verticalInFill, fillLength);
    p.setFont(font_.Font);
    const auto draw = [&](const QColor& color, const QRegion& clip) {
        if (clip.isEmpty())
            return;
        p.save();
        p.setClipRegion(clip, Qt::IntersectClip);
        p.setPen(color);
        p.drawText(QPoint(x, y + metrics.ascent()), text);
        p.restore();
    };
    if (font_.FixTextColor) {
        draw(font_.Color, QRegion(area));
    } else if (!bar) {
        draw(font_.ColorOnFilled, QRegion(area));
    } else {
        draw(font_.ColorOnFilled, QRegion(fill));
        draw(font_.ColorOnBackground, QRegion(area).subtracted(QRegion(fill)));
    }
}
