#include "display/DisplayOptions.h"

#include "common/TempDir.h"
#include "display/ServerAddress.h"
#include "platform/FileIo.h"
#include "platform/IniFile.h"

#include <arpa/inet.h>
#include <future>
#include <gtest/gtest.h>
#include <netdb.h>

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

TEST_F(DisplayOptionsTest, KioskActionsAndTheAccountToShowAs) {
    for (const char* option : {"--install-kiosk USER", "--remove-kiosk", "--kiosk-session"})
        EXPECT_NE(DisplayOptions::HelpText().find(option), std::string::npos) << option;
    const auto install = Parse({"--install-kiosk", "kiosk", "--name", "Client 3"});
    EXPECT_EQ(install.Action, TDisplayAction::InstallKiosk);
    EXPECT_EQ(install.KioskAccount, "kiosk");
    EXPECT_EQ(install.OptionArguments, std::vector<std::string>{"--name=Client 3"});
    EXPECT_EQ(Parse({"--server=h", "--install-kiosk=display"}).KioskAccount, "display");
    EXPECT_THROW(Parse({"--install-kiosk"}), EDisplayOptionsError);
    EXPECT_EQ(Parse({"--remove-kiosk"}).Action, TDisplayAction::RemoveKiosk);
    const auto session = Parse({"--kiosk-session", "--server", "h"});
    EXPECT_EQ(session.Action, TDisplayAction::KioskSession);
    EXPECT_EQ(session.OptionArguments, std::vector<std::string>{"--server=h"});
}

// The server listens on IPv4 only: an IPv6 address, which would otherwise be taken apart at its
// last colon as a host and a port, is refused with every way of writing it, from either source.
TEST_F(DisplayOptionsTest, IPv6ServersAreRefused) {
    for (const char* server : {"::1", "[::1]:5678", "[::1]", "fe80::1", "fe80::1%eth0",
                               "2001:db8::7:5678", "::ffff:10.0.0.5"}) {
        try {
            Parse({"--server", server});
            ADD_FAILURE() << server << " was taken";
        } catch (const EDisplayOptionsError& e) {
            EXPECT_EQ(std::string(e.what()),
                      std::string("--server takes an IPv4 address or a host name, as the server "
                                  "listens on IPv4 only, not the IPv6 address \"") +
                          server + "\"");
        }
    }
    Settings("[Display]\nServer=[fe80::1]:6000\n");
    EXPECT_THROW(Parse({}), EDisplayOptionsError) << "nor from the settings file";
}

// One address of a list as getaddrinfo gives it.
struct TListedAddress {
    explicit TListedAddress(int family) {
        node.ai_family = family;
        node.ai_addr = reinterpret_cast<sockaddr*>(&storage);
        storage.ss_family = static_cast<sa_family_t>(family);
    }
    sockaddr_storage storage{};
    addrinfo node{};
};

// A name that has IPv6 addresses only can never reach the server and is refused at the start;
// a name with any IPv4 address, or one that gives no answer in time, is left to the link.
TEST_F(DisplayOptionsTest, ServerNamesWithoutAnyIPv4AddressAreRefusedAtStart) {
    using ServerAddress::TFamilies;
    TListedAddress v6(AF_INET6), v4(AF_INET), otherV6(AF_INET6);
    v6.node.ai_next = &otherV6.node;
    EXPECT_EQ(ServerAddress::Classify(&v6.node), TFamilies::IPv6Only);
    otherV6.node.ai_next = &v4.node;
    EXPECT_EQ(ServerAddress::Classify(&v6.node), TFamilies::HasIPv4) << "IPv4 last in the list";
    EXPECT_EQ(ServerAddress::Classify(nullptr), TFamilies::Unknown);

    EXPECT_EQ(ServerAddress::Resolve("127.0.0.1"), TFamilies::HasIPv4);
    EXPECT_EQ(ServerAddress::Resolve("::1"), TFamilies::IPv6Only);
    EXPECT_EQ(ServerAddress::StartRefusal(""), std::nullopt) << "no server given";
    EXPECT_EQ(ServerAddress::StartRefusal("127.0.0.1"), std::nullopt);
    EXPECT_EQ(ServerAddress::Refusal("hall.local", TFamilies::IPv6Only),
              "--server \"hall.local\" has IPv6 addresses only, and the server listens on IPv4 "
              "only; give its IPv4 address or a name with one");
    EXPECT_EQ(ServerAddress::Refusal("hall.local", TFamilies::Unknown), std::nullopt);
}

