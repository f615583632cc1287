#include "metafile/ui/MetafilePlayer.h"

#include "metafile/ui/MetafileObjects.h"

#include <QFontMetricsF>
#include <QImage>
#include <QLineF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPathStroker>
#include <QPolygonF>
#include <QtMath>
#include <algorithm>
#include <cmath>

namespace Metafile {

namespace {

// A file that saves its state without end must not take memory without end; deeper saves are
// ignored (real files nest a handful).
constexpr std::size_t kMaxSavedStates = 4096;
constexpr double kDefaultFontPixels = 12; // GDI's stock fonts, in reference device pixels
// Larger than any screen the picture is shown on. Qt renders some scripts' glyphs as images: at
// 20000 pixels one character took 1.8 GB and seconds; at 2048 it takes some 40 MB.
constexpr double kMaxTextPixels = 2048;

enum : std::uint32_t {
    WHITE_BRUSH = 0,
    LTGRAY_BRUSH = 1,
    GRAY_BRUSH = 2,
    DKGRAY_BRUSH = 3,
    BLACK_BRUSH = 4,
    NULL_BRUSH = 5,
    WHITE_PEN = 6,
    BLACK_PEN = 7,
    NULL_PEN = 8,
    OEM_FIXED_FONT = 10,
    DEVICE_DEFAULT_FONT = 14,
    DEFAULT_PALETTE = 15,
    SYSTEM_FIXED_FONT = 16,
    DEFAULT_GUI_FONT = 17,
    DC_BRUSH = 18,
    DC_PEN = 19,
};

std::optional<TGdiObject> StockObject(std::uint32_t index) {
    auto brush = [](std::uint8_t grey) {
        return TLogBrush{BS_SOLID, TColor{grey, grey, grey}, 0, nullptr};
    };
    switch (index) {
    case WHITE_BRUSH:
    case DC_BRUSH:
        return brush(0xFF);
    case LTGRAY_BRUSH:
        return brush(0xC0);
    case GRAY_BRUSH:
        return brush(0x80);
    case DKGRAY_BRUSH:
        return brush(0x40);
    case BLACK_BRUSH:
        return brush(0x00);
    case NULL_BRUSH:
        return TLogBrush{BS_NULL, {}, 0, nullptr};
    case WHITE_PEN:
        return TLogPen{PS_SOLID, 0, TColor{0xFF, 0xFF, 0xFF}, {}};
    case BLACK_PEN:
    case DC_PEN:
        return TLogPen{PS_SOLID, 0, TColor{}, {}};
    case NULL_PEN:
        return TLogPen{PS_NULL, 0, TColor{}, {}};
    default:
        // The stock fonts lie either side of the default palette, which is no font.
        if ((index >= OEM_FIXED_FONT && index <= DEVICE_DEFAULT_FONT) ||
            index == SYSTEM_FIXED_FONT || index == DEFAULT_GUI_FONT)
            return TLogFont{};
        return std::nullopt;
    }
}

QPointF ToPoint(TPoint p) {
    return QPointF(p.x, p.y);
}

QRectF ToRect(const TRect& r) {
    return QRectF(QPointF(r.left, r.top), QPointF(r.right, r.bottom)).normalized();
}

// How long one unit along (dx, dy) comes out under t.
double Stretch(const QTransform& t, double dx, double dy) {
    return QLineF(t.map(QPointF(0, 0)), t.map(QPointF(dx, dy))).length();
}

// A transform Qt can draw with: finite, not absurdly large, not collapsing the plane.
bool Usable(const QTransform& t) {
    for (const double v : {t.m11(), t.m12(), t.m21(), t.m22(), t.dx(), t.dy()})
        if (!std::isfinite(v) || std::abs(v) > 1e9)
            return false;
    return std::abs(t.determinant()) > 1e-12;
}

QTransform ToQTransform(const TXform& x) {
    return QTransform(x.m11, x.m12, x.m21, x.m22, x.dx, x.dy);
}

// Degrees in (0, 360].
double SweepDegrees(double degrees) {
    double d = std::fmod(degrees, 360.0);
    if (d < 0)
        d += 360;
    if (d < 1e-9)
        d += 360;
    return d;
}

// Appends from's elements, starting at index first, to `to`. A move starts a new figure and, with
// closeFigures, closes the one before it.
void AppendElements(QPainterPath& to, const QPainterPath& from, int first, bool closeFigures) {
    for (int i = first; i < from.elementCount(); ++i) {
        const QPainterPath::Element e = from.elementAt(i);
        if (e.isMoveTo()) {
            if (closeFigures && i > 0)
                to.closeSubpath();
            to.moveTo(e);
        } else if (e.isCurveTo() && i + 2 < from.elementCount()) {
            to.cubicTo(e, from.elementAt(i + 1), from.elementAt(i + 2));
            i += 2;
        } else {
            to.lineTo(e);
        }
    }
}

QPainterPath WithEveryFigureClosed(const QPainterPath& path) {
    QPainterPath closed;
    AppendElements(closed, path, 0, true);
    closed.closeSubpath();
    closed.setFillRule(path.fillRule());
    return closed;
}

QPainter::CompositionMode BlitMode(std::uint32_t rop) {
    switch (rop) {
    case SRCPAINT:
        return QPainter::RasterOp_SourceOrDestination;
    case SRCAND:
        return QPainter::RasterOp_SourceAndDestination;
    case SRCINVERT:
        return QPainter::RasterOp_SourceXorDestination;
    case SRCERASE:
        return QPainter::RasterOp_SourceAndNotDestination;
    case NOTSRCCOPY:
        return QPainter::RasterOp_NotSource;
    case NOTSRCERASE:
        return QPainter::RasterOp_NotSourceAndNotDestination;
    case MERGEPAINT:
        return QPainter::RasterOp_NotSourceOrDestination;
    default:
        return QPainter::CompositionMode_SourceOver;
    }
}

} // namespace

TMetafilePlayer::TMetafilePlayer(const TMetafile& file, QPainter& painter, const QRectF& target)
    : file_(file), painter_(painter), painterBase_(painter.worldTransform()),
      frame_(file.frameLeft, file.frameTop, file.frameWidth, file.frameHeight) {
    state_.mapping = TPageMapping(file);
    state_.brush.color = TColor{0xFF, 0xFF, 0xFF}; // a new device context has a white brush
    const QTransform frameToTarget =
        QTransform::fromTranslate(-frame_.left(), -frame_.top()) *
        QTransform::fromScale(target.width() / frame_.width(), target.height() / frame_.height()) *
        QTransform::fromTranslate(target.left(), target.top());
    deviceToPainter_ = frameToTarget * painterBase_;

    QPainterPath targetArea;
    targetArea.addRect(target);
    targetClip_ = painterBase_.map(targetArea);
    if (painter.hasClipping())
        targetClip_ = targetClip_.intersected(painterBase_.map(painter.clipPath()));
}

void TMetafilePlayer::Play() {
    painter_.save();
    painter_.setRenderHint(QPainter::Antialiasing);
    ApplyClip();
    for (const TCommand& command : file_.commands)
        std::visit([this](const auto& c) { Do(c); }, command);
    painter_.restore();
}

// ---- Mapping ----

void TMetafilePlayer::MappingChanged() {
    transformsValid_ = false;
}

const QTransform& TMetafilePlayer::LogicalToDevice() {
    if (!transformsValid_) {
        const TAxisMapping m = state_.mapping.ToDevice();
        logicalToDevice_ =
            state_.world * QTransform(m.scaleX, 0, 0, m.scaleY, m.offsetX, m.offsetY);
        logicalToPainter_ = logicalToDevice_ * deviceToPainter_;
        canDraw_ = Usable(logicalToDevice_) && Usable(logicalToPainter_);
        transformsValid_ = true;
    }
    return logicalToDevice_;
}

const QTransform& TMetafilePlayer::LogicalToPainter() {
    LogicalToDevice();
    return logicalToPainter_;
}

bool TMetafilePlayer::CanDraw() {
    LogicalToDevice();
    return canDraw_;
}

double TMetafilePlayer::PixelsPerUnit() {
    return std::sqrt(std::abs(LogicalToPainter().determinant()));
}

void TMetafilePlayer::Do(const TSetMapMode& c) {
    state_.mapping.SetMapMode(c.mode);
    MappingChanged();
}

void TMetafilePlayer::Do(const TMappingOp& c) {
    state_.mapping.Apply(c);
    MappingChanged();
}

void TMetafilePlayer::Do(const TWorldTransform& c) {
    using EKind = TWorldTransform::EKind;
    const QTransform x = ToQTransform(c.xform);
    switch (c.kind) {
    case EKind::Set:
        state_.world = x;
        break;
    case EKind::Identity:
        state_.world = QTransform();
        break;
    case EKind::LeftMultiply:
        state_.world = x * state_.world;
        break;
    case EKind::RightMultiply:
        state_.world = state_.world * x;
        break;
    }
    MappingChanged();
}

// ---- Objects and attributes ----

void TMetafilePlayer::Do(const TCreateObject& c) {
    objects_[c.index] = c.object;
}

void TMetafilePlayer::Do(const TSelectObject& c) {
    std::optional<TGdiObject> stock;
    const TGdiObject* object = nullptr;
    if (c.index & STOCK_OBJECT_FLAG) {
        stock = StockObject(c.index & ~STOCK_OBJECT_FLAG);
        object = stock ? &*stock : nullptr;
    } else if (const auto found = objects_.find(c.index); found != objects_.end()) {
        object = &found->second;
    }
    if (object == nullptr)
        return; // a deleted or never created object: GDI keeps the selection
    if (const auto* pen = std::get_if<TLogPen>(object))
        state_.pen = *pen;
    else if (const auto* brush = std::get_if<TLogBrush>(object))
        state_.brush = *brush;
    else if (const auto* font = std::get_if<TLogFont>(object))
        state_.font = *font;
}

void TMetafilePlayer::Do(const TDeleteObject& c) {
    objects_.erase(c.index);
}

void TMetafilePlayer::Do(const TSetAttribute& c) {
    using EKind = TSetAttribute::EKind;
    switch (c.kind) {
    case EKind::TextColor:
        state_.textColor = ToQColor(TColor::FromColorRef(c.value));
        break;
    case EKind::BkColor:
        state_.bkColor = ToQColor(TColor::FromColorRef(c.value));
        break;
    case EKind::BkMode:
        if (c.value == TRANSPARENT || c.value == OPAQUE)
            state_.bkMode = c.value;
        break;
    case EKind::TextAlign:
        state_.textAlign = c.value;
        break;
    case EKind::PolyFillMode:
        if (c.value == ALTERNATE || c.value == WINDING)
            state_.polyFillMode = c.value;
        break;
    case EKind::ArcDirection:
        if (c.value == AD_COUNTERCLOCKWISE || c.value == AD_CLOCKWISE)
            state_.arcDirection = c.value;
        break;
    case EKind::StretchMode:
        state_.stretchMode = c.value;
        break;
    }
}

void TMetafilePlayer::Do(const TSetMiterLimit& c) {
    if (c.limit >= 1) // GDI refuses smaller limits
        state_.miterLimit = c.limit;
}

// ---- Drawing ----

void TMetafilePlayer::Render(const QPainterPath& figure, bool closed) {
    if (recordingPath_) {
        path_.addPath(LogicalToDevice().map(figure));
        figureOpen_ = false;
        return;
    }
    if (!CanDraw())
        return;
    painter_.setTransform(LogicalToPainter());
    if (closed)
        FillFigure(figure);
    StrokeFigure(figure);
}

QBrush TMetafilePlayer::CurrentBrush() const {
    const TLogBrush& brush = state_.brush;
    if (brush.style != BS_HATCHED || brush.hatch < HS_SOLIDCLR || brush.hatch > HS_DITHEREDBKCLR)
        return MakeBrush(brush);
    // Hatch styles that are no hatch but a solid colour, some of them the device context's.
    if (brush.hatch >= HS_SOLIDBKCLR)
        return state_.bkColor;
    if (brush.hatch >= HS_SOLIDTEXTCLR)
        return state_.textColor;
    return ToQColor(brush.color);
}

void TMetafilePlayer::FillFigure(const QPainterPath& figure) {
    QBrush brush = CurrentBrush();
    if (brush.style() == Qt::NoBrush)
        return;
    if (brush.style() == Qt::TexturePattern)
        brush.setTransform(painter_.worldTransform().inverted()); // GDI patterns are not scaled
    if (state_.brush.style == BS_HATCHED && brush.style() != Qt::SolidPattern &&
        state_.bkMode == OPAQUE)
        painter_.fillPath(figure, state_.bkColor);
    painter_.fillPath(figure, brush);
}

QPen TMetafilePlayer::CurrentPen() {
    return MakePen(state_.pen, PixelsPerUnit(), state_.miterLimit);
}

void TMetafilePlayer::StrokeFigure(const QPainterPath& figure) {
    const QPen pen = CurrentPen();
    if (pen.style() == Qt::NoPen)
        return;
    // One-pixel lines stay crisp, as GDI draws them; smoothed they would smear over two pixels.
    const bool hairline = pen.widthF() == 0;
    painter_.setRenderHint(QPainter::Antialiasing, !hairline);
    // While the background is opaque, the gaps of a styled line show the background colour.
    if (state_.bkMode == OPAQUE && !pen.dashPattern().isEmpty()) {
        QPen gaps(pen);
        gaps.setStyle(Qt::SolidLine);
        gaps.setColor(state_.bkColor);
        painter_.strokePath(figure, gaps);
    }
    painter_.strokePath(figure, pen);
    painter_.setRenderHint(QPainter::Antialiasing, true);
}

void TMetafilePlayer::ContinuePathFigure(const QPainterPath& figure) {
    const QTransform& toDevice = LogicalToDevice();
    if (!figureOpen_) {
        path_.moveTo(toDevice.map(state_.position));
        figureStart_ = state_.position;
        figureOpen_ = true;
    }
    // Element by element: QPainterPath::connectPath would drop the opening move of a new figure
    // and join it to the figure before with a line.
    AppendElements(path_, toDevice.map(figure), 1, false);
}

void TMetafilePlayer::RenderFromPosition(const QPainterPath& figure) {
    if (recordingPath_)
        ContinuePathFigure(figure);
    else
        Render(figure, false);
    state_.position = figure.currentPosition();
}

void TMetafilePlayer::Do(const TMoveTo& c) {
    state_.position = ToPoint(c.point);
    lastMove_ = state_.position;
    figureOpen_ = false;
}

void TMetafilePlayer::Do(const TLineTo& c) {
    QPainterPath line(state_.position);
    line.lineTo(ToPoint(c.point));
    RenderFromPosition(line);
}

void TMetafilePlayer::Do(const TPoly& c) {
    using EKind = TPoly::EKind;
    switch (c.kind) {
    case EKind::Polyline:
        for (const auto& points : c.figures) {
            QPainterPath figure(ToPoint(points.front()));
            for (std::size_t i = 1; i < points.size(); ++i)
                figure.lineTo(ToPoint(points[i]));
            Render(figure, false);
        }
        break;
    case EKind::Polygon: {
        // All polygons of a poly-polygon fill as one shape, so overlaps follow the fill mode.
        QPainterPath figure;
        figure.setFillRule(state_.polyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
        for (const auto& points : c.figures) {
            figure.moveTo(ToPoint(points.front()));
            for (std::size_t i = 1; i < points.size(); ++i)
                figure.lineTo(ToPoint(points[i]));
            figure.closeSubpath();
        }
        Render(figure, true);
        break;
    }
    case EKind::PolyBezier:
        for (const auto& points : c.figures) {
            QPainterPath figure(ToPoint(points.front()));
            for (std::size_t i = 1; i + 2 < points.size(); i += 3)
                figure.cubicTo(ToPoint(points[i]), ToPoint(points[i + 1]), ToPoint(points[i + 2]));
            Render(figure, false);
        }
        break;
    case EKind::PolylineTo:
    case EKind::PolyBezierTo: {
        const bool bezier = c.kind == EKind::PolyBezierTo;
        const auto& points = c.figures.front();
        QPainterPath figure(state_.position);
        for (std::size_t i = 0; i < points.size(); i += bezier ? 3 : 1) {
            if (!bezier)
                figure.lineTo(ToPoint(points[i]));
            else if (i + 2 < points.size())
                figure.cubicTo(ToPoint(points[i]), ToPoint(points[i + 1]), ToPoint(points[i + 2]));
        }
        RenderFromPosition(figure);
        break;
    }
    }
}

void TMetafilePlayer::Do(const TShape& c) {
    const QRectF box = ToRect(c.box);
    if (box.isEmpty())
        return;
    QPainterPath figure;
    switch (c.kind) {
    case TShape::EKind::Rectangle:
        figure.addRect(box);
        break;
    case TShape::EKind::Ellipse:
        figure.addEllipse(box);
        break;
    case TShape::EKind::RoundRect:
        figure.addRoundedRect(
            box, std::min(std::abs(static_cast<double>(c.corner.x)) / 2, box.width() / 2),
            std::min(std::abs(static_cast<double>(c.corner.y)) / 2, box.height() / 2));
        break;
    }
    Render(figure, true);
}

QPainterPath TMetafilePlayer::ArcFigure(const TArc& arc, QPointF& endPoint) {
    const QRectF box = ToRect(arc.box);
    QPainterPath figure;
    if (box.isEmpty())
        return figure;
    const QPointF center = box.center();
    const double a = box.width() / 2, b = box.height() / 2;
    // The arc runs from where the ray from the centre through the start point meets the
    // ellipse to where the ray through the end point does: as ellipse angles, scaled by the axes.
    auto angleOf = [&](TPoint p) {
        return qRadiansToDegrees(std::atan2(-(p.y - center.y()) * a, (p.x - center.x()) * b));
    };
    const double start = angleOf(arc.start);
    const double end = angleOf(arc.end);
    // The direction holds on the device; a mapping that mirrors turns it round in logical units.
    bool counterClockwise = state_.arcDirection == AD_COUNTERCLOCKWISE;
    if (LogicalToDevice().determinant() < 0)
        counterClockwise = !counterClockwise;
    const double sweep = counterClockwise ? SweepDegrees(end - start) : -SweepDegrees(start - end);

    switch (arc.kind) {
    case TArc::EKind::ArcTo:
        figure.moveTo(state_.position);
        figure.arcTo(box, start, sweep);
        break;
    case TArc::EKind::Pie:
        figure.moveTo(center);
        figure.arcTo(box, start, sweep);
        break;
    default:
        figure.arcMoveTo(box, start);
        figure.arcTo(box, start, sweep);
        break;
    }
    endPoint = figure.currentPosition();
    if (arc.kind == TArc::EKind::Pie || arc.kind == TArc::EKind::Chord)
        figure.closeSubpath();
    return figure;
}

void TMetafilePlayer::Do(const TArc& c) {
    QPointF end;
    const QPainterPath figure = ArcFigure(c, end);
    if (figure.isEmpty())
        return;
    if (c.kind == TArc::EKind::ArcTo)
        RenderFromPosition(figure);
    else
        Render(figure, c.kind != TArc::EKind::Arc);
}

void TMetafilePlayer::Do(const TAngleArc& c) {
    const QPointF center = ToPoint(c.center);
    const QRectF box(center.x() - c.radius, center.y() - c.radius, 2 * c.radius, 2 * c.radius);
    QPainterPath figure(state_.position);
    figure.arcTo(box, c.startAngle, c.sweepAngle); // the line to the arc's start comes with it
    RenderFromPosition(figure);
}

void TMetafilePlayer::Do(const TPolyDraw& c) {
    // Lines and curves that follow each other go as one figure, so that their corners join; a
    // move or a closed figure ends it. Nothing is filled.
    QPainterPath run(state_.position);
    auto flush = [&] {
        if (run.elementCount() > 1)
            RenderFromPosition(run);
        run = QPainterPath(state_.position);
    };
    const std::size_t count = std::min(c.points.size(), c.kinds.size());
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t kind = c.kinds[i];
        if (kind == TPolyDraw::MoveTo) {
            flush();
            Do(TMoveTo{c.points[i]});
            run = QPainterPath(state_.position);
            continue;
        }
        if ((kind & ~TPolyDraw::CloseFigure) == TPolyDraw::BezierTo && i + 2 < count) {
            run.cubicTo(ToPoint(c.points[i]), ToPoint(c.points[i + 1]), ToPoint(c.points[i + 2]));
            i += 2;
        } else {
            run.lineTo(ToPoint(c.points[i]));
        }
        if ((c.kinds[i] & TPolyDraw::CloseFigure) == 0)
            continue;
        // Closed back to the last move: in a path as a closed figure, on the page by a line.
        if (!recordingPath_)
            run.lineTo(lastMove_);
        flush();
        if (recordingPath_) {
            Do(TPathOp{TPathOp::EKind::CloseFigure}); // moves the position to the figure's start
            run = QPainterPath(state_.position);
        }
    }
    flush();
}

void TMetafilePlayer::Do(const TGradientFill& c) {
    if (recordingPath_ || !CanDraw())
        return;
    painter_.setTransform(LogicalToPainter());
    for (const auto& shape : c.shapes) {
        const auto& a = c.vertices[shape[0]];
        const auto& b = c.vertices[shape[1]];
        if (c.kind == TGradientFill::EKind::Triangles) {
            ShadeTriangle({a, b, c.vertices[shape[2]]});
            continue;
        }
        // The first corner's colour stands along its edge, the second's along the opposite one.
        const QPointF from = ToPoint(a.point), to = ToPoint(b.point);
        QLinearGradient gradient(from, c.kind == TGradientFill::EKind::Horizontal
                                           ? QPointF(to.x(), from.y())
                                           : QPointF(from.x(), to.y()));
        gradient.setColorAt(0, ToQColor(a.color));
        gradient.setColorAt(1, ToQColor(b.color));
        painter_.fillRect(QRectF(from, to).normalized(), gradient);
    }
}

void TMetafilePlayer::ShadeTriangle(const std::array<TGradientFill::TVertex, 3>& corners) {
    // Shaded pixel by pixel at the output's own resolution, within the target only; a pixel
    // belongs to the triangle when its centre does, as GDI fills without smoothing.
    const double ratio = painter_.device()->devicePixelRatioF();
    std::array<QPointF, 3> p;
    for (std::size_t i = 0; i < 3; ++i)
        p[i] = painter_.transform().map(ToPoint(corners[i].point)) * ratio;
    const double area = (p[1].x() - p[0].x()) * (p[2].y() - p[0].y()) -
                        (p[2].x() - p[0].x()) * (p[1].y() - p[0].y());
    const QRectF within(targetClip_.boundingRect().topLeft() * ratio,
                        targetClip_.boundingRect().size() * ratio);
    const QRect pixels = QPolygonF({p[0], p[1], p[2]})
                             .boundingRect()
                             .intersected(within)
                             .toAlignedRect()
                             .intersected(within.toAlignedRect());
    if (std::abs(area) < 1e-9 || pixels.isEmpty())
        return;
    QImage image(pixels.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    auto weight = [&](const QPointF& from, const QPointF& to, const QPointF& at) {
        return ((to.x() - from.x()) * (at.y() - from.y()) -
                (at.x() - from.x()) * (to.y() - from.y())) /
               area;
    };
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QPointF at(pixels.left() + x + 0.5, pixels.top() + y + 0.5);
            const double w0 = weight(p[1], p[2], at), w1 = weight(p[2], p[0], at);
            const double w2 = 1 - w0 - w1;
            if (w0 < 0 || w1 < 0 || w2 < 0)
                continue;
            auto mix = [&](std::uint8_t TColor::*channel) {
                return std::clamp(static_cast<int>(std::lround(w0 * corners[0].color.*channel +
                                                               w1 * corners[1].color.*channel +
                                                               w2 * corners[2].color.*channel)),
                                  0, 255);
            };
            line[x] = qRgb(mix(&TColor::r), mix(&TColor::g), mix(&TColor::b));
        }
    }
    image.setDevicePixelRatio(ratio);
    painter_.setTransform(QTransform());
    painter_.drawImage(QPointF(pixels.topLeft()) / ratio, image);
    painter_.setTransform(LogicalToPainter());
}

