#include "media/MediaFile.h"

#include "common/TempDir.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

TEST(MediaFileTest, OnlyRegularFilesThatOpenGoToTheDecoder) {
    TTempDir dir;
    const std::string clip = dir.File("clip.avi");
    std::ofstream(clip) << "frames";
    EXPECT_EQ(MediaFile::RefusalOf(clip), std::nullopt);

    EXPECT_EQ(MediaFile::RefusalOf(dir.File("none.avi")), "No such file or directory");
    EXPECT_EQ(MediaFile::RefusalOf(""), "No file name is set");
    EXPECT_EQ(MediaFile::RefusalOf(dir.Path()), "It is not a regular file");
    EXPECT_EQ(MediaFile::RefusalOf("/dev/null"), "It is not a regular file");
    // A FIFO without a writer would hold an open for reading forever.
    const std::string fifo = dir.File("fifo.avi");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(MediaFile::RefusalOf(fifo), "It is not a regular file");
}

} // namespace
