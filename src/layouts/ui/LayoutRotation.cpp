#include "layouts/ui/LayoutRotation.h"

#include "layouts/Rotation.h"
#include "layoutview/LayoutScene.h"
#include "layoutview/PictureBox.h"
#include "layoutview/RotationPlayer.h"
#include "platform/CodePage1251.h"

#include <cstdio>

namespace {

void Tell(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
}

} // namespace

TLayoutRotation::TLayoutRotation(TLayoutScene& scene) : scene_(scene) {}

TLayoutRotation::~TLayoutRotation() {
    Stop();
}

bool TLayoutRotation::MayName(const std::string& fileName) {
    return Rotation::MayName(CodePage1251::ToUtf8(fileName));
}

void TLayoutRotation::Play(const std::string& fileName, TOneFile oneFile) {
    Start(fileName, std::move(oneFile),
          [this](std::vector<TRotationItem> items) { PlayItems(std::move(items)); });
}

void TLayoutRotation::ShowFirst(const std::string& fileName, TPictureBox& box, TOneFile oneFile) {
    box.SetPicture({});
    Start(fileName, std::move(oneFile), [box = QPointer(&box)](std::vector<TRotationItem> items) {
        if (!box || items.empty() || items.front().Kind != TRotationItem::TKind::Picture)
            return;
        // As Edit mode loads the one picture a layout names.
        try {
            box->LoadFromFile(QString::fromStdString(items.front().Path));
        } catch (const std::exception& error) {
            Tell("Skipped in the rotation: \"" + items.front().Path + "\": " + error.what());
        }
    });
}

void TLayoutRotation::Start(const std::string& fileName, TOneFile oneFile,
                            std::function<void(std::vector<TRotationItem>)> shown) {
    Stop();
    TRotationRead read;
    read.LayoutPath = CodePage1251::ToUtf8(fileName);
    read.Playlist = Rotation::NamedBy(read.LayoutPath, false) == TRotationKind::Playlist;
    read.PlaylistFile = read.LayoutPath;
    reads_.Start(std::move(read), [oneFile = std::move(oneFile),
                                   shown = std::move(shown)](TRotationReadResult result) {
        for (const std::string& line : result.Rotation.Problems)
            Tell(line);
        if (result.Kind == TRotationKind::OneFile)
            oneFile();
        else
            shown(TRotationItem::Of(result.Rotation.Entries));
    });
}

void TLayoutRotation::PlayItems(std::vector<TRotationItem> items) {
    TVideoSurface* box = scene_.AddRotationBox();
    if (items.empty() || box == nullptr)
        return; // the reading said why
    player_ = new TRotationPlayer(box, this);
    connect(player_, &TRotationPlayer::Problem, this,
            [](const QString& line) { Tell(line.toStdString()); });
    player_->SetFit([this](const QSize& natural) { return scene_.RotationRect(natural); });
    player_->Play(std::move(items), PictureTime);
}

void TLayoutRotation::Refit() {
    if (player_ != nullptr)
        player_->Refit();
}

void TLayoutRotation::Stop() {
    reads_.DropAll();
    delete player_;
    player_ = nullptr;
}