void TMetafilePlayer::Do(const TSetPixel& c) {
    if (recordingPath_ || !CanDraw())
        return;
    const QPointF device = LogicalToDevice().map(ToPoint(c.point));
    painter_.setTransform(deviceToPainter_);
    painter_.fillRect(QRectF(std::floor(device.x()), std::floor(device.y()), 1, 1),
                      ToQColor(c.color));
}

void TMetafilePlayer::Do(const TText& c) {
    if (recordingPath_ || c.text.empty() || !CanDraw())
        return;
    const QTransform toPainter = LogicalToPainter();
    const bool updatePosition = (state_.textAlign & TA_UPDATECP) != 0;
    const QPointF reference = updatePosition ? state_.position : ToPoint(c.reference);

    if (c.rect && (c.options & ETO_OPAQUE)) {
        painter_.setTransform(toPainter);
        painter_.fillRect(ToRect(*c.rect), state_.bkColor);
    }

    // The text is laid out in output pixels along its baseline, so that small logical units
    // still give a font of a sensible size.
    const double unitX = Stretch(toPainter, 1, 0);
    const double unitY = Stretch(toPainter, 0, 1);
    const TLogFont& logFont = state_.font;
    double height = logFont.height * unitY;
    if (logFont.height == 0)
        height = -kDefaultFontPixels * Stretch(deviceToPainter_, 0, 1);
    if (std::abs(height) < 0.5)
        return; // too small to see
    height = std::clamp(height, -kMaxTextPixels, kMaxTextPixels);
    const double width =
        std::min(std::abs(static_cast<double>(logFont.width)) * unitX, kMaxTextPixels);
    const QFont font = MakeFont(logFont, height, width);
    const QFontMetricsF metrics(font, painter_.device());
    const QString text = QString::fromUtf16(c.text.data(), static_cast<qsizetype>(c.text.size()));

    std::vector<double> offsets; // of each character from the start, with explicit advances
    double advance = 0;
    if (!c.dx.empty()) {
        offsets.reserve(c.dx.size());
        for (const std::int32_t dx : c.dx) {
            offsets.push_back(advance);
            advance += dx * unitX;
        }
    } else {
        advance = metrics.horizontalAdvance(text);
    }

    double x = 0;
    switch (state_.textAlign & TA_HORIZONTAL_MASK) {
    case TA_RIGHT:
        x = -advance;
        break;
    case TA_CENTER:
        x = -advance / 2;
        break;
    default:
        break;
    }
    double baseline = metrics.ascent(); // TA_TOP
    if ((state_.textAlign & TA_VERTICAL_MASK) == TA_BASELINE)
        baseline = 0;
    else if ((state_.textAlign & TA_VERTICAL_MASK) == TA_BOTTOM)
        baseline = -metrics.descent();

    // Escapement turns the baseline counter-clockwise; a rotating world transform turns it too.
    const QTransform& world = state_.world;
    const double angle = logFont.escapement / 10.0 +
                         QLineF(world.map(QPointF(0, 0)), world.map(QPointF(1, 0))).angle();

    painter_.save();
    if (c.rect && (c.options & ETO_CLIPPED)) {
        painter_.setTransform(toPainter);
        painter_.setClipRect(ToRect(*c.rect), Qt::IntersectClip);
    }
    QTransform local =
        QTransform::fromTranslate(toPainter.map(reference).x(), toPainter.map(reference).y());
    local.rotate(-angle);
    painter_.setTransform(local);
    if (state_.bkMode == OPAQUE)
        painter_.fillRect(
            QRectF(x, baseline - metrics.ascent(), advance, metrics.ascent() + metrics.descent()),
            state_.bkColor);
    painter_.setFont(font);
    painter_.setPen(state_.textColor);
    if (offsets.empty()) {
        painter_.drawText(QPointF(x, baseline), text);
    } else {
        for (qsizetype i = 0; i < text.size() && std::size_t(i) < offsets.size(); ++i) {
            // A surrogate pair is one character with two advances.
            const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
            painter_.drawText(QPointF(x + offsets[static_cast<std::size_t>(i)], baseline),
                              text.mid(i, length));
            i += length - 1;
        }
    }
    painter_.restore();

    if (updatePosition) {
        const double logical = unitX > 0 ? advance / unitX : 0;
        if ((state_.textAlign & TA_HORIZONTAL_MASK) == 0)
            state_.position.rx() += logical;
        else if ((state_.textAlign & TA_HORIZONTAL_MASK) == TA_RIGHT)
            state_.position.rx() -= logical;
    }
}

