#include "LSVGauge.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <algorithm>
#include <cstdint>
#include <string>

namespace {

// An opaque copy, as a classic bitmap is drawn: any alpha channel is ignored. One image pixel is
// one device pixel, so brushes tile it pixel for pixel.
QImage Opaque(const QImage& texture) {
    if (texture.isNull())
        return {};
    QImage opaque = texture.convertToFormat(QImage::Format_RGB32);
    opaque.setDevicePixelRatio(1);
    return opaque;
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

void TLSVGauge::SetTextureOnBack(const TDrawnPicture& texture) {
    Assign(textureOnBack_, texture);
}

void TLSVGauge::SetTextureOnFore(const TDrawnPicture& texture) {
    Assign(textureOnFore_, texture);
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
    if (textureOnFore_.IsNull())
        return 0;
    return Horizontal() ? textureOnFore_.Size().width() : textureOnFore_.Size().height();
}

// One picture being built: the painter on its device pixels, the grid of the gauge's place, the
// drawing area in logical and in device pixels, and the textures drawn for the area's place.
struct TLSVGauge::TCanvas {
    QPainter& p;
    TDeviceGrid grid;
    QRect area;
    QRect pixels;
    QImage back, backMasked, fore, foreMasked;
};

QImage TLSVGauge::Picture(const TDeviceGrid& at) const {
    const TDeviceGrid grid = at.Local();
    QImage image(grid.Extent(size()), QImage::Format_RGB32);
    image.fill(palette().color(QPalette::Window));
    QPainter p(&image);
    const QRect area = DrawingArea();
    TCanvas c{p, grid, area, grid.Map(area), {}, {}, {}, {}};
    QRect client = rect();
    if (frame3D_) {
        PaintFrame3D(c, client);
        client.adjust(2, 2, -2, -2);
    }
    const bool framed = borderStyle_ == TLSVBorderStyle::Single && kind_ != lgkPie;
    if (area.width() > 0 && area.height() > 0) {
        const TDeviceGrid texturePlace = grid.Moved(area.topLeft());
        c.back = Opaque(textureOnBack_.Image(texturePlace));
        c.backMasked = Masked(c.back);
        c.fore = Opaque(textureOnFore_.Image(texturePlace));
        c.foreMasked = Masked(c.fore);
        p.save();
        p.setClipRect(c.pixels);
        if (kind_ == lgkHorizontalBar || kind_ == lgkVerticalBar)
            PaintBar(c);
        else
            PaintPie(c);
        p.restore();
    }
    if (framed && client.width() > 0 && client.height() > 0)
        FillFrame(p, grid.Map(client), grid.Line(), borderColor_);
    p.end();
    image.setDevicePixelRatio(grid.Ratio());
    return image;
}

void TLSVGauge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const TDevicePainting device(painter);
    const QImage picture = Picture(device.Grid());
    painter.drawImage(QRect(device.Map(rect()).topLeft(), picture.size()), picture, picture.rect());
}

void TLSVGauge::PaintFrame3D(TCanvas& c, const QRect& r) const {
    // A sunken edge: shadow above and left, light below and right, two logical pixels deep.
    const QPalette& pal = palette();
    const auto edge = [&c](const QRect& outer, const QColor& upperLeft, const QColor& lowerRight) {
        const QRect out = c.grid.Map(outer), in = c.grid.Map(outer.adjusted(1, 1, -1, -1));
        const int top = in.top() - out.top(), left = in.left() - out.left();
        const int bottom = out.bottom() - in.bottom(), right = out.right() - in.right();
        c.p.fillRect(QRect(out.left(), out.top(), out.width(), top), upperLeft);
        c.p.fillRect(QRect(out.left(), out.top(), left, out.height()), upperLeft);
        c.p.fillRect(QRect(out.left(), out.bottom() + 1 - bottom, out.width(), bottom), lowerRight);
        c.p.fillRect(QRect(out.right() + 1 - right, out.top(), right, out.height()), lowerRight);
    };
    edge(r, pal.color(QPalette::Mid), pal.color(QPalette::Light));
    edge(r.adjusted(1, 1, -1, -1), pal.color(QPalette::Dark), pal.color(QPalette::Midlight));
}

void TLSVGauge::PaintBackground(TCanvas& c) const {
    if (transparentBack_ && !c.backMasked.isNull()) {
        c.p.fillRect(c.pixels, backColor_);
        FillTiled(c.p, c.pixels, c.backMasked, c.pixels.topLeft());
    } else if (!c.back.isNull()) {
        FillTiled(c.p, c.pixels, c.back, c.pixels.topLeft());
    } else {
        c.p.fillRect(c.pixels, backColor_);
    }
}

void TLSVGauge::PaintBar(TCanvas& c) const {
    PaintBackground(c);
    const QRect& area = c.area;
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
        PaintFill(c, fill);
    }
    if (showText_)
        PaintLabel(c, area, fill, std::max(length, 0));
}

