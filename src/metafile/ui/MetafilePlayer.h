#pragma once

#include "metafile/MetafileTypes.h"
#include "metafile/PageMapping.h"

#include <QColor>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QTransform>
#include <map>
#include <optional>
#include <vector>

class QPainter;

namespace Metafile {

// Plays a metafile's commands onto a painter, keeping the device context a Windows metafile
// expects: mapping mode, window and viewport, world transform, the object table and the selected
// pen, brush and font, text colour, alignment and background, fill mode, current position, clip
// and the stack of saved states. The metafile's frame is stretched onto the target rectangle;
// nothing is drawn outside it, and the painter is left as it was found.
class TMetafilePlayer {
public:
    TMetafilePlayer(const TMetafile& file, QPainter& painter, const QRectF& target);
    TMetafilePlayer(const TMetafilePlayer&) = delete;
    TMetafilePlayer& operator=(const TMetafilePlayer&) = delete;

    void Play();

    // Command handlers, one per command type.
    void Do(const TSetMapMode& c);
    void Do(const TMappingOp& c);
    void Do(const TWorldTransform& c);
    void Do(const TCreateObject& c);
    void Do(const TSelectObject& c);
    void Do(const TDeleteObject& c);
    void Do(const TSetAttribute& c);
    void Do(const TSetMiterLimit& c);
    void Do(const TMoveTo& c);
    void Do(const TLineTo& c);
    void Do(const TPoly& c);
    void Do(const TShape& c);
    void Do(const TArc& c);
    void Do(const TAngleArc& c);
    void Do(const TPolyDraw& c);
    void Do(const TGradientFill& c);
    void Do(const TSetPixel& c);
    void Do(const TText& c);
    void Do(const TBlit& c);
    void Do(const TSaveDc& c);
    void Do(const TRestoreDc& c);
    void Do(const TClipRect& c);
    void Do(const TClipRegion& c);
    void Do(const TPathOp& c);

private:
    struct TState {
        TPageMapping mapping;
        QTransform world;
        TLogPen pen;
        TLogBrush brush;
        TLogFont font;
        QColor textColor = Qt::black;
        QColor bkColor = Qt::white;
        std::uint32_t bkMode = OPAQUE;
        std::uint32_t textAlign = 0;
        std::uint32_t polyFillMode = ALTERNATE;
        std::uint32_t arcDirection = AD_COUNTERCLOCKWISE;
        std::uint32_t stretchMode = BLACKONWHITE;
        double miterLimit = 10;
        QPointF position;                 // the current position, logical units
        std::optional<QPainterPath> clip; // device units; none: the whole frame
    };

    void MappingChanged();
    const QTransform& LogicalToDevice();
    const QTransform& LogicalToPainter();
    bool CanDraw();
    double PixelsPerUnit();

    // Draws a figure built in logical units, or adds it to the path being recorded.
    void Render(const QPainterPath& figure, bool closed);
    QBrush CurrentBrush() const;
    void FillFigure(const QPainterPath& figure);
    void StrokeFigure(const QPainterPath& figure);
    QPen CurrentPen();
    // Fill, stroke, clip and widen use the path recorded last, and only once its recording ended.
    void UsePath(const TPathOp& c);
    void WidenPath();
    // Adds a figure that starts at the current position to the path being recorded: it continues
    // the open figure, or opens one there.
    void ContinuePathFigure(const QPainterPath& figure);
    QPainterPath ArcFigure(const TArc& arc, QPointF& endPoint);
    // Draws a figure that starts at the current position, or adds it to the path being
    // recorded, and moves the position to the figure's end.
    void RenderFromPosition(const QPainterPath& figure);
    void ShadeTriangle(const std::array<TGradientFill::TVertex, 3>& corners);

    void CombineClip(const QPainterPath& region, std::uint32_t mode);
    void ApplyClip();
    QPainterPath FrameRegion() const;

    const TMetafile& file_;
    QPainter& painter_;
    QTransform painterBase_;     // the painter's transform when playing started
    QTransform deviceToPainter_; // the frame onto the target
    QPainterPath targetClip_;    // the target, within the painter's own clip; painterBase_ units
    QRectF frame_;

    TState state_;
    std::vector<TState> saved_;
    std::map<std::uint32_t, TGdiObject> objects_;

    bool transformsValid_ = false;
    bool canDraw_ = false;
    QTransform logicalToDevice_;
    QTransform logicalToPainter_;

    bool recordingPath_ = false;
    bool pathEnded_ = false;  // its recording ended; it waits to be filled, stroked or clipped to
    bool figureOpen_ = false; // the last figure of the path goes on from the current position
    QPointF figureStart_;     // that figure's first point, logical units
    QPointF lastMove_;        // where the last move put the position, logical units
    QPainterPath path_;       // device units
};

} // namespace Metafile
