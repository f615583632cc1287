#include "display/LayoutConfig.h"

#include "common/TempDir.h"
#include "display/KeptLayout.h"
#include "display/MediaPath.h"
#include "platform/FileIo.h"
#include "platform/ProgramPaths.h"

#include <gtest/gtest.h>

namespace {

const std::string FullText = "[DisplayParams_Client3_4]\r\n"
                             "Edits_0_Text=Today only\r\n"
                             "Edits_1_Text=Bread\r\n"
                             "MediaPlayers_0_FileName=C:\\Media\\Ad.avi\r\n";

// However the block's 1000 bytes cut the text, only whole lines are taken: a cut last line is
// left out, never shown half.
TEST(LayoutConfigTest, ACutLastLineIsLeftOutAtEveryByte) {
    const size_t lastLine = FullText.rfind("MediaPlayers");
    for (size_t cut = lastLine; cut < FullText.size(); ++cut) {
        const auto config = TLayoutConfig::Parse(FullText.substr(0, cut));
        EXPECT_EQ(config.Value("MediaPlayers_0_FileName"), "") << "cut at " << cut;
        EXPECT_EQ(config.Value("Edits_1_Text"), "Bread") << "cut at " << cut;
    }
    const auto whole = TLayoutConfig::Parse(FullText);
    EXPECT_EQ(whole.Section(), "DisplayParams_Client3_4");
    EXPECT_EQ(whole.Value("mediaplayers_0_filename"), "C:\\Media\\Ad.avi");
    EXPECT_EQ(whole.Count(), 3u);
}

TEST(LayoutConfigTest, ContentTakesKeysByTypeAndDefaultsForMissingMedia) {
    ProgramPaths::SetExecutablePath("/opt/velmora/velmora-display");
    const auto config = TLayoutConfig::Parse(FullText);
    const auto video = ContentOf(4, config, {{"C:\\MEDIA", "/srv/media"}});
    EXPECT_EQ(video.VideoFile, "/srv/media/Ad.avi");
    EXPECT_EQ(video.PictureFile, "");
    EXPECT_EQ(video.Texts, (std::vector<std::string>{"Today only", "Bread", "", "", "", ""}));
    const auto picture = ContentOf(6, config, {});
    EXPECT_EQ(picture.PictureFile, "/opt/velmora/data/1.bmp") << "missing key: the default";
    EXPECT_EQ(picture.Texts, std::vector<std::string>{"Today only"});
    const auto empty =
        ContentOf(1, TLayoutConfig::Parse("[S]\r\nMediaPlayers_0_FileName=\r\n"), {});
    EXPECT_EQ(empty.VideoFile, "/opt/velmora/data/1.avi") << "empty key: the default";
    EXPECT_TRUE(ContentOf(0, config, {}).Texts.empty());
    ProgramPaths::SetExecutablePath("");
}

TEST(MediaPathTest, WindowsPathsMatchInAnyCaseAtFolderBoundaries) {
    const std::vector<TPathMap> maps{{"C:\\Media", "/srv/media"},
                                     {"\\\\hall\\ads", "/mnt/ads/"},
                                     {"/home/op/video", "/data/video"}};
    EXPECT_EQ(MediaPath::Local("C:\\Media\\spring\\ad.avi", maps), "/srv/media/spring/ad.avi");
    EXPECT_EQ(MediaPath::Local("c:/MEDIA/ad.avi", maps), "/srv/media/ad.avi");
    EXPECT_EQ(MediaPath::Local("C:\\MediaOld\\ad.avi", maps), "C:\\MediaOld\\ad.avi")
        << "not at a folder boundary";
    EXPECT_EQ(MediaPath::Local("\\\\HALL\\Ads\\x.jpg", maps), "/mnt/ads/x.jpg");
    EXPECT_EQ(MediaPath::Local("/home/op/video/a.avi", maps), "/data/video/a.avi");
    EXPECT_EQ(MediaPath::Local("/home/op/Video/a.avi", maps), "/home/op/Video/a.avi")
        << "a POSIX path keeps its case";
    EXPECT_EQ(
        MediaPath::Local("C:\\\xCC\xE5\xE4\xE8\xE0\\a.avi", {{"C:\\\xEC\xE5\xE4\xE8\xE0", "/m"}}),
        "/m/a.avi")
        << "Cyrillic letters compare without regard to case";
    EXPECT_EQ(MediaPath::Local("/srv/\xEC.avi", {}), "/srv/м.avi") << "bytes become UTF-8";
}

TEST(KeptLayoutTest, SavedLayoutComesBackAndDamageReadsAsNothing) {
    TTempDir dir;
    const std::string path = dir.File("state/last-layout");
    const TKeptLayout layout{"Client 3", 4, FullText};
    ASSERT_TRUE(KeptLayout::Save(path, layout));
    EXPECT_EQ(KeptLayout::Load(path), layout);
    EXPECT_EQ(KeptLayout::Load(dir.File("missing")), std::nullopt);
    for (const char* damaged : {"", "Name=x\n", "Name=x\nType=four\n\n", "Name=x\nType=4\n"}) {
        ASSERT_TRUE(FileIo::WriteAtomically(path, damaged));
        EXPECT_EQ(KeptLayout::Load(path), std::nullopt) << damaged;
    }
}

} // namespace
