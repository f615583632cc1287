#include "layouts/LocalRotation.h"

#include "common/TempDir.h"
#include "platform/FileIo.h"

#include <gtest/gtest.h>

namespace {

using TKind = TRotationItem::TKind;

// An entry naming a folder stands for its videos and pictures in natural order; an entry that is
// none of those is left out, said in a line.
TEST(LocalRotationTest, AFolderEntryStandsForItsMediaAndOtherEntriesAreSaid) {
    TTempDir dir;
    ASSERT_TRUE(FileIo::MakeFolders(dir.File("ads/week")));
    for (const char* name : {"ads/week/10.jpg", "ads/week/2.jpg", "ads/week/notes.txt",
                             "ads/clip.avi", "ads/notes.txt"})
        ASSERT_TRUE(FileIo::WriteAtomically(dir.File(name), "x"));
    ASSERT_TRUE(FileIo::WriteAtomically(dir.File("ads/mall.m3u"),
                                        "#EXTINF:5,\nweek\nnotes.txt\nclip.avi\n"));

    EXPECT_TRUE(LocalRotation::MayName(dir.File("ads/mall.m3u")));
    EXPECT_TRUE(LocalRotation::MayName(dir.File("ads/week")));
    EXPECT_FALSE(LocalRotation::MayName(dir.File("ads/clip.avi")));
    const LocalRotation::TLocal read = LocalRotation::Read(dir.File("ads/mall.m3u"));
    EXPECT_FALSE(read.OneFile);
    EXPECT_EQ(read.Items, (std::vector<TRotationItem>{
                              {dir.File("ads/week/2.jpg"), TKind::Picture, std::nullopt},
                              {dir.File("ads/week/10.jpg"), TKind::Picture, std::nullopt},
                              {dir.File("ads/clip.avi"), TKind::Video, std::nullopt}}));
    ASSERT_EQ(read.Problems.size(), 1u);
    EXPECT_EQ(read.Problems[0], "Skipped in the rotation: \"" + dir.File("ads/notes.txt") +
                                    "\": it is neither a video, a picture nor a folder");
}

// A file without an extension that is not a folder is one file; a playlist too long for any
// rotation is not read.
TEST(LocalRotationTest, AnythingElseIsOneFileAndAnOverlongPlaylistIsRefused) {
    TTempDir dir;
    ASSERT_TRUE(FileIo::WriteAtomically(dir.File("advert"), "x"));
    EXPECT_TRUE(LocalRotation::Read(dir.File("advert")).OneFile);

    ASSERT_TRUE(FileIo::WriteAtomically(dir.File("huge.m3u8"),
                                        std::string(LocalRotation::MostPlaylistBytes + 1, '#')));
    const LocalRotation::TLocal huge = LocalRotation::Read(dir.File("huge.m3u8"));
    EXPECT_FALSE(huge.OneFile);
    EXPECT_TRUE(huge.Items.empty());
    ASSERT_EQ(huge.Problems.size(), 1u);
    EXPECT_NE(huge.Problems[0].find("is longer than"), std::string::npos) << huge.Problems[0];
}

} // namespace
