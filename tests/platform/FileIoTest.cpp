// Opening files that a user named: only regular files, and never a wait on anything else.
#include "platform/FileIo.h"

#include "common/NamedPipe.h"
#include "common/TempDir.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

TEST(FileIoTest, OnlyARegularFileOpensAndNothingElseIsWaitedOn) {
    const TTempDir dir;
    std::string reason;
    ASSERT_TRUE(FileIo::WriteAtomically(dir.File("picture.bmp"), "BM"));
    const TDescriptor file = FileIo::OpenRegularFile(dir.File("picture.bmp"), reason);
    ASSERT_TRUE(file.Valid());
    char bytes[4] = {};
    EXPECT_EQ(::read(file.Get(), bytes, sizeof bytes), 2) << "reads as usual";

    TNamedPipe pipe(dir.File("pipe.bmp"));
    ASSERT_TRUE(pipe.Made());
    EXPECT_FALSE(FileIo::OpenRegularFile(dir.File("pipe.bmp"), reason).Valid());
    EXPECT_FALSE(pipe.Finish()) << "the open waited on the pipe";
    EXPECT_EQ(reason, "It is not a regular file");

    EXPECT_FALSE(FileIo::OpenRegularFile("/dev/null", reason).Valid());
    EXPECT_EQ(reason, "It is not a regular file");
    EXPECT_FALSE(FileIo::OpenRegularFile(dir.Path(), reason).Valid());
    EXPECT_EQ(reason, "It is not a regular file");
    EXPECT_FALSE(FileIo::OpenRegularFile(dir.File("missing.bmp"), reason).Valid());
    EXPECT_EQ(reason, "No such file or directory");
}

} // namespace