TEST_F(DisplayOptionsTest, AResolverThatDoesNotAnswerNeverHoldsTheStart) {
    using ServerAddress::TFamilies;
    std::promise<void> release;
    const std::shared_future<void> released = release.get_future().share();
    const auto hung = [released] {
        released.wait();
        return TFamilies::IPv6Only;
    };
    EXPECT_EQ(ServerAddress::ResolveWithin(hung, std::chrono::milliseconds(20)),
              TFamilies::Unknown);
    release.set_value();
    EXPECT_EQ(
        ServerAddress::ResolveWithin([] { return TFamilies::IPv6Only; }, ServerAddress::StartBound),
        TFamilies::IPv6Only);
    EXPECT_EQ(ServerAddress::ResolveWithin(
                  []() -> TFamilies { throw std::runtime_error("out of memory"); },
                  ServerAddress::StartBound),
              TFamilies::Unknown);
}

} // namespace

namespace {

TEST_F(DisplayOptionsTest, TheMediaCacheTakesSizesWithUnitsAndACheckInterval) {
    const auto none = Parse({});
    EXPECT_EQ(none.Options.CacheBytes, int64_t{4} << 30);
    EXPECT_EQ(none.Options.MediaCheckSeconds, 600);
    const std::pair<const char*, int64_t> sizes[] = {
        {"500M", int64_t{500} << 20}, {"4G", int64_t{4} << 30}, {"4GiB", int64_t{4} << 30},
        {"1048576", 1048576},         {"2T", int64_t{2} << 40}, {"1024K", 1048576}};
    for (const auto& [text, bytes] : sizes)
        EXPECT_EQ(Parse({"--cache-size", text}).Options.CacheBytes, bytes) << text;
    for (const char* wrong :
         {"0", "1K", "5X", "G", "-1G", "4GB", "4 G", "99999999999999999999T", "9999999T"})
        EXPECT_THROW(Parse({"--cache-size", wrong}), EDisplayOptionsError) << wrong;
    EXPECT_EQ(Parse({"--media-check=60"}).Options.MediaCheckSeconds, 60);
    EXPECT_THROW(Parse({"--media-check", "5"}), EDisplayOptionsError) << "a source is not hammered";

    Settings("[Display]\nCacheSize=100M\nMediaCheck=120\n");
    EXPECT_EQ(Parse({}).Options.CacheBytes, int64_t{100} << 20);
    EXPECT_EQ(Parse({}).Options.MediaCheckSeconds, 120);
    EXPECT_NE(DisplayOptions::HelpText().find(DisplayOptions::MediaCacheFolder()),
              std::string::npos);
}

TEST_F(DisplayOptionsTest, APicturesTimeInARotationIsBounded) {
    EXPECT_EQ(Parse({}).Options.PictureSeconds, 10);
    EXPECT_EQ(Parse({"--picture-seconds=3600"}).Options.PictureSeconds, 3600);
    for (const char* wrong : {"0", "3601", "5s", ""})
        EXPECT_THROW(Parse({"--picture-seconds", wrong}), EDisplayOptionsError) << wrong;
    Settings("[Display]\nPictureSeconds=1\n");
    EXPECT_EQ(Parse({}).Options.PictureSeconds, 1);
    Settings("[Display]\nPictureSeconds=-4\n");
    EXPECT_THROW(Parse({}), EDisplayOptionsError);
}

TEST_F(DisplayOptionsTest, ScreenHoursAreReadOrRefusedByName) {
    EXPECT_FALSE(Parse({}).Options.ScreenHours);
    Settings("[Display]\nScreenHours=Mon-Fri 07:00-22:00\nCec=off\n");
    EXPECT_EQ(Parse({}).Options.ScreenHours, Hours::THours::Parse("Mon-Fri 07:00-22:00"));
    EXPECT_EQ(Parse({}).Options.Cec, "off");
    try {
        Parse({"--screen-hours", "weekdays 7-22"});
        ADD_FAILURE() << "hours that cannot be read are taken";
    } catch (const EDisplayOptionsError& e) {
        EXPECT_NE(std::string(e.what()).find("weekdays 7-22"), std::string::npos) << e.what();
    }
}

} // namespace
