#include "common/TempDir.h"
#include "display/MediaPath.h"
#include "layouts/FolderRotation.h"
#include "layouts/Playlist.h"
#include "platform/FileIo.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

const std::string Mall = "C:\\Ads\\mall.m3u";

std::vector<std::string> PathsOf(const TRotation& rotation) {
    std::vector<std::string> paths;
    for (const TRotationEntry& entry : rotation.Entries)
        paths.push_back(entry.Path);
    return paths;
}

TEST(PlaylistTest, EntriesAreAbsoluteOrBesideThePlaylistAndMapLikeLayoutPaths) {
    TRotation rotation =
        Playlist::Read("ads\\spring.mp4\r\nD:\\Other\\a.avi\r\n\\\\hall\\ads\\b.wmv\r/srv/c.webm\n"
                       "http://10.0.0.5/d.mp4\nfile:///C:/Ads/my%20ad.mp4\n\\top.jpg\n"
                       "..\\..\\secret.mp4\n",
                       Mall);
    EXPECT_EQ(PathsOf(rotation),
              (std::vector<std::string>{"C:\\Ads\\ads\\spring.mp4", "D:\\Other\\a.avi",
                                        "\\\\hall\\ads\\b.wmv", "/srv/c.webm",
                                        "http://10.0.0.5/d.mp4", "C:\\Ads\\my ad.mp4",
                                        "C:\\top.jpg", "C:\\Ads\\..\\..\\secret.mp4"}));
    EXPECT_TRUE(rotation.Problems.empty());
    EXPECT_EQ(PathsOf(Playlist::Read("ads\\a.jpg\n", "/srv/ads/mall.m3u")),
              std::vector<std::string>{"/srv/ads/ads/a.jpg"})
        << "an entry written on Windows, beside a POSIX playlist";

    const auto placed = MediaPath::PlaceEntries(rotation, {{"C:\\Ads", "/srv/ads"}});
    ASSERT_EQ(placed.size(), 7u);
    EXPECT_EQ(placed[0].Place.Source->Location, "/srv/ads/ads/spring.mp4");
    EXPECT_EQ(placed[5].Place.Source->Location, "/srv/ads/my ad.mp4");
    EXPECT_EQ(rotation.Problems,
              std::vector<std::string>{"refused \"C:\\Ads\\..\\..\\secret.mp4\": its \"..\" would "
                                       "leave the folder of the map \"C:\\Ads=/srv/ads\""});
}

TEST(PlaylistTest, ExtInfGivesAPictureItsTimeAndCommentsAreSkipped) {
    const TRotation rotation = Playlist::Read("#EXTM3U\n#EXTINF:15,Spring sale\n\n# note\na.JPG\n"
                                              "#EXTINF:7,Film\nb.mp4\nc.jpg\n#EXTINF:-1,\nd.bmp\n"
                                              "#EXTINF:2.6,\ne.emf\n#EXTINF:soon,\nf.ico\n",
                                              Mall);
    ASSERT_EQ(rotation.Entries.size(), 6u);
    const std::optional<int> expected[] = {15, std::nullopt, std::nullopt, std::nullopt,
                                           3,  std::nullopt};
    for (size_t i = 0; i < 6; ++i)
        EXPECT_EQ(rotation.Entries[i].Seconds, expected[i]) << rotation.Entries[i].Path;
    EXPECT_EQ(rotation.Problems,
              std::vector<std::string>{"the playlist \"C:\\Ads\\mall.m3u\", line 13: #EXTINF gives "
                                       "no time from 1 to 86400 seconds; the default holds"});
}

// "#VELMORA-HOURS:" gives the next entry its hours; hours that cannot be read leave it shown at
// all hours, said with the line.
TEST(PlaylistTest, HoursGiveTheNextEntryItsHours) {
    const TRotation rotation =
        Playlist::Read("#VELMORA-HOURS:Mon-Fri 07:00-11:00\nbreakfast.mp4\n"
                       "all-day.jpg\n#velmora-hours: Mox 11:00-14:00\nlunch.mp4\n",
                       Mall);
    ASSERT_EQ(rotation.Entries.size(), 3u);
    EXPECT_EQ(rotation.Entries[0].Hours, Hours::THours::Parse("Mon-Fri 07:00-11:00"));
    EXPECT_FALSE(rotation.Entries[1].Hours);
    EXPECT_FALSE(rotation.Entries[2].Hours);
    EXPECT_EQ(rotation.Problems,
              std::vector<std::string>{"the playlist \"C:\\Ads\\mall.m3u\", line 4: "
                                       "\"#velmora-hours: Mox 11:00-14:00\" gives no hours that "
                                       "can be read; the next entry shows at all hours"});
}

