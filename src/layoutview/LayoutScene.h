#pragma once

#include "layouts/LayoutArrangement.h"

#include <QPointer>
#include <QRect>
#include <QSize>
#include <memory>
#include <optional>
#include <vector>

class QWidget;
class TDisplayTextBox;
class TExPanel;
class TPictureBox;
class TVideoEngine;
class TVideoSurface;

// One display type's layout composed in a host widget: its panels in the panel colour (top strip,
// main area, right column, bottom strip, those the type has; the test panel alone for type 9),
// its text boxes of one kind in the layout's order, the picture box inset in the main area and
// the video box fitted in it. Where each part stands at a size and scale is
// LayoutArrangement's. The layout window in both its modes and the display program compose a
// layout with it, so that they show a layout alike; what they do with the parts (editing, media
// loading) stays theirs.
class TLayoutScene {
public:
    // The parts become children of host, which the scene must not outlive.
    explicit TLayoutScene(QWidget& host);
    ~TLayoutScene();
    TLayoutScene(const TLayoutScene&) = delete;
    TLayoutScene& operator=(const TLayoutScene&) = delete;

    // Builds the parts of the display type, replacing any built before. textKind is a
    // TDisplayTextBox kind: edit boxes for the editor, static texts for showing.
    void Build(int displayType, int textKind);
    // Destroys every part.
    void Clear();

    const LayoutGeometry::TLayoutPlan& Plan() const { return plan_; }
    // The panels in the order named above; the main area (or test panel), or null without one.
    const std::vector<TExPanel*>& Panels() const { return panels_; }
    TExPanel* Main() const { return main_; }
    const std::vector<std::unique_ptr<TDisplayTextBox>>& Texts() const { return texts_; }
    // The picture box, one for a picture type, none otherwise.
    const std::vector<TPictureBox*>& Pictures() const { return pictures_; }

    // A surface in the main area that shows the engine's frames, fitted to their natural size
    // at each arrangement and hidden while there is nothing to show. Null for a type without
    // video.
    TVideoSurface* AddVideoBox(TVideoEngine& engine);
    TVideoSurface* VideoBox() const { return videoBox_; }

    // A surface for a rotation where the type shows its video or its picture; its owner places it
    // (TRotationPlayer, by RotationRect), since only the owner knows the item on show. It is
    // VideoBox from then on. Null for a type with neither.
    TVideoSurface* AddRotationBox();
    // Where an item of that natural size stands in the main area, at the last arrangement: fitted
    // like the video, or like the picture in the picture's place.
    std::optional<QRect> RotationRect(const QSize& natural) const;

    // Places every part in the host's width x height at the scale, with a bar of barHeight
    // docked at the bottom (see LayoutArrangement::Arrange), and returns where everything went.
    const LayoutArrangement::TArrangement& Arrange(int width, int height, double scale,
                                                   int barHeight = 0);
    // The video's place in the main area for its natural size, at the last arrangement.
    std::optional<QRect> VideoRect(const QSize& natural) const;

    static QRect ToQRect(const LayoutGeometry::TRect& rect);

private:
    TExPanel* AddPanel();

    QWidget& host_;
    int displayType_ = 0;
    LayoutGeometry::TLayoutPlan plan_;
    LayoutArrangement::TArrangement arrangement_;
    std::vector<TExPanel*> panels_;
    TExPanel* top_ = nullptr;
    TExPanel* main_ = nullptr;
    TExPanel* column_ = nullptr;
    TExPanel* bottom_ = nullptr;
    std::vector<std::unique_ptr<TDisplayTextBox>> texts_;
    std::vector<TPictureBox*> pictures_;
    TVideoSurface* videoBox_ = nullptr;
    QPointer<TVideoEngine> videoEngine_;
    bool rotation_ = false; // the video box shows a rotation, placed by its owner
};
