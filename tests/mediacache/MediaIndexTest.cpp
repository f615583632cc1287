#include "mediacache/MediaIndex.h"

#include <gtest/gtest.h>

namespace {

TCachedFile File(const std::string& name) {
    return {name,
            "http://10.0.0.5/media/" + name,
            1234,
            0,
            "\"5f1-63a\"",
            "Tue, 08 Dec 2026 10:00:00 GMT",
            std::string(64, 'a'),
            1765000000};
}

TEST(MediaIndexTest, EveryFieldComesBackWhateverItHolds) {
    TCachedFile odd = File("00aa-odd.avi");
    odd.Source = "/mnt/share/a\tb\r\nc%09.avi"; // a folder path may hold anything but a NUL
    odd.ETag = "W/\"%\"";
    odd.SourceModified = 1765000000123456789;
    const std::vector<TCachedFile> files{File("00aa-a.avi"), odd};
    EXPECT_EQ(MediaIndex::Parse(MediaIndex::Text(files)), files);
    EXPECT_EQ(MediaIndex::Text({}), "velmora-media-index 1\n");
}

// A damaged index loses the damaged lines only: their copies are unknown at the next start and go,
// so that nothing is shown that the index cannot vouch for.
TEST(MediaIndexTest, DamagedLinesAndForeignTextNameNoCopy) {
    const std::string good = MediaIndex::Text({File("00aa-a.avi")});
    std::string text = good;
    for (const char* line :
         {"00bb-b.avi\tsrc\t12\t0\t\t\tshort\t1",           // a hash of the wrong length
          "00bb-b.avi\tsrc\t-1\t0\t\t\t" /* size */ "x\t1", // a negative size
          "00bb-b.avi\tsrc\t12\t0\t\t\t",                   // fields missing
          "../index\tsrc\t12\t0\t\t\t" /* 64 */ "\t1",      // a name that leaves the folder
          ".part-x1\tsrc\t12\t0\t\t\t\t1",                  // a staged file's name
          "00bb-b.avi\t%zz\t12\t0\t\t\t\t1"})               // a broken escape
        text += std::string(line) + "\n";
    EXPECT_EQ(MediaIndex::Parse(text), std::vector<TCachedFile>{File("00aa-a.avi")});
    EXPECT_TRUE(MediaIndex::Parse("[Display]\nServer=x\n").empty()) << "not an index";
    EXPECT_TRUE(MediaIndex::Parse(good.substr(1)).empty()) << "a cut header";
    EXPECT_TRUE(MediaIndex::Parse("").empty());
}

} // namespace