TEST(PlaylistTest, M3uIsUtf8WhenValidElseTheOperatorsCodePage) {
    const std::string utf8 = "реклама.mp4";
    EXPECT_EQ(PathsOf(Playlist::Read(utf8, Mall)), std::vector<std::string>{"C:\\Ads\\" + utf8});
    EXPECT_EQ(PathsOf(Playlist::Read("\xF0\xE5\xEA\xEB\xE0\xEC\xE0.mp4", Mall)),
              std::vector<std::string>{"C:\\Ads\\" + utf8})
        << "Windows-1251";

    // Characters the code page cannot carry still map, the maps' folder names in any case.
    TRotation rotation =
        Playlist::Read("\xEF\xBB\xBF广告.mp4\n\xF0\xE5\xEA.mp4\n", "C:\\РЕКЛАМА\\mall.m3u8");
    EXPECT_EQ(PathsOf(rotation), std::vector<std::string>{"C:\\РЕКЛАМА\\广告.mp4"});
    EXPECT_EQ(rotation.Problems,
              std::vector<std::string>{"the playlist \"C:\\РЕКЛАМА\\mall.m3u8\", "
                                       "line 2: the line is not UTF-8; left out"});
    const auto placed =
        MediaPath::PlaceEntries(rotation, {{"c:\\\xF0\xE5\xEA\xEB\xE0\xEC\xE0", "/m"}});
    ASSERT_EQ(placed.size(), 1u);
    EXPECT_EQ(placed[0].Place.Source->Location, "/m/广告.mp4");
    EXPECT_EQ(placed[0].Place.Source->FileName, "广告.mp4");
}

TEST(PlaylistTest, GarbageIsLeftOutWithBoundedLines) {
    std::string binary;
    for (int n = 0; n < 4096; ++n)
        binary += static_cast<char>((n * 37) & 0xFF);
    const TRotation noise = Playlist::Read(binary, Mall);
    EXPECT_LE(noise.Problems.size(), Playlist::MostProblemLines + 1);

    const TRotation longLine = Playlist::Read(std::string(1 << 20, 'a') + "\nb.mp4\n", Mall);
    EXPECT_EQ(PathsOf(longLine), std::vector<std::string>{"C:\\Ads\\b.mp4"});
    EXPECT_EQ(longLine.Problems,
              std::vector<std::string>{"the playlist \"C:\\Ads\\mall.m3u\", line 1: a line of "
                                       "1048576 bytes is too long for a path; left out"});

    std::string many;
    for (int n = 0; n < 10000; ++n)
        many += std::to_string(n) + ".jpg\n";
    const TRotation full = Playlist::Read(many, Mall);
    EXPECT_EQ(full.Entries.size(), Rotation::MostEntries);
    EXPECT_EQ(full.Problems,
              std::vector<std::string>{"the playlist \"C:\\Ads\\mall.m3u\" holds "
                                       "more than 1000 entries; the rest are left out"});

    const std::string utf16 = std::string("\xFF\xFE") + "a.mp4";
    EXPECT_TRUE(Playlist::Read(utf16, Mall).Entries.empty()) << "UTF-16";
}

TEST(PlaylistTest, EntriesThatLoopBackToThePlaylistAreLeftOut) {
    const TRotation rotation = Playlist::Read(
        "mall.m3u\nC:\\ADS\\MALL.M3U\nsub\\..\\mall.m3u\n.\nC:\\\n..\\Ads\\\nmall2.m3u\n", Mall);
    EXPECT_EQ(PathsOf(rotation), std::vector<std::string>{"C:\\Ads\\mall2.m3u"});
    ASSERT_EQ(rotation.Problems.size(), 6u);
    EXPECT_EQ(rotation.Problems[1], "the playlist \"C:\\Ads\\mall.m3u\", line 2: "
                                    "\"C:\\ADS\\MALL.M3U\" names the playlist itself; left out");
    EXPECT_EQ(rotation.Problems[4], "the playlist \"C:\\Ads\\mall.m3u\", line 5: \"C:\\\" names "
                                    "a folder that holds the playlist; left out");
}

TEST(FolderRotationTest, VideosAndPicturesInNaturalOrder) {
    const TRotation rotation = FolderRotation::Of(
        "\\\\hall\\ads", {"10.jpg", "2.jpg", "notes.txt", "b.mp4", "B.MP4", "1.jpg", "01.jpg",
                          "Яблоко.bmp", "арбуз.wmv", "x.m3u", "a10b.avi", "a9b.avi"});
    EXPECT_EQ(PathsOf(rotation),
              (std::vector<std::string>{"\\\\hall\\ads\\01.jpg", "\\\\hall\\ads\\1.jpg",
                                        "\\\\hall\\ads\\2.jpg", "\\\\hall\\ads\\10.jpg",
                                        "\\\\hall\\ads\\a9b.avi", "\\\\hall\\ads\\a10b.avi",
                                        "\\\\hall\\ads\\B.MP4", "\\\\hall\\ads\\b.mp4",
                                        "\\\\hall\\ads\\арбуз.wmv", "\\\\hall\\ads\\Яблоко.bmp"}));
    EXPECT_TRUE(rotation.Problems.empty());
    EXPECT_EQ(Rotation::NamedBy("C:\\Ads\\MALL.M3U8", false), TRotationKind::Playlist);
    EXPECT_EQ(Rotation::NamedBy("C:\\Ads.m3u\\a.mp4", false), TRotationKind::OneFile);
}

TEST(FolderRotationTest, TheListingTakesVisibleFilesOnly) {
    TTempDir dir;
    for (const char* name : {"b.jpg", ".a.jpg", "c.mp4"})
        ASSERT_TRUE(FileIo::WriteAtomically(dir.File(name), "x"));
    std::filesystem::create_directory(dir.File("d.mp4"));
    std::vector<std::string> problems;
    std::vector<std::string> names = FolderRotation::NamesIn(dir.Path(), problems);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"b.jpg", "c.mp4"}));
    EXPECT_TRUE(problems.empty());
    EXPECT_TRUE(FolderRotation::NamesIn(dir.File("none"), problems).empty());
    EXPECT_EQ(problems.size(), 1u);
}

} // namespace
