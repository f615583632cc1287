#include "display/ui/DisplayView.h"

#include "layoutview/DisplayTextBox.h"
#include "layoutview/PanelColor.h"
#include "layoutview/PictureBox.h"
#include "layoutview/PictureLoads.h"
#include "layoutview/RotationPlayer.h"
#include "media/VideoEngine.h"
#include "media/ui/VideoSurface.h"

#include <cstdio>
#include <utility>

namespace {

TDisplayView::TReport& ReportSink() {
    static TDisplayView::TReport sink;
    return sink;
}

} // namespace

TDisplayView::TDisplayView(TLayoutContent content, double requestedScale, QWidget* parent)
    : QWidget(parent), content_(std::move(content)), requestedScale_(requestedScale) {
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, PanelColor);
    setPalette(palette);

    scene_.Build(content_.DisplayType, TDisplayTextBox::StaticKind);
    if (ShownRotation() != nullptr) {
        rotation_ = std::make_unique<TRotationPlayer>(scene_.AddRotationBox());
        rotation_->SetFit([this](const QSize& natural) { return scene_.RotationRect(natural); });
        connect(rotation_.get(), &TRotationPlayer::Problem, this,
                [](const QString& line) { Report(line.toStdString()); });
    } else if (scene_.Plan().Main == LayoutGeometry::TMainContent::Video) {
        engine_ = std::make_unique<TVideoEngine>();
        // Nobody is there to open it again: a file that fails is tried again until it plays.
        engine_->SetKeepTrying(true);
        scene_.AddVideoBox(*engine_);
    }
    const auto& texts = scene_.Texts();
    for (size_t n = 0; n < texts.size() && n < content_.Texts.size(); ++n)
        texts[n]->SetText(content_.Texts[n]);
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

void TDisplayView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Arrange();
}

void TDisplayView::Arrange() {
    scene_.Arrange(width(), height(), DisplayArrangement::ScaleFor(height(), requestedScale_));
    if (rotation_)
        rotation_->Refit();
}

const TShownRotation* TDisplayView::ShownRotation() const {
    const std::optional<TShownRotation>* rotation = nullptr;
    if (scene_.Plan().Main == LayoutGeometry::TMainContent::Video)
        rotation = &content_.VideoRotation;
    else if (scene_.Plan().Main == LayoutGeometry::TMainContent::Picture)
        rotation = &content_.PictureRotation;
    return rotation != nullptr && rotation->has_value() ? &**rotation : nullptr;
}

TVideoEngine* TDisplayView::Video() const {
    return rotation_ ? rotation_->ShownEngine() : engine_.get();
}

bool TDisplayView::Takes(const TLayoutContent& content) const {
    const auto named = [](const std::optional<TShownRotation>& rotation) {
        return rotation ? std::optional(rotation->Named) : std::nullopt;
    };
    return rotation_ && content.DisplayType == content_.DisplayType &&
           content.PictureFile == content_.PictureFile && content.VideoFile == content_.VideoFile &&
           named(content.PictureRotation) == named(content_.PictureRotation) &&
           named(content.VideoRotation) == named(content_.VideoRotation);
}

void TDisplayView::Take(TLayoutContent content) {
    content_ = std::move(content);
    const auto& texts = scene_.Texts();
    for (size_t n = 0; n < texts.size() && n < content_.Texts.size(); ++n)
        texts[n]->SetText(content_.Texts[n]);
    if (const TShownRotation* rotation = ShownRotation())
        rotation_->Update(TRotationItem::Of(rotation->Items));
}

void TDisplayView::Prepare() {
    if (prepared_)
        return;
    prepared_ = true;
    Arrange();
    // A file whose path was refused names nothing to load; its area keeps the panel colour.
    if (!rotation_ && !scene_.Pictures().empty() && !content_.PictureFile.empty())
        LoadPicture();
    if (engine_ && !content_.VideoFile.empty())
        StartVideo();
    if (rotation_)
        StartRotation();
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
                scene_.Pictures().front()->SetPicture(std::move(*result.Picture));
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
            scene_.VideoBox()->hide();
        done();
    });
    // Play again at once when a pass ends: the next pass follows the last frame without a seam.
    connect(engine_.get(), &TVideoEngine::PassEnded, engine_.get(), &TVideoEngine::Play);
    engine_->Open(QString::fromStdString(content_.VideoFile));
    engine_->Play();
}

void TDisplayView::StartRotation() {
    const TShownRotation& rotation = *ShownRotation();
    if (!rotation.Items.empty()) {
        // Ready with the first item's first frame; one that never shows leaves the window's
        // longest wait to swap the layout in.
        ++pending_;
        auto counted = std::make_shared<bool>(false);
        connect(rotation_.get(), &TRotationPlayer::ItemShown, this, [this, counted] {
            if (!std::exchange(*counted, true))
                PartDone();
        });
    }
    rotation_->Play(TRotationItem::Of(rotation.Items), pictureTime_);
}
