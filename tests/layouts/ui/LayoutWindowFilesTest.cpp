// What the files a layout names can do to the layout window: nothing that blocks it, nothing
// stored that could never be found again.
#include "LayoutUiFixture.h"
#include "common/NamedPipe.h"
#include "layoutview/PictureBox.h"
#include "layoutview/RotationPlayer.h"
#include "media/FormatClips.h"
#include "media/ui/VideoSurface.h"

#include <optional>
#include <vector>

namespace {

using TMode = TfmDisplaySetup::TMode;

class LayoutWindowFilesTest : public LayoutUiTest {};

// A named pipe given as the picture blocked "Play display" for ever: the window opens at once,
// the picture empty, the name kept.
TEST_F(LayoutWindowFilesTest, APictureOnANamedPipeDoesNotHoldTheWindow) {
    TNamedPipe pipe(dir.File("live.jpg"));
    ASSERT_TRUE(pipe.Made());
    TIniFile(ProgramPaths::IniPath())
        .WriteString("DisplayParams_Client1_5", "Images_0_FileName", dir.File("live.jpg"));
    for (const TMode mode : {TMode::Play, TMode::Edit}) {
        TfmDisplaySetup& w = Open(mode, 5);
        ASSERT_EQ(w.Images.size(), 1u);
        EXPECT_TRUE(w.Images[0]->Picture().IsEmpty());
        EXPECT_EQ(w.ImageFileNames[0], dir.File("live.jpg"));
    }
    EXPECT_FALSE(pipe.Finish()) << "the window waited on the pipe";
    EXPECT_TRUE(errors.isEmpty()) << "a picture loaded with the layout fails silently";
}

// A program folder whose name Windows-1251 cannot carry: said once, and no default (which would
// have gone into the .ini as bytes that never name the file again) is taken.
TEST_F(LayoutWindowFilesTest, AnUnusableDataFolderIsToldOnceAndNoDefaultIsStored) {
    const std::string folder = dir.File("\xe5\xb1\x95\xe7\xa4\xba"); // two CJK characters
    ASSERT_TRUE(FileIo::MakeFolders(folder + "/data"));
    ProgramPaths::SetExecutablePath(folder + "/velmora");
    TfmDisplaySetup& picture = Open(TMode::Edit, 5);
    EXPECT_EQ(picture.ImageFileNames[0], "");
    picture.btSaveClick();
    Open(TMode::Edit, 1);
    ASSERT_EQ(errors.size(), 1) << "told once";
    EXPECT_TRUE(errors[0].startsWith(QString::fromUtf8("The program folder \"") +
                                     QString::fromStdString(folder)))
        << errors[0].toStdString();
    EXPECT_EQ(FileIo::ReadAll(folder + "/velmora.ini"),
              std::string("[DisplayParams_Client1_5]\nImages_0_FileName=\n"));
}

// A playlist named as the picture: Play mode shows its clip and its picture in turn, where the
// picture stands, each drawn whole.
TEST_F(LayoutWindowFilesTest, PlayModeShowsARotationNamedAsThePictureItemByItem) {
    ASSERT_TRUE(FileIo::MakeFolders(dir.File("ads")));
    ASSERT_TRUE(QFile::copy(
        QString::fromStdString(CheckoutPaths::SourceFile(VELMORA_FORMAT_CLIPS "h264.mp4")),
        TempFile("ads/spring.mp4")));
    ASSERT_TRUE(QFile::copy(TempFile("data/1.bmp"), TempFile("ads/still.bmp")));
    ASSERT_TRUE(FileIo::WriteAtomically(dir.File("ads/mall.m3u"),
                                        "spring.mp4\r\n#EXTINF:1,still\r\nstill.bmp\r\n"));
    TIniFile(ProgramPaths::IniPath())
        .WriteString("DisplayParams_Client1_5", "Images_0_FileName", dir.File("ads/mall.m3u"));

    TfmDisplaySetup& w = Open(TMode::Play, 5);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.RotationPlayer() != nullptr; }, VideoWaitCeilingMs));
    TRotationPlayer& player = *w.RotationPlayer();
    auto* box = w.findChild<TVideoSurface*>();
    ASSERT_NE(box, nullptr);
    struct TDrawn {
        std::optional<size_t> Item;
        bool Black = true;
        bool InPicturePlace = false;
    };
    std::vector<TDrawn> drawn;
    QObject::connect(box, &TVideoSurface::FramePresented, [&] {
        drawn.push_back({player.ShownItem(), IsBlack(player.ShownFrame()),
                         w.Images[0]->geometry().contains(box->geometry())});
    });
    // The items in the order they were drawn, each once however many frames it had.
    const auto order = [&] {
        std::vector<std::optional<size_t>> items;
        for (const TDrawn& frame : drawn) {
            if (items.empty() || items.back() != frame.Item)
                items.push_back(frame.Item);
        }
        return items;
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return order().size() >= 3; }, 2 * VideoWaitCeilingMs));
    EXPECT_EQ(order()[0], 0u);
    EXPECT_EQ(order()[1], 1u);
    EXPECT_EQ(order()[2], 0u);
    for (size_t i = 0; i < drawn.size(); ++i) {
        EXPECT_FALSE(drawn[i].Black) << "frame " << i;
        EXPECT_TRUE(drawn[i].InPicturePlace) << "frame " << i;
    }
}

} // namespace
