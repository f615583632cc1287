#pragma once

#include "widgets/ClickTracker.h"

#include <QColor>
#include <QPoint>
#include <QString>
#include <QWidget>
#include <optional>

class QPainter;

// Which way a gradient runs: from its start colour at one edge to its end colour at the other.
enum class TGradientDirection { TopToBottom, BottomToTop, LeftToRight, RightToLeft };

// Fills `area` from `start` to `end`. With steps > 1 the fill is made of that many flat bands
// (the first band is exactly `start`, the last exactly `end`), spread evenly over the device
// pixels the area covers (no more bands than pixels); with steps <= 1 it is smooth.
void FillGradient(QPainter& p, const QRect& area, const QColor& start, const QColor& end,
                  TGradientDirection direction, int steps = 0);

// A panel filled with a two-colour gradient, with optional rounded corners and border. A single
// colour gives a flat fill (the start indicator).
class TGradientPanel : public QWidget {
    Q_OBJECT

public:
    explicit TGradientPanel(QWidget* parent = nullptr);

    void SetColors(const QColor& start, const QColor& end);
    void SetColor(const QColor& colour) { SetColors(colour, colour); }
    QColor StartColor() const { return start_; }
    QColor EndColor() const { return end_; }

    void SetDirection(TGradientDirection direction);
    TGradientDirection Direction() const { return direction_; }
    // 0 for a smooth gradient, otherwise the number of flat bands.
    void SetSteps(int steps);
    void SetCornerRadius(int radius);
    // An invalid colour or a width of 0 draws no border.
    void SetBorder(const QColor& colour, int width = 1);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor start_;
    QColor end_;
    TGradientDirection direction_ = TGradientDirection::TopToBottom;
    int steps_ = 0;
    int radius_ = 0;
    QColor borderColour_;
    int borderWidth_ = 0;
};

// A text label with a transparent background. Its text may carry a shadow (a copy in another
// colour, shifted by an offset, drawn behind) and may be filled with a vertical gradient instead
// of a plain colour. By default the label takes the size of its text.
class TGradientLabel : public QWidget {
    Q_OBJECT
    // So that texts can be set by property name, as the language table does.
    Q_PROPERTY(QString text READ Text WRITE SetText)

public:
    explicit TGradientLabel(QWidget* parent = nullptr);
    TGradientLabel(const QString& text, QWidget* parent);

    void SetText(const QString& text);
    const QString& Text() const { return text_; }
    void SetTextColor(const QColor& colour);
    QColor TextColor() const { return colour_; }

    void SetShadow(const QColor& colour, QPoint offset = QPoint(1, 1));
    void ClearShadow();
    void SetGradient(const QColor& top, const QColor& bottom);
    void ClearGradient();

    void SetAutoSize(bool autoSize);
    void SetAlignment(Qt::Alignment alignment);

    QSize sizeHint() const override;

signals:
    // The left button was pressed on the label and released inside it.
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Refit();

    QString text_;
    QColor colour_ = Qt::black;
    std::optional<QColor> shadow_;
    QPoint shadowOffset_{1, 1};
    std::optional<std::pair<QColor, QColor>> gradient_;
    bool autoSize_ = true;
    Qt::Alignment alignment_ = Qt::AlignLeft | Qt::AlignTop;
    TClickTracker click_;
};
