#include "mediacache/MediaStore.h"

#include "common/TempDir.h"
#include "platform/FileIo.h"

#include <gtest/gtest.h>

namespace {

class MediaStoreTest : public ::testing::Test {
protected:
    // Commits a copy of the content under the name, shown at the given time.
    TMediaStore::TCommit Put(TMediaStore& store, const std::string& name,
                             const std::string& content, int64_t shown,
                             const std::set<std::string>& pinned = {}) {
        auto copy = store.Stage();
        EXPECT_EQ(copy->Write(content.data(), content.size()), 0);
        TCachedFile file;
        file.Name = name;
        file.Source = "http://10.0.0.5/media/" + name;
        file.Size = copy->Written();
        file.Sha256 = copy->Finish();
        file.LastShown = shown;
        return store.Commit(std::move(copy), file, pinned);
    }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
            names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    TTempDir dir;
};

TEST_F(MediaStoreTest, ACommittedCopyIsWholeIndexedAndUsableAfterAStart) {
    {
        TMediaStore store(dir.Path(), 1 << 20);
        store.Open();
        ASSERT_EQ(Put(store, "00aa-ad.avi", "advert one", 5), TMediaStore::TCommit::Done);
        {
            auto dropped = store.Stage();
            dropped->Write("half", 4);
        }
        EXPECT_EQ(Names(), (std::vector<std::string>{"00aa-ad.avi", "index"}))
            << "a staged copy that was not committed leaves nothing";
    }
    TMediaStore store(dir.Path(), 1 << 20);
    store.Open();
    ASSERT_NE(store.Find("00aa-ad.avi"), nullptr);
    EXPECT_EQ(store.Find("00aa-ad.avi")->LastShown, 5);
    EXPECT_EQ(store.Unchecked(), "00aa-ad.avi") << "checked against its hash once after a start";
    EXPECT_TRUE(store.Usable("00aa-ad.avi"));
    EXPECT_EQ(store.Unchecked(), "");
    EXPECT_EQ(FileIo::ReadAll(store.PathOf("00aa-ad.avi")), "advert one");
}

// What a crash, a full disk or a hand in the folder can leave: a staged file, a file the index
// does not know, an indexed file gone or of another size, a copy whose bytes changed. None of it
// is ever shown.
TEST_F(MediaStoreTest, AStartLeavesOnlyCopiesTheIndexVouchesFor) {
    {
        TMediaStore store(dir.Path(), 1 << 20);
        store.Open();
        for (const char* name :
             {"00aa-kept.avi", "00bb-gone.avi", "00cc-longer.avi", "00dd-changed.avi"})
            ASSERT_EQ(Put(store, name, "0123456789", 1), TMediaStore::TCommit::Done);
    }
    FileIo::WriteAtomically(dir.File(".part-abc123"), "half a copy");
    FileIo::WriteAtomically(dir.File("00ee-unknown.avi"), "renamed in, index not written");
    FileIo::RemoveFile(dir.File("00bb-gone.avi"));
    FileIo::WriteAtomically(dir.File("00cc-longer.avi"), "0123456789+");
    FileIo::WriteAtomically(dir.File("00dd-changed.avi"), "0123456780");

    TMediaStore store(dir.Path(), 1 << 20);
    store.Open();
    EXPECT_EQ(Names(), (std::vector<std::string>{"00aa-kept.avi", "00dd-changed.avi", "index"}));
    EXPECT_EQ(store.Find("00bb-gone.avi"), nullptr);
    EXPECT_EQ(store.Find("00cc-longer.avi"), nullptr);
    EXPECT_TRUE(store.Usable("00aa-kept.avi"));
    EXPECT_FALSE(store.Usable("00dd-changed.avi")) << "same size, other bytes: the hash tells";
    EXPECT_EQ(store.Find("00dd-changed.avi"), nullptr);
    EXPECT_EQ(Names(), (std::vector<std::string>{"00aa-kept.avi", "index"}));

    TMediaStore again(dir.Path(), 1 << 20);
    again.Open();
    EXPECT_EQ(again.Find("00dd-changed.avi"), nullptr) << "the index was written without it";
}

// Room is made by the least recently shown copies, never by a pinned one (the shown layouts'),
// and a copy that cannot fit beside the pinned ones is refused with nothing dropped.
TEST_F(MediaStoreTest, RoomComesFromTheLeastRecentlyShownUnpinnedCopies) {
    TMediaStore store(dir.Path(), 300);
    store.Open();
    const std::string hundred(100, 'x');
    ASSERT_EQ(Put(store, "00aa-a.avi", hundred, 10), TMediaStore::TCommit::Done);
    ASSERT_EQ(Put(store, "00bb-b.avi", hundred, 30), TMediaStore::TCommit::Done);
    ASSERT_EQ(Put(store, "00cc-c.avi", hundred, 20), TMediaStore::TCommit::Done);
    ASSERT_EQ(Put(store, "00dd-d.avi", hundred, 40, {"00aa-a.avi"}), TMediaStore::TCommit::Done);
    EXPECT_NE(store.Find("00aa-a.avi"), nullptr) << "pinned, though shown least recently";
    EXPECT_EQ(store.Find("00cc-c.avi"), nullptr) << "the least recently shown of the others";
    EXPECT_EQ(store.TotalSize(), 300);

    store.Shown({"00bb-b.avi"}, 50);
    EXPECT_EQ(Put(store, "00ee-e.avi", std::string(250, 'y'), 60, {"00aa-a.avi", "00dd-d.avi"}),
              TMediaStore::TCommit::TooBig);
    EXPECT_NE(store.Find("00bb-b.avi"), nullptr) << "nothing dropped for a copy that cannot fit";
    EXPECT_EQ(Put(store, "00ee-e.avi", std::string(100, 'y'), 60, {"00aa-a.avi", "00dd-d.avi"}),
              TMediaStore::TCommit::Done);
    EXPECT_EQ(store.Find("00bb-b.avi"), nullptr);

    const std::set<std::string> all{"00aa-a.avi", "00dd-d.avi", "00ee-e.avi"};
    EXPECT_EQ(Put(store, "00aa-a.avi", std::string(150, 'z'), 70, all),
              TMediaStore::TCommit::TooBig);
    EXPECT_EQ(Put(store, "00aa-a.avi", std::string(100, 'z'), 70, all), TMediaStore::TCommit::Done)
        << "a new copy replaces its old one, and needs room for the difference only";
    EXPECT_EQ(FileIo::ReadAll(store.PathOf("00aa-a.avi")), std::string(100, 'z'));
}

} // namespace
