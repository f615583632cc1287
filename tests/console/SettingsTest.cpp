#include "console/Settings.h"

#include "common/TempDir.h"
#include "platform/Autostart.h"
#include "platform/FileIo.h"
#include "platform/IniFile.h"
#include "platform/KeyStore.h"
#include "platform/ProgramPaths.h"
#include "platform/SettingsTable.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { ProgramPaths::SetExecutablePath(program.File("Velmora")); }
    void TearDown() override { ProgramPaths::SetExecutablePath(""); }

    // Puts the settings key with these value lines into the key store file.
    void PutKey(const std::string& values) {
        ASSERT_TRUE(FileIo::MakeFolders(home.Path() + "/Quillbrook/Velmora"));
        ASSERT_TRUE(FileIo::WriteAtomically(TKeyStore::SettingsFileName(),
                                            "Windows Registry Editor Version 5.00\n\n"
                                            "[HKEY_CURRENT_USER\\SoftWare\\Quillbrook\\Velmora]\n" +
                                                values));
    }
    void PutIni(const std::string& text) {
        ASSERT_TRUE(FileIo::WriteAtomically(ProgramPaths::IniPath(), text));
    }
    std::string Ini() { return FileIo::ReadAll(ProgramPaths::IniPath()).value_or("<missing>"); }

    TTempDir home;
    TConfigHomeGuard guard{home.Path()};
    TTempDir program;
    TKeyStore key;
};

void ExpectOptions(const TOptionFlags& o, int logOK, int hintShow, int minFormShow, int autoRun) {
    EXPECT_EQ(o.LogOK, logOK);
    EXPECT_EQ(o.HintShow, hintShow);
    EXPECT_EQ(o.MinFormShow, minFormShow);
    EXPECT_EQ(o.AutoRun, autoRun);
}

TEST_F(SettingsTest, FirstRunCreatesTheKeyAndGivesTheDefaults) {
    ExpectOptions(Settings::ReadOptions(), 1, 1, 0, 0);
    EXPECT_TRUE(key.KeyExists());
    EXPECT_EQ(Settings::ReadLanguage(), 0);
    const TServerParams params = Settings::ReadServerParams();
    EXPECT_EQ(params.Port, 5678);
    EXPECT_FALSE(params.AutoStart);
    EXPECT_FALSE(FileIo::Exists(ProgramPaths::IniPath())) << "reading creates no .ini";
}

TEST_F(SettingsTest, StoredOptionsAreReadAsBooleans) {
    PutKey("\"LogOK\"=dword:00000000\n\"HintShow\"=dword:00000005\n"
           "\"MinFormShow\"=dword:00000001\n\"AutoRun\"=dword:ffffffff\n");
    ExpectOptions(Settings::ReadOptions(), 0, 1, 1, 1);
}

TEST_F(SettingsTest, ValueOfAnotherTypeStopsTheReadingAndLeavesTheRestOff) {
    PutKey("\"LogOK\"=dword:00000001\n\"HintShow\"=\"1\"\n"
           "\"MinFormShow\"=dword:00000001\n\"AutoRun\"=dword:00000001\n");
    const TOptionFlags options = Settings::ReadOptions();
    ExpectOptions(options, 1, 0, 0, 0);
    // At program end all four are written back as numbers, replacing the string.
    Settings::WriteOptions(options);
    EXPECT_EQ(key.DataType("HintShow"), RegistryText::TValueType::DWord);
    ExpectOptions(Settings::ReadOptions(), 1, 0, 0, 0);
}

TEST_F(SettingsTest, DamagedFirstValueLeavesEveryOptionOff) {
    PutKey("\"LogOK\"=dword:nonsense\n\"HintShow\"=dword:00000001\n");
    ExpectOptions(Settings::ReadOptions(), 0, 0, 0, 0);
}

TEST_F(SettingsTest, OptionsAreWrittenInOrderAsOneOrZero) {
    TOptionFlags options;
    options.LogOK = 0;
    options.HintShow = 7; // anything but 0 is on
    options.MinFormShow = 1;
    options.AutoRun = 0;
    Settings::WriteOptions(options);
    EXPECT_EQ(FileIo::ReadAll(TKeyStore::SettingsFileName()).value_or(""),
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_CURRENT_USER\\SoftWare\\Quillbrook\\Velmora]\n"
              "\"LogOK\"=dword:00000000\n\"HintShow\"=dword:00000001\n"
              "\"MinFormShow\"=dword:00000001\n\"AutoRun\"=dword:00000000\n");
}

TEST_F(SettingsTest, FailuresOfTheKeyStoreAreSilent) {
    ASSERT_TRUE(FileIo::WriteAtomically(home.File("Quillbrook"), "in the way"));
    ExpectOptions(Settings::ReadOptions(), 1, 1, 0, 0);
    EXPECT_NO_THROW(Settings::WriteOptions(TOptionFlags{}));
    EXPECT_FALSE(Settings::SaveLanguage(1));
    EXPECT_EQ(Settings::ReadLanguage(), 0);
}

TEST_F(SettingsTest, FlipTurnsAnyNonZeroFlagOff) {
    EXPECT_EQ(Settings::Flipped(1), 0);
    EXPECT_EQ(Settings::Flipped(0), 1);
    EXPECT_EQ(Settings::Flipped(7), 1);
}

