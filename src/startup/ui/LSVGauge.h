#pragma once

#include "startup/GaugeMath.h"
#include "widgets/DevicePixels.h"
#include "widgets/DrawnPicture.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QWidget>
#include <stdexcept>

class QPainter;

// Raised when the gauge's range would be turned inside out: "Value must be between %d and %d".
class ELSVGaugeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The label's font and its colours. Without FixTextColor the part of the label over the filled
// area takes ColorOnFilled and the rest ColorOnBackground; with it the whole label takes Color.
struct TLSVGaugeFont {
    QFont Font;
    QColor Color = Qt::black;
    QColor ColorOnFilled = Qt::white;
    QColor ColorOnBackground = Qt::black;
    bool FixTextColor = false;

    bool operator==(const TLSVGaugeFont&) const = default;
};

// A progress gauge: a value between a minimum and a maximum shown as a horizontal or vertical
// bar, or as a flat or 3D pie, optionally textured and labelled with its percentage. Every paint
// builds the whole picture off screen, in the device pixels the gauge covers, and copies it in one
// step, so the gauge never flickers and stays sharp at any device pixel ratio.
class TLSVGauge : public QWidget {
    Q_OBJECT

public:
    explicit TLSVGauge(QWidget* parent = nullptr);

    TLSVGaugeKind Kind() const { return kind_; }
    void SetKind(TLSVGaugeKind kind);

    // Setting the minimum above the maximum (or the maximum below the minimum) raises
    // ELSVGaugeError; equal values are accepted. The progress follows into the new range.
    int MinValue() const { return minValue_; }
    void SetMinValue(int value);
    int MaxValue() const { return maxValue_; }
    void SetMaxValue(int value);

    // Kept within the range; the gauge is repainted only when the percentage changes.
    int Progress() const { return progress_; }
    void SetProgress(int value);
    void StepBy(int step);
    int PercentDone() const;

    QColor ForeColor() const { return foreColor_; }
    void SetForeColor(const QColor& color);
    QColor BackColor() const { return backColor_; }
    void SetBackColor(const QColor& color);
    TLSVBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TLSVBorderStyle style);
    QColor BorderColor() const { return borderColor_; }
    void SetBorderColor(const QColor& color);
    bool Frame3D() const { return frame3D_; }
    void SetFrame3D(bool on);

    bool ShowText() const { return showText_; }
    void SetShowText(bool on);
    // The label format; its integer placeholder receives the percentage.
    QString Text() const { return text_; }
    void SetText(const QString& format);
    const TLSVGaugeFont& Font() const { return font_; }
    void SetFont(const TLSVGaugeFont& font);
    TLSVHorAlignment HorTextAlignment() const { return horTextAlignment_; }
    void SetHorTextAlignment(TLSVHorAlignment alignment);
    TLSVVerAlignment VerTextAlignment() const { return verTextAlignment_; }
    void SetVerTextAlignment(TLSVVerAlignment alignment);
    bool TextInCenterFore() const { return textInCenterFore_; }
    void SetTextInCenterFore(bool on);

    // Textures are tiled, each drawn for the device pixels of the bar, so that its segments stay
    // even at any ratio; the colour of a texture's bottom-left pixel is its transparent colour.
    const TDrawnPicture& TextureOnBack() const { return textureOnBack_; }
    void SetTextureOnBack(const TDrawnPicture& texture);
    const TDrawnPicture& TextureOnFore() const { return textureOnFore_; }
    void SetTextureOnFore(const TDrawnPicture& texture);
    bool TransparentBack() const { return transparentBack_; }
    void SetTransparentBack(bool on);
    bool TransparentFore() const { return transparentFore_; }
    void SetTransparentFore(bool on);

    bool ForeAsBlocks() const { return foreAsBlocks_; }
    void SetForeAsBlocks(bool on);
    // 0: the foreground texture's width (horizontal bar) or height (vertical bar).
    int ForeBlockSize() const { return foreBlockSize_; }
    void SetForeBlockSize(int size);
    // Width of the end caps of the fill taken from the foreground texture; 0: no caps.
    int Edge() const { return edge_; }
    void SetEdge(int edge);

    int Pie3DHeight() const { return pie3DHeight_; }
    void SetPie3DHeight(int height);
    QColor Pie3DColor() const { return pie3DColor_; }
    void SetPie3DColor(const QColor& color);

    // A strip that moves along the bar by RuningStep at every change of the progress, instead
    // of a proportional fill.
    bool RunningStrip() const { return runningStrip_; }
    void SetRunningStrip(bool on);
    int RuningStep() const { return runingStep_; }
    void SetRuningStep(int step);

    // The picture a paint copies to the screen, for the device pixels of the gauge's place: at
    // one device pixel per logical pixel by default.
    QImage Picture(const TDeviceGrid& grid = TDeviceGrid()) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    template <class T>
    void Assign(T& field, const T& value) {
        if (field != value) {
            field = value;
            update();
        }
    }

    struct TCanvas;

    QRect DrawingArea() const;
    bool Horizontal() const { return kind_ != lgkVerticalBar; }
    int BlockLength() const;
    void PaintFrame3D(TCanvas& c, const QRect& r) const;
    void PaintBackground(TCanvas& c) const;
    void PaintBar(TCanvas& c) const;
    void PaintFill(TCanvas& c, const QRect& fill) const;
    void PaintPie(TCanvas& c) const;
    void PaintLabel(TCanvas& c, const QRect& area, const QRect& fill, int fillLength) const;

    TLSVGaugeKind kind_ = lgkHorizontalBar;
    int minValue_ = 0;
    int maxValue_ = 100;
    int progress_ = 0;
    QColor foreColor_{0, 0, 128};
    QColor backColor_{Qt::white};
    TLSVBorderStyle borderStyle_ = TLSVBorderStyle::Single;
    QColor borderColor_{Qt::black};
    bool frame3D_ = true;
    bool showText_ = true;
    QString text_ = QStringLiteral("%d%%");
    TLSVGaugeFont font_;
    TLSVHorAlignment horTextAlignment_ = TLSVHorAlignment::Center;
    TLSVVerAlignment verTextAlignment_ = taCentered;
    bool textInCenterFore_ = false;
    TDrawnPicture textureOnBack_;
    TDrawnPicture textureOnFore_;
    bool transparentBack_ = false;
    bool transparentFore_ = false;
    bool foreAsBlocks_ = false;
    int foreBlockSize_ = 0;
    int edge_ = 0;
    int pie3DHeight_ = 20;
    QColor pie3DColor_{Qt::black};
    bool runningStrip_ = false;
    int runingStep_ = 1;
    int stripOffset_ = 0;
};
