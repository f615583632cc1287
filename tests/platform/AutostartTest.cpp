#include "platform/Autostart.h"

#include "common/TempDir.h"
#include "platform/FileIo.h"
#include "platform/KeyStore.h"

#include <gtest/gtest.h>

namespace {

TEST(DesktopEntryTest, ExecIsQuotedOnlyWhenThePathNeedsIt) {
    EXPECT_EQ(DesktopEntry::ExecValue("/opt/velmora/velmora"), "/opt/velmora/velmora");
    EXPECT_EQ(DesktopEntry::ExecValue("/opt/My Apps/velmora"), "\"/opt/My Apps/velmora\"");
    EXPECT_EQ(DesktopEntry::ExecValue("/opt/it's/v"), "\"/opt/it's/v\"");
    // Inside quotes ", `, $ and \ take a backslash; the string escapes then double every
    // backslash, so a literal $ ends as \\$ and a literal \ as four backslashes.
    EXPECT_EQ(DesktopEntry::ExecValue("/a$b/v"), "\"/a\\\\$b/v\"");
    EXPECT_EQ(DesktopEntry::ExecValue("/a\\b/v"), "\"/a\\\\\\\\b/v\"");
    EXPECT_EQ(DesktopEntry::ExecValue("/a\"b`c/v"), "\"/a\\\\\"b\\\\`c/v\"");
    EXPECT_EQ(DesktopEntry::ExecValue("/100%/v"), "/100%%/v");
    EXPECT_EQ(DesktopEntry::ExecValue("/a\nb/v"), "\"/a\\nb/v\"");
    EXPECT_EQ(DesktopEntry::ExecValue("/a\tb/v"), "\"/a\\tb/v\"");
    // Arguments are words of their own, each quoted by the same rules.
    EXPECT_EQ(DesktopEntry::ExecValue("/usr/bin/velmora-display",
                                      {"--server=hall", "--name=Client 3", "--map=C:\\M=/m", ""}),
              "/usr/bin/velmora-display --server=hall \"--name=Client 3\" "
              "\"--map=C:\\\\\\\\M=/m\" \"\"");
}

TEST(DesktopEntryTest, NameTakesTheStringEscapes) {
    EXPECT_EQ(DesktopEntry::EscapeString("Velmora"), "Velmora");
    EXPECT_EQ(DesktopEntry::EscapeString(" a\\b c"), "\\sa\\\\b c");
}

class AutostartTest : public ::testing::Test {
protected:
    TTempDir home;
    TConfigHomeGuard guard{home.Path()};
    TAutostart autostart;
    std::string entry = home.Path() + "/autostart/Velmora.desktop";
};

TEST_F(AutostartTest, EntryIsWrittenInTheAutostartFolderCreatedOnDemand) {
    EXPECT_EQ(autostart.Folder(), home.Path() + "/autostart");
    EXPECT_EQ(autostart.EntryFileName("Velmora"), entry);
    EXPECT_FALSE(autostart.EntryExists("Velmora"));
    autostart.WriteEntry("Velmora", "/opt/velmora/Velmora");
    EXPECT_EQ(FileIo::ReadAll(entry).value_or(""), "[Desktop Entry]\nType=Application\n"
                                                   "Name=Velmora\nExec=/opt/velmora/Velmora\n");
    autostart.WriteEntry("Velmora", "/home/op/my bin/Velmora");
    EXPECT_EQ(FileIo::ReadAll(entry).value_or(""),
              "[Desktop Entry]\nType=Application\nName=Velmora\n"
              "Exec=\"/home/op/my bin/Velmora\"\n");
}

TEST_F(AutostartTest, DeletingAMissingEntryIsNoError) {
    EXPECT_TRUE(autostart.DeleteEntry("Velmora"));
    autostart.WriteEntry("Velmora", "/v");
    EXPECT_TRUE(autostart.DeleteEntry("Velmora"));
    EXPECT_FALSE(FileIo::Exists(entry));
    EXPECT_TRUE(autostart.DeleteEntry("Velmora"));
}

TEST_F(AutostartTest, FolderThatCannotBeMadeFailsWithTheRegistryMessage) {
    ASSERT_TRUE(FileIo::WriteAtomically(home.File("autostart"), "not a folder"));
    try {
        autostart.WriteEntry("Velmora", "/v");
        FAIL() << "no error";
    } catch (const ERegistryException& e) {
        EXPECT_STREQ(e.what(), "Failed to set data for 'Velmora'");
    }
    EXPECT_TRUE(autostart.DeleteEntry("Velmora")) << "nothing to remove";
}

} // namespace