void TLSVGauge::PaintFill(TCanvas& c, const QRect& fill) const {
    QPainter& p = c.p;
    const QImage& texture = transparentFore_ ? c.foreMasked : c.fore;
    const QRect pixels = c.grid.Map(fill);
    if (texture.isNull()) {
        p.fillRect(pixels, foreColor_);
        return;
    }
    const bool horizontal = Horizontal();
    const QSize size = textureOnFore_.Size();
    const GaugeMath::TCaps caps =
        GaugeMath::EdgeCaps(horizontal ? fill.width() : fill.height(), edge_,
                            horizontal ? size.width() : size.height());
    if (horizontal) {
        // The caps' device widths, within what the texture has.
        const int head =
            std::min(c.grid.X(fill.left() + caps.Head) - pixels.left(), texture.width());
        const int tail =
            std::min(pixels.right() + 1 - c.grid.X(fill.right() + 1 - caps.Tail), texture.width());
        FillTiled(p, pixels.adjusted(head, 0, -tail, 0), texture, c.pixels.topLeft());
        if (head > 0)
            FillTiled(p, QRect(pixels.left(), pixels.top(), head, pixels.height()),
                      texture.copy(0, 0, head, texture.height()),
                      QPoint(pixels.left(), c.pixels.top()));
        if (tail > 0) {
            const int x = pixels.right() + 1 - tail;
            FillTiled(p, QRect(x, pixels.top(), tail, pixels.height()),
                      texture.copy(texture.width() - tail, 0, tail, texture.height()),
                      QPoint(x, c.pixels.top()));
        }
    } else {
        // Textures line up with the bottom edge, where the fill starts.
        const int head = std::min(pixels.bottom() + 1 - c.grid.Y(fill.bottom() + 1 - caps.Head),
                                  texture.height());
        const int tail =
            std::min(c.grid.Y(fill.top() + caps.Tail) - pixels.top(), texture.height());
        FillTiled(p, pixels.adjusted(0, tail, 0, -head), texture,
                  QPoint(c.pixels.left(), c.pixels.bottom() + 1));
        if (head > 0) {
            const int y = pixels.bottom() + 1 - head;
            FillTiled(p, QRect(pixels.left(), y, pixels.width(), head),
                      texture.copy(0, texture.height() - head, texture.width(), head),
                      QPoint(c.pixels.left(), y));
        }
        if (tail > 0)
            FillTiled(p, QRect(pixels.left(), pixels.top(), pixels.width(), tail),
                      texture.copy(0, 0, texture.width(), tail),
                      QPoint(c.pixels.left(), pixels.top()));
    }
}

void TLSVGauge::PaintPie(TCanvas& c) const {
    QPainter& p = c.p;
    PaintBackground(c);
    const QRect& area = c.area;
    const QTransform toDevice = c.grid.Transform();
    const int rim = kind_ == lgkPie3D ? std::clamp(pie3DHeight_, 0, area.height()) : 0;
    const QRect ellipse(area.left(), area.top(), area.width(), area.height() - rim);
    if (kind_ == lgkPie && borderStyle_ == TLSVBorderStyle::Single) {
        p.save();
        p.setWorldTransform(toDevice);
        p.setPen(QPen(borderColor_, c.grid.Line() / c.grid.Ratio()));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(ellipse.adjusted(0, 0, -1, -1));
        p.restore();
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
            p.fillPath(toDevice.map(segment.translated(0, offset)), pie3DColor_);
        // Shapes are mapped to the device rather than the painter, so textures tile pixel for
        // pixel.
        const QImage& texture = transparentFore_ ? c.foreMasked : c.fore;
        if (texture.isNull()) {
            p.fillPath(toDevice.map(segment), foreColor_);
        } else {
            p.setBrushOrigin(c.pixels.topLeft());
            p.fillPath(toDevice.map(segment), QBrush(texture));
        }
        p.restore();
    }
    if (showText_)
        PaintLabel(c, ellipse, QRect(), 0);
}

void TLSVGauge::PaintLabel(TCanvas& c, const QRect& area, const QRect& fill, int fillLength) const {
    QPainter& p = c.p;
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
    const auto draw = [&](const QColor& color, const QRegion& clip) {
        if (clip.isEmpty())
            return;
        p.save();
        // The clip on device pixels, the text in logical pixels drawn at the device's resolution.
        p.setClipRegion(c.grid.MapRegion(clip), Qt::IntersectClip);
        p.setWorldTransform(c.grid.Transform());
        p.setFont(font_.Font);
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
