#include "display/LayoutContent.h"

#include "common/TempDir.h"
#include "display/KeptLayout.h"
#include "display/MediaPath.h"
#include "platform/FileIo.h"
#include "platform/ProgramPaths.h"
#include "protocol/ExchangeBlock.h"

#include <gtest/gtest.h>

namespace {

TWantedLayout Content(int displayType, const TLayoutConfig& config,
                      const std::vector<TPathMap>& maps) {
    return LayoutOf(displayType, config, maps);
}

const std::string FullText = "[DisplayParams_Client3_4]\r\n"
                             "Edits_0_Text=Today only\r\n"
                             "Edits_1_Text=Bread\r\n"
                             "MediaPlayers_0_FileName=C:\\Media\\Ad.avi\r\n";

TEST(LayoutConfigTest, ContentTakesKeysByTypeAndDefaultsForMissingMedia) {
    ProgramPaths::SetExecutablePath("/opt/velmora/velmora-display");
    const auto config = TLayoutConfig::Parse(FullText);
    const auto video = Content(4, config, {{"C:\\MEDIA", "/srv/media"}});
    ASSERT_EQ(video.Sources().size(), 1u);
    EXPECT_EQ(video.Sources()[0].Location, "/srv/media/Ad.avi");
    EXPECT_EQ(video.Video.Path, "") << "shown from the cache";
    EXPECT_EQ(video.Picture.Path, "");
    EXPECT_EQ(video.Texts, (std::vector<std::string>{"Today only", "Bread", "", "", "", ""}));
    const auto picture = Content(6, config, {});
    EXPECT_EQ(picture.Picture.Path, "/opt/velmora/data/1.bmp") << "missing key: the default";
    EXPECT_EQ(picture.Texts, std::vector<std::string>{"Today only"});
    const auto empty = Content(1, TLayoutConfig::Parse("[S]\r\nMediaPlayers_0_FileName=\r\n"), {});
    EXPECT_EQ(empty.Video.Path, "/opt/velmora/data/1.avi") << "empty key: the default";
    EXPECT_TRUE(Content(0, config, {}).Texts.empty());
    ProgramPaths::SetExecutablePath("");
}

// The lines given, then the key's line cut where the block's data ends.
std::string FilledBlock(std::string lines, const std::string& cutKey) {
    lines += cutKey + "=C:\\Media\\";
    lines.resize(ExchangeBlock::DataCapacity, 'x');
    return lines;
}

// A text that fills the block lost what stood behind the cut: the display names the keys of
// its type that are missing, so that a default picture or clip in their place is explained.
TEST(LayoutConfigTest, ATextThatFillsTheBlockNamesTheKeysOfItsTypeItLost) {
    const std::string head = "[DisplayParams_Client3_4]\r\n"
                             "Edits_0_Text=Today only\r\n"
                             "Edits_1_Text=Bread\r\n"
                             "Edits_2_Text=\r\n"
                             "Edits_3_Text=Milk\r\n"
                             "Edits_4_Text=" +
                             std::string(800, '-') + "\r\n";
    const auto cut = TLayoutConfig::Parse(FilledBlock(head, "Edits_5_Text"));
    EXPECT_TRUE(cut.Cut());
    const std::string lost = "the layout arrived cut at 1000 bytes; lost: ";
    using TLines = std::vector<std::string>;
    EXPECT_EQ(Content(4, cut, {}).Problems, TLines{lost + "Edits_5_Text, MediaPlayers_0_FileName"});
    EXPECT_EQ(Content(8, cut, {}).Problems, TLines{lost + "Edits_5_Text, Images_0_FileName"});
    EXPECT_EQ(Content(2, cut, {}).Problems, TLines{lost + "MediaPlayers_0_FileName"})
        << "the top strip's text came whole";
    EXPECT_EQ(Content(0, cut, {}).Problems, TLines{}) << "a type that reads no keys lost none";

    const auto emptyKeysCame = TLayoutConfig::Parse(
        FilledBlock("[S]\r\nEdits_0_Text=\r\nMediaPlayers_0_FileName=\r\n", "Images_0_FileName"));
    EXPECT_EQ(Content(2, emptyKeysCame, {}).Problems, TLines{}) << "empty keys are not lost";
    EXPECT_EQ(Content(6, emptyKeysCame, {}).Problems, TLines{lost + "Images_0_FileName"});

    std::string shorter = FilledBlock(head, "Edits_5_Text");
    shorter.pop_back();
    EXPECT_FALSE(TLayoutConfig::Parse(shorter).Cut()) << "a text short of the block is whole";
    EXPECT_EQ(Content(4, TLayoutConfig::Parse(shorter), {}).Problems, TLines{});
    std::string endsAtTheEdge = head;
    endsAtTheEdge.resize(ExchangeBlock::DataCapacity - 2, 'x');
    endsAtTheEdge += "\r\n";
    EXPECT_FALSE(TLayoutConfig::Parse(endsAtTheEdge).Cut()) << "its last line ends at the edge";
}

// A layout's path that a map takes but whose ".." climbs out of the map's folder names no file;
// the display says which path it refused. Outside every map a path is shown in place as before.
TEST(LayoutConfigTest, ARefusedPathNamesNoFileAndSaysWhy) {
    const auto config =
        TLayoutConfig::Parse("[S]\r\n"
                             "MediaPlayers_0_FileName=C:\\Media\\..\\..\\etc\\hostname\r\n"
                             "Images_0_FileName=C:\\Media\\\xCC\\..\\x.bmp\r\n");
    const std::vector<TPathMap> maps{{"C:\\Media", "/srv/media"}};
    const auto video = Content(1, config, maps);
    EXPECT_EQ(video.Video.Path, "");
    EXPECT_EQ(video.Problems, std::vector<std::string>{
                                  "refused \"C:\\Media\\..\\..\\etc\\hostname\": its \"..\" "
                                  "would leave the folder of the map \"C:\\Media=/srv/media\""});
    const auto picture = Content(5, config, maps);
    EXPECT_EQ(picture.Picture.Path, "");
    EXPECT_EQ(picture.Problems,
              std::vector<std::string>{"refused \"C:\\Media\\М\\..\\x.bmp\": its \"..\" would "
                                       "leave the folder of the map \"C:\\Media=/srv/media\""})
        << "the path as UTF-8";
    const auto unmapped = Content(1, config, {});
    EXPECT_EQ(unmapped.Video.Path, "C:\\Media\\..\\..\\etc\\hostname");
    EXPECT_TRUE(unmapped.Problems.empty());
}

TEST(MediaPathTest, DotDotPartsNeverLeaveTheirMap) {
    const std::vector<TPathMap> maps{{"C:\\Media", "/srv/media"},
                                     {"/home/op/video", "/data/video"}};
    for (const char* climbing :
         {"C:\\Media\\..\\..\\etc\\hostname", "c:/media/../etc/hostname", "C:\\Media\\a\\..\\b.avi",
          "C:\\Media\\..", "C:\\Media/a\\../../b.avi", "/home/op/video/../../../etc/shadow"})
        EXPECT_THROW(MediaPath::Local(climbing, maps), EMediaPathError) << climbing;
    EXPECT_EQ(MediaPath::Local("C:\\Media\\..ad..\\a.avi", maps), "/srv/media/..ad../a.avi")
        << "only a whole \"..\" part climbs";
    EXPECT_EQ(MediaPath::Local("/home/op/video/..\\a.avi", maps), "/data/video/..\\a.avi")
        << "a backslash separates nothing in a POSIX path";
    EXPECT_EQ(MediaPath::Local("D:\\..\\a.avi", maps), "D:\\..\\a.avi") << "outside every map";
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

namespace {

// A web map's address takes the rest of the path part by part, each percent-encoded from UTF-8,
// under the same rules of case and separators as a folder map.
TEST(MediaPathTest, AWebMapEncodesEachPartOfTheRest) {
    const std::vector<TPathMap> maps{{"C:\\Media", "http://10.0.0.5:8080/media/"},
                                     {"\\\\hall\\ads", "HTTPS://hall.example/ads"},
                                     {"/home/op", "/mnt/op"}};
    const auto web = MediaPath::Place("c:\\MEDIA\\Spring ads\\ad #1?.avi", maps);
    ASSERT_TRUE(web.Source);
    EXPECT_EQ(web.Source->Kind, TMediaSource::TKind::Web);
    EXPECT_EQ(web.Source->Location, "http://10.0.0.5:8080/media/Spring%20ads/ad%20%231%3F.avi");
    EXPECT_EQ(web.Source->Base, "http://10.0.0.5:8080/media/");
    EXPECT_EQ(MediaPath::Place("\\\\HALL\\Ads\\\xC2\xE5\xF1\xED\xE0.jpg", maps).Source->Location,
              "HTTPS://hall.example/ads/%D0%92%D0%B5%D1%81%D0%BD%D0%B0.jpg")
        << "a TO without its last slash, Cyrillic as UTF-8";
    EXPECT_THROW(MediaPath::Place("C:\\Media\\..\\secret.avi", maps), EMediaPathError);
    const auto folder = MediaPath::Place("/home/op/a b.avi", maps);
    EXPECT_EQ(folder.Source->Kind, TMediaSource::TKind::Folder);
    EXPECT_EQ(folder.Source->Location, "/mnt/op/a b.avi") << "a folder path is not encoded";
    EXPECT_FALSE(MediaPath::Place("D:\\ad.avi", maps).Source) << "outside every map: in place";
    EXPECT_EQ(MediaPath::Place("D:\\ad.avi", maps).Path, "D:\\ad.avi");
}

// Each source has a copy of its own, named so that the folder reads well and a picture keeps its
// extension (the picture loaders go by it).
TEST(MediaPathTest, EachSourceHasACopyNameOfItsOwnThatKeepsItsFileName) {
    const std::vector<TPathMap> maps{{"C:\\Media", "http://10.0.0.5/m/"}, {"D:\\", "/mnt/d"}};
    const std::string a = MediaPath::Place("C:\\Media\\Ads\\ad 1.jpg", maps).Source->CopyName();
    EXPECT_EQ(a.size(), 16u + 1 + 8);
    EXPECT_EQ(a.substr(16), "-ad 1.jpg");
    EXPECT_EQ(MediaPath::Place("c:/media/Ads/ad 1.jpg", maps).Source->CopyName(), a)
        << "the same source";
    EXPECT_NE(MediaPath::Place("C:\\Media\\Old\\ad 1.jpg", maps).Source->CopyName(), a);
    EXPECT_NE(MediaPath::Place("D:\\Ads\\ad 1.jpg", maps).Source->CopyName(), a);
    const std::string longName = "C:\\Media\\" + std::string(300, 'n') + ".jpeg";
    const std::string shortened = MediaPath::Place(longName, maps).Source->CopyName();
    EXPECT_EQ(shortened.substr(16), "-.jpeg") << "a file system takes 255 bytes a name";
}

} // namespace
