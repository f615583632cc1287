#include "layoutview/LayoutScene.h"

#include "layoutview/DisplayTextBox.h"
#include "layoutview/ExPanel.h"
#include "layoutview/PanelColor.h"
#include "layoutview/PictureBox.h"
#include "media/VideoEngine.h"
#include "media/ui/VideoSurface.h"

#include <utility>

using LayoutGeometry::TMainContent;

TLayoutScene::TLayoutScene(QWidget& host) : host_(host) {}

TLayoutScene::~TLayoutScene() {
    Clear();
}

QRect TLayoutScene::ToQRect(const LayoutGeometry::TRect& rect) {
    return QRect(rect.Left, rect.Top, rect.Width, rect.Height);
}

TExPanel* TLayoutScene::AddPanel() {
    auto* panel = new TExPanel(&host_);
    panel->SetColor(PanelColor);
    panel->SetBevelOuter(TExPanel::TBevel::None);
    panel->show();
    panels_.push_back(panel);
    return panel;
}

void TLayoutScene::Build(int displayType, int textKind) {
    Clear();
    displayType_ = displayType;
    plan_ = LayoutGeometry::PlanOf(displayType);
    if (plan_.Main == TMainContent::None)
        return;
    if (plan_.Main == TMainContent::TestPanel) {
        main_ = AddPanel();
        main_->SetCaption(QStringLiteral("test"));
        return;
    }
    top_ = plan_.TopStrip ? AddPanel() : nullptr;
    main_ = AddPanel();
    column_ = plan_.RightColumn ? AddPanel() : nullptr;
    bottom_ = plan_.BottomStrip ? AddPanel() : nullptr;
    if (plan_.Main == TMainContent::Picture) {
        pictures_.push_back(new TPictureBox(main_));
        pictures_.back()->show();
    }
    // The texts' containers in the layout's order of text boxes.
    std::vector<TExPanel*> containers;
    if (top_ != nullptr)
        containers.push_back(top_);
    for (int k = 0; column_ != nullptr && k < LayoutGeometry::ColumnBoxCount; ++k)
        containers.push_back(column_);
    if (bottom_ != nullptr)
        containers.push_back(bottom_);
    for (TExPanel* container : containers)
        texts_.push_back(std::make_unique<TDisplayTextBox>(container, textKind));
}

void TLayoutScene::Clear() {
    texts_.clear();
    delete videoBox_;
    videoBox_ = nullptr;
    videoEngine_ = nullptr;
    rotation_ = false;
    for (TPictureBox* box : pictures_)
        delete box;
    pictures_.clear();
    for (TExPanel* panel : panels_)
        delete panel;
    panels_.clear();
    top_ = main_ = column_ = bottom_ = nullptr;
    displayType_ = 0;
    plan_ = {};
}

TVideoSurface* TLayoutScene::AddVideoBox(TVideoEngine& engine) {
    if (plan_.Main != TMainContent::Video || videoBox_ != nullptr)
        return videoBox_;
    videoEngine_ = &engine;
    videoBox_ = new TVideoSurface(main_);
    videoBox_->SetEngine(&engine);
    videoBox_->hide(); // until the first frame: the panel colour, never black
    return videoBox_;
}

TVideoSurface* TLayoutScene::AddRotationBox() {
    const bool shows = plan_.Main == TMainContent::Video || plan_.Main == TMainContent::Picture;
    if (!shows || videoBox_ != nullptr)
        return videoBox_;
    rotation_ = true;
    videoBox_ = new TVideoSurface(main_);
    videoBox_->hide(); // until the first item: the panel colour, never black
    return videoBox_;
}

std::optional<QRect> TLayoutScene::RotationRect(const QSize& natural) const {
    if (plan_.Main == TMainContent::Video)
        return VideoRect(natural);
    const LayoutGeometry::TRect& box = arrangement_.Picture;
    LayoutGeometry::TRect fitted =
        LayoutGeometry::FitPicture(box.Width, box.Height, natural.width(), natural.height());
    if (fitted.Width <= 0 || fitted.Height <= 0)
        return std::nullopt;
    fitted.Left += box.Left;
    fitted.Top += box.Top;
    return ToQRect(fitted);
}

const LayoutArrangement::TArrangement& TLayoutScene::Arrange(int width, int height, double scale,
                                                             int barHeight) {
    arrangement_ = LayoutArrangement::Arrange(displayType_, width, height, scale, barHeight);
    const auto& a = arrangement_;
    const std::pair<TExPanel*, LayoutGeometry::TRect> panels[] = {
        {top_, a.Top}, {main_, a.Main}, {column_, a.Column}, {bottom_, a.Bottom}};
    for (const auto& [panel, rect] : panels) {
        if (panel != nullptr)
            panel->setGeometry(ToQRect(rect));
    }
    for (size_t n = 0; n < texts_.size() && n < a.Texts.size(); ++n) {
        const LayoutArrangement::TTextPlace& place = a.Texts[n];
        TDisplayTextBox& box = *texts_[n];
        box.SetFontSize(place.FontPoints);
        box.SetWidth(place.Width);
        box.SetLeft(place.Left);
        box.SetTop(place.CentredVertically
                       ? LayoutGeometry::CenterOffset(place.Container.Height, box.Height())
                       : place.Top);
    }
    for (TPictureBox* box : pictures_)
        box->setGeometry(ToQRect(a.Picture));
    if (videoBox_ != nullptr && !rotation_) {
        const std::optional<QRect> fitted =
            VideoRect(videoEngine_ ? videoEngine_->NaturalSize() : QSize());
        if (fitted)
            videoBox_->setGeometry(*fitted);
        videoBox_->setVisible(fitted.has_value() && fitted->width() > 0 && fitted->height() > 0);
    }
    return a;
}

std::optional<QRect> TLayoutScene::VideoRect(const QSize& natural) const {
    const auto fitted =
        LayoutArrangement::VideoRect(arrangement_, natural.width(), natural.height());
    if (!fitted)
        return std::nullopt;
    return ToQRect(*fitted);
}
