#include "layouts/LayoutStore.h"

#include "common/TempDir.h"
#include "platform/FileIo.h"
#include "platform/IniFile.h"
#include "platform/ProgramPaths.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

namespace {

// The window's elements as plain values; loading a picture fails for names in failingPictures.
class TFakeElements : public TLayoutElements {
public:
    TFakeElements(int images, int texts, int videos)
        : images_(static_cast<size_t>(images)), texts_(static_cast<size_t>(texts)),
          videos_(static_cast<size_t>(videos)) {}

    int ImageCount() const override { return static_cast<int>(images_.size()); }
    std::string ImageFileName(int n) const override { return images_.at(static_cast<size_t>(n)); }
    void SetImageFileName(int n, const std::string& name) override {
        images_.at(static_cast<size_t>(n)) = name;
    }
    void LoadImage(int n, const std::string& name) override {
        loaded.push_back(name);
        if (name.find("broken") != std::string::npos)
            throw std::runtime_error("damaged picture " + std::to_string(n));
    }
    int TextBoxCount() const override { return static_cast<int>(texts_.size()); }
    std::string Text(int n) const override { return texts_.at(static_cast<size_t>(n)); }
    void SetText(int n, const std::string& text) override {
        texts_.at(static_cast<size_t>(n)) = text;
    }
    int MediaPlayerCount() const override { return static_cast<int>(videos_.size()); }
    std::string MediaFileName(int n) const override { return videos_.at(static_cast<size_t>(n)); }
    void SetMediaFileName(int n, const std::string& name) override {
        videos_.at(static_cast<size_t>(n)) = name;
    }

    std::vector<std::string> images_, texts_, videos_;
    std::vector<std::string> loaded;
};

class LayoutStoreTest : public ::testing::Test {
protected:
    LayoutStoreTest() { ProgramPaths::SetExecutablePath(dir.File("velmora")); }
    ~LayoutStoreTest() override { ProgramPaths::SetExecutablePath(""); }

    std::string Ini() const { return FileIo::ReadAll(dir.File("velmora.ini")).value_or(""); }

