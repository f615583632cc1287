// What the files a layout names can do to the layout window: nothing that blocks it, nothing
// stored that could never be found again.
#include "LayoutUiFixture.h"
#include "common/NamedPipe.h"
#include "layoutview/PictureBox.h"

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

} // namespace