void TMetafilePlayer::Do(const TBlit& c) {
    if (recordingPath_ || c.width == 0 || c.height == 0 || !CanDraw())
        return;
    painter_.setTransform(LogicalToPainter());
    const QRectF dest(c.x, c.y, c.width, c.height);

    if (!c.bitmap) {
        QPainterPath area;
        area.addRect(dest.normalized());
        switch (c.rop) {
        case PATCOPY:
            FillFigure(area);
            break;
        case BLACKNESS:
            painter_.fillPath(area, Qt::black);
            break;
        case WHITENESS:
            painter_.fillPath(area, Qt::white);
            break;
        case DSTINVERT:
        case PATINVERT:
            painter_.save();
            painter_.setCompositionMode(c.rop == DSTINVERT
                                            ? QPainter::RasterOp_NotDestination
                                            : QPainter::RasterOp_SourceXorDestination);
            painter_.fillPath(area, c.rop == DSTINVERT ? QBrush(Qt::white) : CurrentBrush());
            painter_.restore();
            break;
        default:
            break; // operations that need a source this record does not have
        }
        return;
    }

    const TBitmap& bitmap = *c.bitmap;
    if (c.srcWidth <= 0 || c.srcHeight <= 0)
        return;
    double srcY = c.srcY;
    if (c.sourceFromBottom && bitmap.bottomUp)
        srcY = static_cast<double>(bitmap.height) - c.srcY - c.srcHeight;
    const QRectF source(c.srcX, srcY, c.srcWidth, c.srcHeight);
    const QImage image =
        ToQImage(bitmap, c.alphaBlend && c.perPixelAlpha ? EAlpha::Premultiplied : EAlpha::Opaque);

    painter_.save();
    // Bitmaps are stretched by repeating pixels, as GDI does, unless the file asks for halftone.
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, state_.stretchMode == HALFTONE);
    // Negative destination sizes mirror the bitmap; the scaling carries the sign.
    painter_.translate(dest.left(), dest.top());
    painter_.scale(dest.width() / source.width(), dest.height() / source.height());
    if (c.alphaBlend)
        painter_.setOpacity(c.constantAlpha / 255.0);
    else
        painter_.setCompositionMode(BlitMode(c.rop));
    painter_.drawImage(QRectF(QPointF(0, 0), source.size()), image, source);
    painter_.restore();
}