    TTempDir dir;
    TConfigHomeGuard home{dir.Path()};
    TIniFile ini{dir.File("velmora.ini")};
};

TEST(LayoutSectionNameTest, DropsEverySpaceAndAppendsTheType) {
    EXPECT_EQ(LayoutStore::SectionName("Hall 2", 3), "DisplayParams_Hall2_3");
    EXPECT_EQ(LayoutStore::SectionName("  Big  Hall 2 ", 3), "DisplayParams_BigHall2_3");
    EXPECT_EQ(LayoutStore::SectionName("Client 16", 8), "DisplayParams_Client16_8");
    EXPECT_EQ(LayoutStore::SectionName("", 3), "DisplayParams__3");
    EXPECT_EQ(LayoutStore::SectionName("A", -2), "DisplayParams_A_-2");
    EXPECT_EQ(LayoutStore::SectionName("A", 0), "DisplayParams_A_0");
    // Only spaces go; tabs and letter case stay.
    EXPECT_EQ(LayoutStore::SectionName("a\tB", 1), "DisplayParams_a\tB_1");
}

TEST(LayoutSectionNameTest, KeyNamesCountFromZero) {
    EXPECT_EQ(LayoutStore::ImageKey(0), "Images_0_FileName");
    EXPECT_EQ(LayoutStore::TextKey(5), "Edits_5_Text");
    EXPECT_EQ(LayoutStore::MediaPlayerKey(0), "MediaPlayers_0_FileName");
    EXPECT_EQ(LayoutStore::ImageKey(12), "Images_12_FileName");
}

TEST_F(LayoutStoreTest, DefaultsComeFromTheDataFolderBesideTheProgram) {
    EXPECT_EQ(LayoutStore::DefaultImageFileName(0), dir.Path() + "/data/1.bmp");
    EXPECT_EQ(LayoutStore::DefaultMediaFileName(0), dir.Path() + "/data/1.avi");
    EXPECT_EQ(LayoutStore::DefaultImageFileName(1), dir.Path() + "/data/2.bmp");
    // A Cyrillic folder is stored as the layouts store every text, in Windows-1251.
    ProgramPaths::SetExecutablePath(dir.Path() +
                                    "/\xd0\x9f\xd1\x83\xd0\xbb\xd1\x8c\xd1\x82/velmora");
    EXPECT_EQ(LayoutStore::DefaultImageFileName(0),
              dir.Path() + "/\xcf\xf3\xeb\xfc\xf2/data/1.bmp");
}

// A folder name that Windows-1251 cannot carry would have gone into the .ini as UTF-8 bytes that
// never name the file again; the defaults stay empty instead, and the loader says so.
TEST_F(LayoutStoreTest, AProgramFolderTheCodePageCannotCarryGivesNoDefaults) {
    ProgramPaths::SetExecutablePath(dir.Path() + "/\xe8\xa1\xa8\xe7\xa4\xba/velmora");
    EXPECT_EQ(LayoutStore::DefaultImageFileName(0), std::nullopt);
    EXPECT_EQ(LayoutStore::DefaultMediaFileName(0), std::nullopt);
    TFakeElements elements(1, 1, 1);
    EXPECT_TRUE(LoadLayout(elements, "Client 1", 8).DataFolderUnusable);
    EXPECT_EQ(elements.images_[0], "");
    EXPECT_TRUE(elements.loaded.empty()) << "no picture to load";
    EXPECT_EQ(elements.videos_[0], "");
    EXPECT_NE(LayoutStore::UnusableDataFolderMessage().find(dir.Path() + "/\xe8\xa1\xa8"),
              std::string::npos);

    // Stored names need no default.
    ASSERT_TRUE(FileIo::MakeFolders(dir.Path() + "/\xe8\xa1\xa8\xe7\xa4\xba"));
    TIniFile stored(dir.Path() + "/\xe8\xa1\xa8\xe7\xa4\xba/velmora.ini");
    stored.WriteString("DisplayParams_Client1_8", "Images_0_FileName", "/media/a.bmp");
    stored.WriteString("DisplayParams_Client1_8", "MediaPlayers_0_FileName", "/media/a.avi");
    TFakeElements again(1, 1, 1);
    EXPECT_FALSE(LoadLayout(again, "Client 1", 8).DataFolderUnusable);
    EXPECT_EQ(again.images_[0], "/media/a.bmp");
}

TEST_F(LayoutStoreTest, AFirstLoadTakesTheDefaultsAndAFirstSaveWritesThemInOrder) {
    TFakeElements elements(1, 6, 1);
    EXPECT_FALSE(LoadLayout(elements, "Client 1", 8).DataFolderUnusable);
    EXPECT_EQ(elements.images_[0], dir.Path() + "/data/1.bmp");
    EXPECT_EQ(elements.loaded, std::vector<std::string>{dir.Path() + "/data/1.bmp"});
    EXPECT_EQ(elements.texts_, std::vector<std::string>(6));
    EXPECT_EQ(elements.videos_[0], dir.Path() + "/data/1.avi");
    // Loading writes nothing, to the .ini or to the data folder.
    EXPECT_FALSE(FileIo::Exists(dir.File("velmora.ini")));
    EXPECT_FALSE(FileIo::Exists(dir.File("data")));

    SaveLayout(elements, "Client 1", 8);
    EXPECT_EQ(ini.ReadSection("DisplayParams_Client1_8"),
              (std::vector<std::string>{"Images_0_FileName", "Edits_0_Text", "Edits_1_Text",
                                        "Edits_2_Text", "Edits_3_Text", "Edits_4_Text",
                                        "Edits_5_Text", "MediaPlayers_0_FileName"}));
    EXPECT_EQ(ini.ReadString("DisplayParams_Client1_8", "Images_0_FileName", ""),
              dir.Path() + "/data/1.bmp");
    EXPECT_EQ(ini.ReadString("DisplayParams_Client1_8", "MediaPlayers_0_FileName", ""),
              dir.Path() + "/data/1.avi");
    EXPECT_FALSE(FileIo::Exists(dir.File("data")));
}

TEST_F(LayoutStoreTest, SavedValuesComeBackAndEmptyOnesTakeTheDefaultAgain) {
    TFakeElements saved(1, 6, 0);
    saved.images_[0] = "/media/shop/Spring sale.jpg";
    saved.texts_ = {"Top", "Right 1", "", "Right 3", "\xcf\xf0\xe8\xe2\xe5\xf2", "Bottom = 2"};
    SaveLayout(saved, "Client 2", 8);

    TFakeElements loaded(1, 6, 0);
    LoadLayout(loaded, "Client 2", 8);
    EXPECT_EQ(loaded.images_, saved.images_);
    EXPECT_EQ(loaded.loaded, saved.images_);
    EXPECT_EQ(loaded.texts_, saved.texts_); // Windows-1251 bytes pass through unchanged

    ini.WriteString("DisplayParams_Client2_8", "Images_0_FileName", "");
    TFakeElements again(1, 0, 0);
    LoadLayout(again, "Client 2", 8);
    EXPECT_EQ(again.images_[0], dir.Path() + "/data/1.bmp");
}

TEST_F(LayoutStoreTest, APictureThatCannotBeShownKeepsItsNameAndTheRestStillLoads) {
    ini.WriteString("DisplayParams_C_6", "Images_0_FileName", "/pictures/broken.jpg");
    ini.WriteString("DisplayParams_C_6", "Edits_0_Text", "still here");
    TFakeElements elements(1, 1, 0);
    EXPECT_NO_THROW(LoadLayout(elements, "C", 6));
    EXPECT_EQ(elements.images_[0], "/pictures/broken.jpg");
    EXPECT_EQ(elements.texts_[0], "still here");

    SaveLayout(elements, "C", 6);
    EXPECT_EQ(ini.ReadString("DisplayParams_C_6", "Images_0_FileName", ""), "/pictures/broken.jpg");
}

TEST_F(LayoutStoreTest, NamesThatDifferOnlyInSpacesShareOneSection) {
    TFakeElements saved(0, 5, 1);
    saved.texts_[2] = "shared";
    saved.videos_[0] = "/video/a.avi";
    SaveLayout(saved, " Client  3 ", 3);

    TFakeElements loaded(0, 5, 1);
    LoadLayout(loaded, "Client3", 3);
    EXPECT_EQ(loaded.texts_[2], "shared");
    EXPECT_EQ(loaded.videos_[0], "/video/a.avi");
    // Section names match without regard to case, as the profile functions do.
    TFakeElements lower(0, 5, 1);
    LoadLayout(lower, "client 3", 3);
    EXPECT_EQ(lower.videos_[0], "/video/a.avi");
}

TEST_F(LayoutStoreTest, EachDisplayTypeKeepsItsOwnSection) {
    TFakeElements eight(1, 6, 0);
    eight.images_[0] = "/p/eight.bmp";
    eight.texts_[5] = "bottom of eight";
    SaveLayout(eight, "Client 4", 8);
    TFakeElements five(1, 0, 0);
    five.images_[0] = "/p/five.bmp";
    SaveLayout(five, "Client 4", 5);

    EXPECT_EQ(ini.ReadString("DisplayParams_Client4_8", "Images_0_FileName", ""), "/p/eight.bmp");
    EXPECT_EQ(ini.ReadString("DisplayParams_Client4_8", "Edits_5_Text", ""), "bottom of eight");
    EXPECT_EQ(ini.ReadString("DisplayParams_Client4_5", "Images_0_FileName", ""), "/p/five.bmp");
    EXPECT_EQ(ini.ReadSection("DisplayParams_Client4_5").size(), 1u);
}

TEST_F(LayoutStoreTest, SavingLeavesForeignKeysAndOtherSectionsAlone) {
    FileIo::WriteAtomically(dir.File("velmora.ini"),
                            "[ServerParams]\nServerPort=5678\n"
                            "[DisplayParams_X_2]\nEdits_3_Text=old column text\nEdits_0_Text=old\n"
                            "[ClientDisplay_X]\nDisplayType=2\n");
    TFakeElements elements(0, 1, 1);
    elements.texts_[0] = "new";
    elements.videos_[0] = "/v.avi";
    SaveLayout(elements, "X", 2);
    EXPECT_EQ(Ini(), "[ServerParams]\nServerPort=5678\n"
                     "[DisplayParams_X_2]\nEdits_3_Text=old column text\nEdits_0_Text=new\n"
                     "MediaPlayers_0_FileName=/v.avi\n"
                     "[ClientDisplay_X]\nDisplayType=2\n");
}

TEST_F(LayoutStoreTest, AFailedWriteStopsAtItsKeyAndKeepsTheKeysBeforeIt) {
    TFakeElements elements(1, 6, 0);
    elements.images_[0] = "/p/a.bmp";
    elements.texts_ = {"t0", "t1", "line\nbreak", "t3", "t4", "t5"};
    try {
        SaveLayout(elements, "Y", 8);
        FAIL() << "the save went through";
    } catch (const EIniFileException& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + dir.File("velmora.ini"));
    }
    EXPECT_EQ(ini.ReadSection("DisplayParams_Y_8"),
              (std::vector<std::string>{"Images_0_FileName", "Edits_0_Text", "Edits_1_Text"}));
}

TEST_F(LayoutStoreTest, AnUnwritableFileFailsWithItsPath) {
    FileIo::MakeFolders(dir.File("velmora.ini")); // a folder where the file should be
    TFakeElements elements(0, 1, 0);
    EXPECT_THROW(SaveLayout(elements, "Z", 2), EIniFileException);
}

TEST_F(LayoutStoreTest, LongValuesAreReadBackCut) {
    TFakeElements saved(0, 1, 0);
    saved.texts_[0] = std::string(3000, 'x');
    SaveLayout(saved, "L", 2);
    TFakeElements loaded(0, 1, 0);
    LoadLayout(loaded, "L", 2);
    EXPECT_EQ(loaded.texts_[0], std::string(2047, 'x'));
}

TEST_F(LayoutStoreTest, ALayoutWithoutElementsWritesNothing) {
    TFakeElements none(0, 0, 0);
    SaveLayout(none, "E", 0);
    EXPECT_FALSE(ini.SectionExists("DisplayParams_E_0"));
}

} // namespace
