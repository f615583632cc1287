#include "platform/KeyStore.h"

#include "common/TempDir.h"
#include "platform/FileIo.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace {

std::string Content(const std::string& path) {
    return FileIo::ReadAll(path).value_or("<missing>");
}

std::string MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const ERegistryException& e) {
        return e.what();
    }
    return "<no error>";
}

class KeyStoreTest : public ::testing::Test {
protected:
    TTempDir home;
    TConfigHomeGuard guard{home.Path()};
    TKeyStore store;
    std::string file = home.Path() + "/Quillbrook/Velmora/settings.reg";
};

TEST_F(KeyStoreTest, LivesInTheConfigurationFolder) {
    EXPECT_EQ(TKeyStore::SettingsFileName(), file);
    EXPECT_EQ(store.FileName(), file);
}

TEST_F(KeyStoreTest, OpeningWithCreationMakesFolderFileAndKey) {
    EXPECT_FALSE(store.OpenKey(false));
    EXPECT_FALSE(FileIo::Exists(file));
    ASSERT_TRUE(store.OpenKey(true));
    EXPECT_EQ(Content(file), "Windows Registry Editor Version 5.00\n\n"
                             "[HKEY_CURRENT_USER\\SoftWare\\Quillbrook\\Velmora]\n");
    EXPECT_TRUE(store.OpenKey(false));
    EXPECT_TRUE(store.KeyExists());
}

TEST_F(KeyStoreTest, ValuesKeepTheirType) {
    store.WriteInteger("Languare", 1);
    store.WriteBool("LogOK", true);
    store.WriteString("HintShow", "1");
    store.WriteInteger("Negative", -2);
    EXPECT_EQ(store.ReadInteger("Languare"), 1);
    EXPECT_TRUE(store.ReadBool("LogOK"));
    EXPECT_EQ(store.ReadInteger("Negative"), -2);
    EXPECT_EQ(store.ReadString("HintShow"), "1");
    EXPECT_EQ(store.DataType("HintShow"), RegistryText::TValueType::String);
    EXPECT_EQ(MessageOf([&] { store.ReadInteger("HintShow"); }),
              "Invalid data type for 'HintShow'");
    EXPECT_EQ(MessageOf([&] { store.ReadString("Languare"); }), "Invalid data type for 'Languare'");
    EXPECT_EQ(MessageOf([&] { store.ReadInteger("Missing"); }), "Failed to get data for 'Missing'");
    // A write of the other type replaces the value and its type.
    store.WriteBool("HintShow", false);
    EXPECT_FALSE(store.ReadBool("HintShow"));
}

TEST_F(KeyStoreTest, DamagedValueIsAReadErrorNotACrash) {
    ASSERT_TRUE(FileIo::MakeFolders(home.Path() + "/Quillbrook/Velmora"));
    ASSERT_TRUE(FileIo::WriteAtomically(
        file, "[HKEY_CURRENT_USER\\SoftWare\\Quillbrook\\Velmora]\n\"LogOK\"=dword:xyz\n\x01\xff"));
    EXPECT_TRUE(store.ValueExists("LogOK"));
    EXPECT_EQ(MessageOf([&] { store.ReadBool("LogOK"); }), "Invalid data type for 'LogOK'");
}

TEST_F(KeyStoreTest, FailedWriteRaisesAndLeavesTheFileAsItWas) {
    // A file where the folder should be: the folder cannot be made, even by root.
    ASSERT_TRUE(FileIo::WriteAtomically(home.File("Quillbrook"), "x"));
    EXPECT_EQ(MessageOf([&] { store.WriteInteger("LogOK", 1); }), "Failed to set data for 'LogOK'");
    EXPECT_FALSE(store.OpenKey(true));
    EXPECT_EQ(Content(home.File("Quillbrook")), "x");
}

TEST_F(KeyStoreTest, FileThatCannotBeReadIsNeverReplaced) {
    std::filesystem::create_directories(file); // a folder in place of the file
    EXPECT_EQ(MessageOf([&] { store.WriteInteger("LogOK", 1); }), "Failed to set data for 'LogOK'");
    EXPECT_FALSE(store.DeleteValue("LogOK"));
    EXPECT_TRUE(std::filesystem::is_directory(file));
    EXPECT_FALSE(store.ValueExists("LogOK"));
}

TEST_F(KeyStoreTest, WritesLeaveNoTemporaryFilesBehind) {
    for (int i = 0; i < 5; ++i)
        store.WriteInteger("Languare", i);
    size_t files = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(home.Path() + "/Quillbrook/Velmora"))
        files += entry.is_regular_file() ? 1u : 0u;
    EXPECT_EQ(files, 1u);
}

TEST_F(KeyStoreTest, WritesFromSeveralThreadsAreNotLost) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            TKeyStore own;
            for (int i = 0; i < 20; ++i)
                own.WriteInteger("V" + std::to_string(t) + "_" + std::to_string(i), i);
        });
    }
    for (auto& thread : threads)
        thread.join();
    for (int t = 0; t < 4; ++t) {
        for (int i = 0; i < 20; ++i)
            EXPECT_EQ(store.ReadInteger("V" + std::to_string(t) + "_" + std::to_string(i)), i);
    }
}

TEST_F(KeyStoreTest, DeleteValue) {
    store.WriteInteger("A", 1);
    EXPECT_TRUE(store.DeleteValue("a"));
    EXPECT_FALSE(store.ValueExists("A"));
    EXPECT_FALSE(store.DeleteValue("A"));
}

} // namespace
