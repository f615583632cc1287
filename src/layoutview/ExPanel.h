#pragma once

#include "layouts/LayoutGeometry.h"

#include <QColor>
#include <QString>
#include <QWidget>
#include <functional>

// A panel of the layout window: a coloured area with an optional bevel and a caption centred in
// it, docked to an edge of its window or placed freely. OnPaint lets the window draw over the
// finished panel.
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

    // How the window docks the panel, and its height (top, bottom) or width (right) there.
    LayoutGeometry::TAlign Align() const { return align_; }
    void SetAlign(LayoutGeometry::TAlign align) { align_ = align; }
    int DockExtent() const { return dockExtent_; }
    void SetDockExtent(int extent) { dockExtent_ = extent; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString caption_;
    TBevel bevelOuter_ = TBevel::None;
    QColor color_;
    LayoutGeometry::TAlign align_ = LayoutGeometry::TAlign::None;
    int dockExtent_ = 0;
};
