#include "display/DisplayOptions.h"

#include "common/TempDir.h"
#include "platform/FileIo.h"
#include "platform/IniFile.h"

#include <gtest/gtest.h>

namespace {

class DisplayOptionsTest : public ::testing::Test {
protected:
    TDisplayCommand Parse(const std::vector<std::string>& arguments) {
        return DisplayOptions::Parse(arguments, settings);
    }
    void Settings(const std::string& text) {
        ASSERT_TRUE(FileIo::WriteAtomically(settings.FileName(), text));
    }

    TTempDir dir;
    TIniFile settings{dir.File("display.ini")};
};

TEST_F(DisplayOptionsTest, CommandLineInBothFormsAndDefaults) {
    const auto none = Parse({});
    EXPECT_EQ(none.Action, TDisplayAction::Run);
    EXPECT_TRUE(none.Options.Host.empty());
    EXPECT_EQ(none.Options.Port, 5678);
    EXPECT_EQ(none.Options.KickQuietSeconds, 60);
    EXPECT_EQ(none.Options.MessageSeconds, 15);
    EXPECT_EQ(none.Options.Scale, 0);

    const auto given = Parse({"--server", "hall.local:6000", "--name=Client 3", "--kick-quiet", "5",
                              "--windowed", "816x638", "--scale=1", "--screen", "1"});
    EXPECT_EQ(given.Options.Host, "hall.local");
    EXPECT_EQ(given.Options.Port, 6000);
    EXPECT_EQ(given.Options.Name, "Client 3");
    EXPECT_EQ(given.Options.KickQuietSeconds, 5);
    EXPECT_EQ(given.Options.WindowedWidth, 816);
    EXPECT_EQ(given.Options.WindowedHeight, 638);
    EXPECT_EQ(given.Options.Scale, 1);
    EXPECT_EQ(given.Options.Screen, 1);
    EXPECT_EQ(Parse({"--server", "10.0.0.5"}).Options.Port, 5678);
}

TEST_F(DisplayOptionsTest, SettingsFileGivesDefaultsAndTheCommandLineWins) {
    Settings("[Display]\nServer=10.0.0.5:7000\nName=Client 7\nMessageSeconds=30\n"
             "[PathMaps]\nC:\\Media=/srv/media\n");
    const auto fromFile = Parse({});
    EXPECT_EQ(fromFile.Options.Host, "10.0.0.5");
    EXPECT_EQ(fromFile.Options.Port, 7000);
    EXPECT_EQ(fromFile.Options.Name, "Client 7");
    EXPECT_EQ(fromFile.Options.MessageSeconds, 30);
    ASSERT_EQ(fromFile.Options.Maps.size(), 1u);
    EXPECT_EQ(fromFile.Options.Maps[0].From, "C:\\Media");

    const auto both = Parse({"--name", "Client 2", "--map", "C:\\Media=/mnt/usb"});
    EXPECT_EQ(both.Options.Name, "Client 2");
    EXPECT_EQ(both.Options.Host, "10.0.0.5");
    ASSERT_EQ(both.Options.Maps.size(), 2u);
    EXPECT_EQ(both.Options.Maps[0].To, "/mnt/usb") << "the command line's maps come first";
    EXPECT_EQ(both.OptionArguments,
              (std::vector<std::string>{"--name=Client 2", "--map=C:\\Media=/mnt/usb"}));
}

TEST_F(DisplayOptionsTest, NamesTravelAsWindows1251) {
    const auto cyrillic = Parse({"--name", "Экран 1"});
    EXPECT_EQ(cyrillic.Options.Name, "\xDD\xEA\xF0\xE0\xED 1");
    EXPECT_THROW(Parse({"--name", "日本"}), EDisplayOptionsError);
    EXPECT_THROW(Parse({"--name", "a\nb"}), EDisplayOptionsError);
}

TEST_F(DisplayOptionsTest, MistakesAreNamed) {
    const auto message = [this](const std::vector<std::string>& arguments) {
        try {
            Parse(arguments);
        } catch (const EDisplayOptionsError& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    EXPECT_EQ(message({"--bogus", "1"}), "Unknown option \"--bogus\"; --help lists them");
    EXPECT_EQ(message({"--server"}), "--server needs a value; --help lists the options");
    EXPECT_EQ(message({"--server", "host:99999"}),
              "--server's port takes a whole number from 1 to 65535, not \"99999\"");
    EXPECT_EQ(message({"--windowed", "big"}), "--windowed takes WIDTHxHEIGHT, not \"big\"");
    EXPECT_EQ(message({"--scale", "0"}), "--scale takes a number from 0.1 to 10, not \"0\"");
    EXPECT_EQ(message({"--map", "nothing"}), "--map takes FROM=TO, not \"nothing\"");
    EXPECT_EQ(message({"--source", "display-1"}),
              "--source takes an IPv4 address, not \"display-1\"");
    EXPECT_EQ(message({"stray"}), "Unexpected argument \"stray\"; --help lists the options");
    Settings("[Display]\nKickQuiet=soon\n");
    EXPECT_EQ(message({}), settings.FileName() +
                               ", KickQuiet: --kick-quiet takes a whole number from 0 to 86400, "
                               "not \"soon\"");
}

TEST_F(DisplayOptionsTest, HelpAndAutostartActions) {
    EXPECT_EQ(Parse({"--name", "x", "--help"}).Action, TDisplayAction::Help);
    for (const char* option :
         {"--server", "--name", "--source", "--map", "--kick-quiet", "--message-seconds", "--scale",
          "--screen", "--windowed", "--install-autostart", "--remove-autostart", "--help"})
        EXPECT_NE(DisplayOptions::HelpText().find(option), std::string::npos) << option;
    const auto install = Parse({"--install-autostart", "--server", "h"});
    EXPECT_EQ(install.Action, TDisplayAction::InstallAutostart);
    EXPECT_EQ(install.OptionArguments, std::vector<std::string>{"--server=h"});
    EXPECT_EQ(Parse({"--remove-autostart"}).Action, TDisplayAction::RemoveAutostart);
}

} // namespace
