#include "display/LayoutMedia.h"

#include "common/CheckoutPaths.h"
#include "common/TempDir.h"
#include "layouts/Playlist.h"
#include "mediacache/MediaStore.h"
#include "platform/FileIo.h"
#include "protocol/DisplayTypeMessage.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

const std::vector<TPathMap> Maps{{"C:\\Media", "/srv/velmora/media"},
                                 {"D:\\Web", "http://ads.example/velmora"}};

TWantedLayout Layout(int displayType, const std::string& key, const std::string& path) {
    return LayoutOf(displayType, TLayoutConfig::Parse("[S]\r\n" + key + "=" + path + "\r\n"), Maps);
}

std::string CopyOf(const TMediaPlace& place) {
    return place.Source->CopyName();
}

// A mapped video waits for the cache; a copy that cannot be shown keeps the panel colour until it
// arrives; a stale answer changes nothing; the playing video's new copy builds nothing.
TEST(LayoutMediaTest, AMappedVideoWaitsForTheCacheAndIsBuiltAgainOnlyWhenItsCopyComes) {
    TLayoutMedia media("/cache");
    const TWantedLayout layout = Layout(1, "MediaPlayers_0_FileName", "C:\\Media\\ad.avi");
    const std::string copy = CopyOf(layout.Video);
    ASSERT_TRUE(media.Want(layout));
    media.Asked(7);
    EXPECT_FALSE(media.Arrived(copy)) << "built once the cache answers";
    EXPECT_FALSE(media.Resolved(6, {})) << "the answer for an older layout";
    ASSERT_TRUE(media.Resolved(7, {}));
    EXPECT_EQ(media.Content().VideoFile, "/cache/" + copy) << "the copy that came meanwhile";
    EXPECT_FALSE(media.Resolved(7, {})) << "answered once";
    EXPECT_FALSE(media.Arrived(copy)) << "the video opens its new copy at the end of its pass";
    EXPECT_FALSE(media.Arrived("0000000000000000-other.avi"));

    ASSERT_TRUE(media.Want(layout));
    media.Asked(8);
    ASSERT_TRUE(media.Resolved(8, {}));
    EXPECT_EQ(media.Content().VideoFile, "") << "nothing to show yet: the panel colour";
    ASSERT_TRUE(media.Arrived(copy));
    EXPECT_EQ(media.Content().VideoFile, "/cache/" + copy);
}

// A picture is read once when its layout is built, so each new copy builds it again; a file that
// no map takes is shown in place without asking the cache.
TEST(LayoutMediaTest, APictureIsBuiltAgainForEachNewCopyAndUnmappedFilesShowInPlace) {
    TLayoutMedia media("/cache");
    const TWantedLayout layout = Layout(5, "Images_0_FileName", "D:\\Web\\Ads\\ad.jpg");
    const std::string copy = CopyOf(layout.Picture);
    ASSERT_TRUE(media.Want(layout));
    media.Asked(1);
    ASSERT_TRUE(media.Resolved(1, {copy}));
    EXPECT_EQ(media.Content().PictureFile, "/cache/" + copy);
    EXPECT_TRUE(media.Arrived(copy));

    EXPECT_FALSE(media.Want(Layout(5, "Images_0_FileName", "E:\\ad.jpg")));
    EXPECT_EQ(media.Content().PictureFile, "E:\\ad.jpg");
    EXPECT_FALSE(media.Arrived(copy)) << "a copy of the layout before";
}

// A playlist behind a map is read from its copy once the cache has it; its entries are asked of
// the cache with it and show as their copies can; one the cache cannot hold shows from its
// folder source; the problems of a reading are said once.
TEST(LayoutMediaTest, APlaylistBehindAMapIsReadFromItsCopyAndItsEntriesComeThroughTheCache) {
    TLayoutMedia media("/cache", Maps);
    const TWantedLayout layout = Layout(1, "MediaPlayers_0_FileName", "D:\\Web\\mall.m3u");
    ASSERT_TRUE(media.Want(layout));
    EXPECT_TRUE(media.Reads(false).empty()) << "nothing to read before the copy";
    media.Asked(1);
    ASSERT_TRUE(media.Resolved(1, {CopyOf(layout.Video)}));
    auto reads = media.Reads(false);
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(reads[0].second.PlaylistFile, "/cache/" + CopyOf(layout.Video));
    EXPECT_EQ(reads[0].second.LayoutPath, "D:\\Web\\mall.m3u");
    EXPECT_FALSE(media.Settled());

    TRotationReadResult read{TRotationKind::Playlist,
                             Playlist::Read("a.mp4\nC:\\Media\\b.avi\n", "D:\\Web\\mall.m3u")};
    read.Rotation.Problems.push_back("a line");
    EXPECT_EQ(media.ReadDone(media.Generation() - 1, reads[0].first, read),
              std::vector<std::string>{})
        << "a reading for the layout before";
    EXPECT_EQ(media.ReadDone(media.Generation(), reads[0].first, read),
              std::vector<std::string>{"a line"});
    ASSERT_TRUE(media.MustAsk());
    const std::vector<TMediaSource> sources = media.Sources();
    ASSERT_EQ(sources.size(), 3u);
    media.Asked(2);
    ASSERT_TRUE(media.Resolved(2, {sources[1].CopyName()}));
    ASSERT_TRUE(media.Settled());
    ASSERT_TRUE(media.Content().VideoRotation);
    EXPECT_EQ(media.Content().VideoRotation->Items,
              (std::vector<TRotationEntry>{{"/cache/" + sources[1].CopyName(), std::nullopt}}));

    EXPECT_FALSE(media.Uncached(sources[2].CopyName())) << "a rotation's items only change";
    EXPECT_EQ(media.Content().VideoRotation->Items.back().Path, "/srv/velmora/media/b.avi");
    reads = media.Reads(true);
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_TRUE(media.ReadDone(media.Generation(), reads[0].first, read).empty()) << "said already";
}

// A display upgraded while offline opens the cache folder an earlier version wrote: the same
// layouts name the same copies, and every one of them can be shown.
TEST(LayoutMediaTest, ACacheFolderWrittenByTheVersionBeforeShowsEveryCopyItHas) {
    TTempDir dir;
    const std::string folder = dir.Path() + "/cache";
    std::filesystem::copy(CheckoutPaths::SourceFile("tests/display/data/cache-v1"), folder);
    const auto index = FileIo::ReadAll(folder + "/index");
    TMediaStore store(folder, int64_t{1} << 20);
    store.Open();
    for (const TWantedLayout& layout :
         {Layout(5, "Images_0_FileName", "C:\\Media\\Spring ads\\ad 1.bmp"),
          Layout(1, "MediaPlayers_0_FileName", "D:\\Web\\Ads\\\xC2\xE5\xF1\xED\xE0.avi")}) {
        ASSERT_EQ(layout.Sources().size(), 1u);
        const std::string name = layout.Sources()[0].CopyName();
        ASSERT_NE(store.Find(name), nullptr) << name;
        EXPECT_EQ(store.Find(name)->Source, layout.Sources()[0].Location);
        EXPECT_TRUE(store.Usable(name)) << name;
    }
    EXPECT_EQ(FileIo::ReadAll(folder + "/index"), index) << "nothing was dropped or rewritten";
}

} // namespace
