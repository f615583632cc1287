#include "display/ui/DisplayView.h"

#include "display/ui/PictureLoads.h"
#include "layoutview/DisplayTextBox.h"
#include "layoutview/ExPanel.h"
#include "layoutview/PanelColor.h"
#include "layoutview/PictureBox.h"
#include "media/VideoEngine.h"
#include "media/ui/VideoSurface.h"

#include <cstdio>
#include <utility>

namespace {

TDisplayView::TReport& ReportSink() {
    static TDisplayView::TReport sink;
    return sink;
}

QRect ToQRect(const LayoutGeometry::TRect& r) {
    return QRect(r.Left, r.Top, r.Width, r.Height);
}

} // namespace

TDisplayView::TDisplayView(TLayoutContent content, double requestedScale, QWidget* parent)
    : QWidget(parent), content_(std::move(content)), requestedScale_(requestedScale) {
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, PanelColor);
    setPalette(palette);

    const LayoutGeometry::TLayoutPlan plan = LayoutGeometry::PlanOf(content_.DisplayType);
    if (plan.TopStrip)
        top_ = AddPanel();
    if (plan.Main != LayoutGeometry::TMainContent::None)
        main_ = AddPanel();
    if (plan.RightColumn)
        column_ = AddPanel();
    if (plan.BottomStrip)
        bottom_ = AddPanel();
    if (plan.Main == LayoutGeometry::TMainContent::TestPanel)
        main_->SetCaption(QStringLiteral("test"));
    if (plan.Main == LayoutGeometry::TMainContent::Picture) {
        picture_ = new TPictureBox(main_);
        picture_->show();
    }
    if (plan.Main == LayoutGeometry::TMainContent::Video) {
        engine_ = std::make_unique<TVideoEngine>();
        // Nobody is there to open it again: a file that fails is tried again until it plays.
        engine_->SetKeepTrying(true);
        surface_ = new TVideoSurface(main_);
        surface_->SetEngine(engine_.get());
        surface_->hide(); // until the first frame: the panel colour, never black
    }
    // The texts' containers in the layout window's order of text boxes.
    std::vector<TExPanel*> containers;
    if (top_ != nullptr)
        containers.push_back(top_);
    for (int k = 0; column_ != nullptr && k < LayoutGeometry::ColumnBoxCount; ++k)
        containers.push_back(column_);
    if (bottom_ != nullptr)
        containers.push_back(bottom_);
    for (size_t n = 0; n < containers.size(); ++n) {
        texts_.push_back(
            std::make_unique<TDisplayTextBox>(containers[n], TDisplayTextBox::StaticKind));
        if (n < content_.Texts.size())
            texts_.back()->SetText(content_.Texts[n]);
    }
}

TDisplayView::~TDisplayView() = default;

void TDisplayView::SetReport(TReport report) {
    ReportSink() = std::move(report);
}

void TDisplayView::Report(const std::string& line) {
    if (ReportSink())
        ReportSink()(line);
    else
        std::fprintf(stderr, "velmora-display: %s\n", line.c_str());
}

TExPanel* TDisplayView::AddPanel() {
    auto* panel = new TExPanel(this);
    panel->SetColor(PanelColor);
    panel->SetBevelOuter(TExPanel::TBevel::None);
    panel->show();
    return panel;
}

void TDisplayView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Arrange();
}

void TDisplayView::Arrange() {
    const double scale = DisplayArrangement::ScaleFor(height(), requestedScale_);
    const auto a = DisplayArrangement::Arrange(content_.DisplayType, width(), height(), scale);
    const std::pair<TExPanel*, LayoutGeometry::TRect> panels[] = {
        {top_, a.Top}, {main_, a.Main}, {column_, a.Column}, {bottom_, a.Bottom}};
    for (const auto& [panel, rect] : panels) {
        if (panel != nullptr)
            panel->setGeometry(ToQRect(rect));
    }
    for (size_t n = 0; n < texts_.size() && n < a.Texts.size(); ++n) {
        const DisplayArrangement::TTextPlace& place = a.Texts[n];
        TDisplayTextBox& box = *texts_[n];
        box.SetFontSize(place.FontPoints);
        box.SetWidth(place.Width);
        box.SetLeft(place.Left);
        box.SetTop(place.CentredVertically
                       ? LayoutGeometry::CenterOffset(place.Container.Height, box.Height())
                       : place.Top);
    }
    if (picture_ != nullptr)
        picture_->setGeometry(ToQRect(a.Picture));
    if (surface_ != nullptr) {
        const QSize natural = engine_->NaturalSize();
        const auto fitted = DisplayArrangement::VideoRect(a, natural.width(), natural.height());
        if (fitted)
            surface_->setGeometry(ToQRect(*fitted));
        surface_->setVisible(fitted.has_value() && fitted->Width > 0 && fitted->Height > 0);
    }
}

void TDisplayView::Prepare() {
    if (prepared_)
        return;
    prepared_ = true;
    Arrange();
    // A file whose path was refused names nothing to load; its area keeps the panel colour.
    if (picture_ != nullptr && !content_.PictureFile.empty())
        LoadPicture();
    if (engine_ && !content_.VideoFile.empty())
        StartVideo();
    if (pending_ == 0)
        emit Ready();
}

void TDisplayView::PartDone() {
    if (--pending_ == 0 && prepared_)
        emit Ready();
}

void TDisplayView::LoadPicture() {
    ++pending_;
    // A file on a hung mount, or a large picture, must not hold the window; the load is dropped
    // with the view when a newer layout replaces it first.
    pictureLoad_ = TPictureLoads::Shared().Load(
        QString::fromStdString(content_.PictureFile), this,
        [this](const TPictureLoads::TResult& result) {
            if (result.Picture)
                picture_->SetPicture(std::move(*result.Picture));
            else
                Report("cannot show " + content_.PictureFile + ": " + result.Failure.toStdString());
            PartDone();
        });
}

void TDisplayView::StartVideo() {
    ++pending_;
    // Ready counts the video once, whether it opens, fails, or fails after opening.
    auto counted = std::make_shared<bool>(false);
    const auto done = [this, counted] {
        if (!std::exchange(*counted, true))
            PartDone();
    };
    connect(engine_.get(), &TVideoEngine::Opened, this, [this, done] {
        Arrange();
        done();
    });
    // The engine names the file and why on stderr itself, and tries it again. The last frame
    // stays on show meanwhile; a video that never showed one leaves the panel colour.
    connect(engine_.get(), &TVideoEngine::Failed, this, [this, done] {
        if (engine_->Frame().isNull())
            surface_->hide();
        done();
    });
    // Play again at once when a pass ends: the next pass follows the last frame without a seam.
    connect(engine_.get(), &TVideoEngine::PassEnded, engine_.get(), &TVideoEngine::Play);
    engine_->Open(QString::fromStdString(content_.VideoFile));
    engine_->Play();
}
