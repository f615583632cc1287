#pragma once

#include <QColor>
#include <QString>
#include <QWidget>
#include <functional>

// A panel of a layout: a coloured area with an optional bevel and a caption centred in it, placed
// by its owner. OnPaint lets the owner draw over the finished panel.
class TExPanel : public QWidget {
    Q_OBJECT
public:
    enum class TBevel { None, Raised };

    explicit TExPanel(QWidget* parent = nullptr);

    // Called at the end of every repaint, after background, bevel and caption.
    std::function<void(TExPanel&)> OnPaint;

    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);

    TBevel BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevel bevel);

    QColor Color() const { return color_; }
    void SetColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString caption_;
    TBevel bevelOuter_ = TBevel::None;
    QColor color_;
};