// ---- Device context stack ----

void TMetafilePlayer::Do(const TSaveDc&) {
    if (saved_.size() < kMaxSavedStates)
        saved_.push_back(state_);
}

void TMetafilePlayer::Do(const TRestoreDc& c) {
    // Negative: that many saves back; positive: the n-th saved state, counted from the first.
    const std::int64_t index = c.which < 0 ? static_cast<std::int64_t>(saved_.size()) + c.which
                                           : std::int64_t{c.which} - 1;
    if (c.which == 0 || index < 0 || index >= static_cast<std::int64_t>(saved_.size()))
        return;
    state_ = std::move(saved_[static_cast<std::size_t>(index)]);
    saved_.resize(static_cast<std::size_t>(index));
    MappingChanged();
    ApplyClip();
}

// ---- Clipping ----

QPainterPath TMetafilePlayer::FrameRegion() const {
    QPainterPath region;
    region.addRect(frame_);
    return region;
}

void TMetafilePlayer::CombineClip(const QPainterPath& region, std::uint32_t mode) {
    const QPainterPath current = state_.clip.value_or(FrameRegion());
    switch (mode) {
    case RGN_AND:
        state_.clip = current.intersected(region);
        break;
    case RGN_OR:
        state_.clip = current.united(region);
        break;
    case RGN_XOR:
        state_.clip = current.united(region).subtracted(current.intersected(region));
        break;
    case RGN_DIFF:
        state_.clip = current.subtracted(region);
        break;
    case RGN_COPY:
        state_.clip = region;
        break;
    default:
        return;
    }
    ApplyClip();
}