TEST_F(SettingsTest, ServerPortFallsBackTo5678) {
    for (const char* stored : {"0", "abc", "", "0x162E", "5678 ", "99999999999"}) {
        PutIni(std::string("[ServerParams]\nServerPort=") + stored + "\n");
        EXPECT_EQ(Settings::ReadServerParams().Port, 5678) << stored;
    }
    PutIni("[serverparams]\nserverport= 5679\n");
    EXPECT_EQ(Settings::ReadServerParams().Port, 5679);
    PutIni("[ServerParams]\nServerPort=$1F\n");
    EXPECT_EQ(Settings::ReadServerParams().Port, 31);
    EXPECT_EQ(SettingsTable::PortText(5678), "5678");
}

TEST_F(SettingsTest, AutoStartIsOnForAnyNonZeroInteger) {
    const std::pair<const char*, bool> cases[] = {{"1", true},   {"0", false},   {"2", true},
                                                  {"0x1", true}, {"abc", false}, {"", false}};
    for (const auto& [stored, expected] : cases) {
        PutIni(std::string("[ServerParams]\nServerAutoStart=") + stored + "\n");
        EXPECT_EQ(Settings::ReadServerParams().AutoStart, expected) << stored;
    }
}

TEST_F(SettingsTest, PortFieldIsWrittenByTheSameRule) {
    Settings::WriteServerParams("abc", true);
    EXPECT_EQ(Ini(), "[ServerParams]\nServerPort=5678\nServerAutoStart=1\n");
    Settings::WriteServerParams("0x10", false);
    EXPECT_EQ(Ini(), "[ServerParams]\nServerPort=16\nServerAutoStart=0\n");
    Settings::WriteServerParams("5679", false);
    EXPECT_EQ(Settings::ReadServerParams().Port, 5679);
}

TEST_F(SettingsTest, UnwritableIniRaisesOnceAfterTryingBothKeys) {
    TIniFile ini(program.File("missing-folder/Velmora.ini"));
    try {
        Settings::WriteServerParams(ini, "5678", true);
        FAIL() << "no error";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + ini.FileName());
    }
}

TEST_F(SettingsTest, LanguageIsReadAsStoredAndUnreadableGivesEnglish) {
    EXPECT_EQ(Settings::ReadLanguage(), 0);
    ASSERT_TRUE(Settings::SaveLanguage(1));
    EXPECT_EQ(key.ReadInteger("Languare"), 1);
    EXPECT_EQ(Settings::ReadLanguage(), 1);
    ASSERT_TRUE(Settings::SaveLanguage(5));
    EXPECT_EQ(Settings::ReadLanguage(), 5);
    key.WriteString("Languare", "1");
    EXPECT_EQ(Settings::ReadLanguage(), 0);
}

class AutoRunTest : public SettingsTest {
protected:
    TVariableGuard notLaunched{"VELMORA_LAUNCHER", nullptr};
    TAutostart autostart;
    std::string entry = home.Path() + "/autostart/Velmora.desktop";
};

TEST_F(AutoRunTest, ToggleWritesAndRemovesTheEntryOfThisProgram) {
    uint8_t autoRun = 0;
    Settings::ToggleAutoRun(autoRun);
    EXPECT_EQ(autoRun, 1);
    EXPECT_EQ(FileIo::ReadAll(entry).value_or(""),
              "[Desktop Entry]\nType=Application\nName=Velmora\nExec=" + program.File("Velmora") +
                  "\n");
    Settings::ToggleAutoRun(autoRun);
    EXPECT_EQ(autoRun, 0);
    EXPECT_FALSE(FileIo::Exists(entry));
}

// An installed program runs a per-user copy; the entry must start it through its launcher, which
// refreshes the copy, and must not outlive the package by starting the copy itself.
TEST_F(AutoRunTest, TheEntryNamesTheLauncherThatStartedTheProgram) {
    const std::string launcher = home.File("launcher");
    ASSERT_TRUE(FileIo::WriteAtomically(launcher, "#!/bin/sh\n"));
    ASSERT_EQ(::chmod(launcher.c_str(), 0755), 0);
    TVariableGuard started("VELMORA_LAUNCHER", launcher.c_str());
    uint8_t autoRun = 0;
    Settings::ToggleAutoRun(autoRun);
    EXPECT_EQ(FileIo::ReadAll(entry).value_or(""),
              "[Desktop Entry]\nType=Application\nName=Velmora\nExec=" + launcher + "\n");
}

TEST_F(AutoRunTest, EntryRemovedByHandIsWrittenAgainOnTheSecondClick) {
    uint8_t autoRun = 1; // the option still shows on
    Settings::ToggleAutoRun(autoRun);
    EXPECT_EQ(autoRun, 0);
    EXPECT_FALSE(FileIo::Exists(entry));
    Settings::ToggleAutoRun(autoRun);
    EXPECT_EQ(autoRun, 1);
    EXPECT_TRUE(FileIo::Exists(entry));
}

TEST_F(AutoRunTest, EntryThatCannotBeWrittenFailsAfterTheFlip) {
    ASSERT_TRUE(FileIo::WriteAtomically(home.File("autostart"), "in the way"));
    uint8_t autoRun = 0;
    try {
        Settings::ToggleAutoRun(autoRun, autostart, "Velmora", "/opt/Velmora");
        FAIL() << "no error";
    } catch (const ERegistryException& e) {
        EXPECT_STREQ(e.what(), "Failed to set data for 'Velmora'");
    }
    EXPECT_EQ(autoRun, 1);
    EXPECT_NO_THROW(Settings::ToggleAutoRun(autoRun, autostart, "Velmora", "/opt/Velmora"));
    EXPECT_EQ(autoRun, 0);
}

} // namespace
