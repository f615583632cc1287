#include "layouts/RotationRead.h"

#include "common/TempDir.h"
#include "platform/FileIo.h"

#include <gtest/gtest.h>

namespace {

TRotationReadResult Read(const std::string& path) {
    TRotationRead read;
    read.LayoutPath = path;
    read.Playlist = Rotation::NamedBy(path, false) == TRotationKind::Playlist;
    read.PlaylistFile = path;
    return RotationRead::Run(read);
}

// An entry naming a folder stands for its videos and pictures in natural order; an entry that is
// none of those is left out, said in a line.
TEST(RotationReadTest, AFolderEntryStandsForItsMediaAndOtherEntriesAreSaid) {
    TTempDir dir;
    ASSERT_TRUE(FileIo::MakeFolders(dir.File("ads/week")));
    for (const char* name : {"ads/week/10.jpg", "ads/week/2.jpg", "ads/week/notes.txt",
                             "ads/clip.avi", "ads/notes.txt"})
        ASSERT_TRUE(FileIo::WriteAtomically(dir.File(name), "x"));
    ASSERT_TRUE(FileIo::WriteAtomically(dir.File("ads/mall.m3u"),
                                        "#EXTINF:5,\nweek\nnotes.txt\nclip.avi\n"));

    EXPECT_TRUE(Rotation::MayName(dir.File("ads/mall.m3u")));
    EXPECT_TRUE(Rotation::MayName(dir.File("ads/week")));
    EXPECT_FALSE(Rotation::MayName(dir.File("ads/clip.avi")));
    const TRotationReadResult read = Read(dir.File("ads/mall.m3u"));
    EXPECT_EQ(read.Kind, TRotationKind::Playlist);
    EXPECT_EQ(read.Rotation.Entries,
              (std::vector<TRotationEntry>{{dir.File("ads/week/2.jpg"), std::nullopt},
                                           {dir.File("ads/week/10.jpg"), std::nullopt},
                                           {dir.File("ads/clip.avi"), std::nullopt}}));
    ASSERT_EQ(read.Rotation.Problems.size(), 1u);
    EXPECT_EQ(read.Rotation.Problems[0], "Skipped in the rotation: \"" + dir.File("ads/notes.txt") +
                                             "\": it is neither a video, a picture nor a folder");
}

// A file without an extension that is not a folder is one file; a playlist too long for any
// rotation is not read.
TEST(RotationReadTest, AnythingElseIsOneFileAndAnOverlongPlaylistIsRefused) {
    TTempDir dir;
    ASSERT_TRUE(FileIo::WriteAtomically(dir.File("advert"), "x"));
    EXPECT_EQ(Read(dir.File("advert")).Kind, TRotationKind::OneFile);

    ASSERT_TRUE(FileIo::WriteAtomically(dir.File("huge.m3u8"),
                                        std::string(RotationRead::MostPlaylistBytes + 1, '#')));
    const TRotationReadResult huge = Read(dir.File("huge.m3u8"));
    EXPECT_EQ(huge.Kind, TRotationKind::Playlist);
    EXPECT_TRUE(huge.Rotation.Entries.empty());
    ASSERT_EQ(huge.Rotation.Problems.size(), 1u);
    EXPECT_NE(huge.Rotation.Problems[0].find("is longer than"), std::string::npos)
        << huge.Rotation.Problems[0];
}

} // namespace