void TMetafilePlayer::ApplyClip() {
    QPainterPath clip = targetClip_;
    if (state_.clip)
        clip = clip.intersected(deviceToPainter_.map(*state_.clip));
    painter_.setTransform(QTransform());
    painter_.setClipPath(clip, Qt::ReplaceClip);
}

void TMetafilePlayer::Do(const TClipRect& c) {
    if (!CanDraw())
        return;
    QPainterPath rect;
    rect.addRect(ToRect(c.rect));
    CombineClip(LogicalToDevice().map(rect),
                c.kind == TClipRect::EKind::Intersect ? RGN_AND : RGN_DIFF);
}

void TMetafilePlayer::Do(const TClipRegion& c) {
    if (c.rects.empty()) {
        if (c.mode == RGN_COPY) {
            state_.clip.reset();
            ApplyClip();
        }
        return;
    }
    QPainterPath region;
    region.setFillRule(Qt::WindingFill);
    for (const TRect& r : c.rects)
        region.addRect(ToRect(r));
    CombineClip(region.simplified(), c.mode);
}

// ---- Paths ----

void TMetafilePlayer::Do(const TPathOp& c) {
    using EKind = TPathOp::EKind;
    switch (c.kind) {
    case EKind::Begin:
        recordingPath_ = true;
        pathEnded_ = false;
        figureOpen_ = false;
        path_ = QPainterPath();
        return;
    case EKind::End:
        if (recordingPath_) // an end without a beginning leaves an ended path as it is
            pathEnded_ = true;
        recordingPath_ = false;
        return;
    case EKind::CloseFigure:
        if (!recordingPath_)
            return;
        // The closing line ends at the figure's first point, and so does the current position:
        // a figure that follows without a move starts there.
        path_.closeSubpath();
        if (figureOpen_)
            state_.position = figureStart_;
        figureOpen_ = false;
        return;
    case EKind::Abort:
        recordingPath_ = false;
        pathEnded_ = false;
        figureOpen_ = false;
        path_ = QPainterPath();
        return;
    case EKind::SelectClip:
    case EKind::Fill:
    case EKind::Stroke:
    case EKind::StrokeAndFill:
    case EKind::Widen:
        // GDI refuses these until the recording has ended; while it goes on, the figures are
        // neither painted nor lost.
        if (pathEnded_)
            UsePath(c);
        return;
    }
}

