#include "layouts/ui/LayoutRotation.h"

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
    return LocalRotation::MayName(CodePage1251::ToUtf8(fileName));
}

void TLayoutRotation::Play(const std::string& fileName, TOneFile oneFile) {
    Start(fileName, false, std::move(oneFile),
          [this](TRotationRead::TResult& read) { PlayItems(std::move(read.Rotation.Items)); });
}

void TLayoutRotation::ShowFirst(const std::string& fileName, TPictureBox& box, TOneFile oneFile) {
    box.SetPicture({});
    Start(fileName, true, std::move(oneFile), [box = QPointer(&box)](TRotationRead::TResult& read) {
        if (box)
            box->SetPicture(std::move(read.First));
    });
}

void TLayoutRotation::Start(const std::string& fileName, bool firstPicture, TOneFile oneFile,
                            std::function<void(TRotationRead::TResult&)> shown) {
    Stop();
    read_.Start(
        CodePage1251::ToUtf8(fileName), firstPicture,
        [oneFile = std::move(oneFile), shown = std::move(shown)](TRotationRead::TResult read) {
            for (const std::string& line : read.Rotation.Problems)
                Tell(line);
            if (read.Rotation.OneFile)
                oneFile();
            else
                shown(read);
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
    read_.Drop();
    delete player_;
    player_ = nullptr;
}