void TMetafilePlayer::UsePath(const TPathOp& c) {
    using EKind = TPathOp::EKind;
    path_.setFillRule(state_.polyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    if (c.kind == EKind::Widen) {
        WidenPath();
        return; // the widened path waits to be used in turn
    }
    if (c.kind == EKind::SelectClip)
        CombineClip(path_, c.mode);
    // The path lies where the transforms in force while it was recorded put it; only the pen
    // takes the transform in force now, so a fill needs nothing of it.
    if (c.kind == EKind::Fill || c.kind == EKind::StrokeAndFill) {
        painter_.setTransform(deviceToPainter_);
        FillFigure(path_);
    }
    bool invertible = false;
    const QTransform toLogical = LogicalToDevice().inverted(&invertible);
    if ((c.kind == EKind::Stroke || c.kind == EKind::StrokeAndFill) && invertible && CanDraw()) {
        // Back to logical units, where pen widths and dashes mean what they say. Stroking and
        // filling at once closes the open figures, their outline too.
        painter_.setTransform(LogicalToPainter());
        StrokeFigure(toLogical.map(c.kind == EKind::Stroke ? path_ : WithEveryFigureClosed(path_)));
    }
    path_ = QPainterPath();
    pathEnded_ = false;
}

void TMetafilePlayer::WidenPath() {
    // GDI widens only with a geometric pen or one wider than a device unit.
    const double deviceUnits =
        std::abs(state_.pen.width) * std::sqrt(std::abs(LogicalToDevice().determinant()));
    bool invertible = false;
    const QTransform toLogical = LogicalToDevice().inverted(&invertible);
    if (((state_.pen.style & PS_GEOMETRIC) == 0 && !(deviceUnits > 1)) || !invertible || !CanDraw())
        return;
    QPen pen = CurrentPen();
    if (pen.widthF() == 0) // thinner than an output pixel: as wide as the pen says
        pen.setWidthF(std::abs(static_cast<double>(state_.pen.width)));
    // Simplified, the outline fills alike in either fill mode, as a stroke paints.
    const QPainterPath outline = QPainterPathStroker(pen).createStroke(toLogical.map(path_));
    path_ = LogicalToDevice().map(outline.simplified());
}

} // namespace Metafile
