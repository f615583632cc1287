// The kiosk unit and its installation: the unit's text, and the steps against a machine that
// records them and against systemctl itself on a folder of the test's own.
#include "common/TempDir.h"
#include "display/DisplayOptions.h"
#include "display/KioskInstaller.h"
#include "display/KioskUnit.h"
#include "platform/FileIo.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

namespace {

const TKioskAccount Kiosk{"kiosk", 1001, "/home/kiosk"};
constexpr const char* Executable = "/usr/lib/velmora-display/velmora-display";

// A unit's settings: "[Section]Key" to each value it is given, in order.
std::multimap<std::string, std::string> Settings(const std::string& unit) {
    std::multimap<std::string, std::string> settings;
    std::istringstream lines(unit);
    std::string section;
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line.front() == '#')
            continue;
        if (line.front() == '[') {
            section = line;
            continue;
        }
        const auto eq = line.find('=');
        settings.emplace(section + line.substr(0, eq), line.substr(eq + 1));
    }
    return settings;
}

std::vector<std::string> ValuesOf(const std::multimap<std::string, std::string>& settings,
                                  const std::string& key) {
    std::vector<std::string> values;
    const auto [first, last] = settings.equal_range(key);
    for (auto it = first; it != last; ++it)
        values.push_back(it->second);
    return values;
}

// What the unit must hold for cage to get the seat, for the service manager to restart the
// display whenever it ends or hangs, and for the login prompt to stay off its console: each in
// the section where systemd reads it.
TEST(KioskUnitTest, RunsTheSessionOnTheFirstConsoleForTheAccountAndNeverGivesUp) {
    const auto unit = Settings(KioskUnit::Text(Kiosk, Executable, {}));
    const std::map<std::string, std::string> expected{
        {"[Unit]Conflicts", "getty@tty1.service"},
        {"[Unit]StartLimitIntervalSec", "0"},
        {"[Service]User", "kiosk"},
        {"[Service]PAMName", "login"},
        {"[Service]TTYPath", "/dev/tty1"},
        {"[Service]StandardInput", "tty"},
        {"[Service]StandardOutput", "journal"},
        {"[Service]Type", "notify"},
        {"[Service]NotifyAccess", "main"},
        {"[Service]WatchdogSec", "30"},
        {"[Service]SupplementaryGroups", "video"},
        {"[Service]RuntimeDirectory", "velmora-kiosk"},
        {"[Service]RuntimeDirectoryPreserve", "restart"},
        {"[Service]Restart", "always"},
        {"[Service]ExecStart", std::string(Executable) + " --kiosk-session"},
        {"[Install]WantedBy", "multi-user.target"},
    };
    for (const auto& [key, value] : expected)
        EXPECT_EQ(ValuesOf(unit, key), std::vector<std::string>{value}) << key;
    EXPECT_EQ(ValuesOf(unit, "[Service]StartLimitIntervalSec").size(), 0u)
        << "systemd reads it in [Unit] only";
}

// The file the unit's comment and the installation name is the one the display reads when the
// unit runs it: HOME set to the account's, no XDG_CONFIG_HOME.
TEST(KioskUnitTest, NamesTheSettingsFileTheDisplayReadsInTheAccount) {
    const TVariableGuard home("HOME", Kiosk.Home.c_str());
    const TVariableGuard config("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(KioskUnit::SettingsPath(Kiosk), DisplayOptions::SettingsPath());
    EXPECT_NE(KioskUnit::Text(Kiosk, Executable, {}).find("\n# " + DisplayOptions::SettingsPath()),
              std::string::npos);
}

// Options given to --install-kiosk reach the display as typed: blanks, quotes, backslashes of
// Windows paths, and characters systemd would take for specifiers or variables.
TEST(KioskUnitTest, CommandWordsComeBackAsTyped) {
    const std::vector<std::pair<std::string, std::string>> words{
        {"/usr/bin/velmora-display", "/usr/bin/velmora-display"},
        {"--server=10.0.0.5:6000", "--server=10.0.0.5:6000"},
        {"--name=Client 3", "\"--name=Client 3\""},
        {"--map=C:\\Media=/srv/media", "\"--map=C:\\\\Media=/srv/media\""},
        {"--name=100% $HOME", "\"--name=100%% $$HOME\""},
        {"--name=Bob's \"best\"", "\"--name=Bob's \\\"best\\\"\""},
        {"--name=a\tb", "\"--name=a\\x09b\""},
        {"", "\"\""},
        {"--name=Экран", "--name=Экран"},
    };
    for (const auto& [word, written] : words)
        EXPECT_EQ(KioskUnit::CommandWord(word), written) << word;
    const auto unit = Settings(KioskUnit::Text(Kiosk, "/opt/velmora display/velmora-display",
                                               {"--name=Client 3", "--server=hall"}));
    EXPECT_EQ(ValuesOf(unit, "[Service]ExecStart"),
              std::vector<std::string>{
                  "\"/opt/velmora display/velmora-display\" --kiosk-session \"--name=Client 3\" "
                  "--server=hall"});
}

// A machine that records what is asked of it; its root is a folder of the test's own.
class TRecordingMachine : public IKioskMachine {
public:
    explicit TRecordingMachine(std::string root) : root_(std::move(root)) {}

    const std::string& Root() const override { return root_; }
    bool IsRoot() const override { return Root_; }
    std::optional<TKioskAccount> Account(const std::string& name) const override {
        if (name == Kiosk.Name)
            return Kiosk;
        if (name == "root")
            return TKioskAccount{"root", 0, "/root"};
        return std::nullopt;
    }
    std::optional<std::string> RunningProgram() const override { return Running; }
    bool ServiceManagerRuns() const override { return Booted; }
    void Systemctl(const std::vector<std::string>& arguments) override {
        std::string line;
        for (const std::string& word : arguments)
            line += (line.empty() ? "" : " ") + word;
        Calls.push_back(line);
        if (line == FailingCall)
            throw EKioskError("systemctl " + line + " failed (exit status 1)");
    }

    bool Root_ = true;
    bool Booted = false;
    std::optional<std::string> Running;
    std::string FailingCall;
    std::vector<std::string> Calls;

private:
    std::string root_;
};

// What a system with the display's package and its Recommends holds, under its root folder.
const std::vector<std::string> PackagedFiles{"/usr/bin/velmora-display", "/usr/bin/cage",
                                             "/usr/bin/Xwayland", "/usr/lib/polkit-1/polkitd",
                                             "/usr/lib/x86_64-linux-gnu/security/pam_systemd.so"};

void Provide(const std::string& root, const std::string& file) {
    std::filesystem::create_directories(std::filesystem::path(root + file).parent_path());
    ASSERT_TRUE(FileIo::WriteAtomically(root + file, "#!/bin/sh\n"));
    std::filesystem::permissions(root + file, std::filesystem::perms::owner_all);
}

class KioskInstallerTest : public ::testing::Test {
protected:
    KioskInstallerTest() {
        for (const std::string& file : PackagedFiles)
            Provide(root.Path(), file);
        Provide(root.Path(), Executable);
        machine.Running = root.Path() + Executable;
    }
    std::string Refusal(const std::string& account) {
        try {
            installer.Install(account, {});
        } catch (const EKioskError& e) {
            return e.what();
        }
        return "installed";
    }

    TTempDir root;
    TRecordingMachine machine{root.Path()};
    // The running program, as the unit names it.
    const std::string running = root.Path() + Executable;
    std::vector<std::string> said;
    TKioskInstaller installer{machine, [this](const std::string& line) { said.push_back(line); }};
    const std::string unit = root.Path() + "/etc/systemd/system/velmora-kiosk.service";
};

TEST_F(KioskInstallerTest, RefusedWithoutRootOrAnAccountToRunAsAndNothingChanges) {
    EXPECT_EQ(Refusal("ghost"), "There is no account \"ghost\" on this machine; make one first: "
                                "useradd -m ghost");
    EXPECT_EQ(Refusal("root"), "The kiosk does not run as root (\"root\"): make an account of "
                               "its own, useradd -m kiosk");
    EXPECT_EQ(Refusal("kiosk\nUser=root"),
              "\"kiosk\nUser=root\" is not an account name a unit can run as (letters, digits, "
              "\".\", \"_\" and \"-\")");
    for (const char* unnamable : {"", "-kiosk", "ki osk", "kiosk%i"})
        EXPECT_NE(Refusal(unnamable).find("is not an account name"), std::string::npos)
            << unnamable;
    machine.Root_ = false;
    EXPECT_EQ(Refusal("kiosk"), "--install-kiosk needs root: it changes the units of the machine "
                                "in /etc/systemd/system; run it with sudo");
    EXPECT_THROW(installer.Remove(), EKioskError);
    EXPECT_TRUE(machine.Calls.empty());
    EXPECT_FALSE(std::filesystem::exists(root.Path() + "/etc"));
}

// In a chroot or an image: nothing to reload, nothing started or stopped.
TEST_F(KioskInstallerTest, OfflineTheUnitIsEnabledInsteadOfTheLoginPromptAndBackAgain) {
    installer.Install("kiosk", {"--name=Client 3"});
    EXPECT_EQ(FileIo::ReadAll(unit), KioskUnit::Text(Kiosk, running, {"--name=Client 3"}));
    EXPECT_EQ(machine.Calls, (std::vector<std::string>{"enable velmora-kiosk.service",
                                                       "disable getty@tty1.service"}));
    ASSERT_EQ(said.size(), 3u);
    EXPECT_EQ(said[0], "Wrote " + unit);
    EXPECT_NE(said[2].find(KioskUnit::SettingsPath(Kiosk)), std::string::npos);

    machine.Calls.clear();
    said.clear();
    installer.Remove();
    EXPECT_FALSE(FileIo::Exists(unit));
    EXPECT_EQ(machine.Calls, (std::vector<std::string>{"disable velmora-kiosk.service",
                                                       "enable getty@tty1.service"}));
    EXPECT_EQ(said,
              std::vector<std::string>{"Removed " + unit + "; getty@tty1.service is enabled."});
}

// On a running system the manager learns of the new unit at once; removing stops the kiosk and
// gives the console its prompt back now, not at the next boot.
TEST_F(KioskInstallerTest, OnARunningSystemTheManagerIsReloadedAndRemovingTakesEffectNow) {
    machine.Booted = true;
    installer.Install("kiosk", {});
    EXPECT_EQ(machine.Calls,
              (std::vector<std::string>{"daemon-reload", "enable velmora-kiosk.service",
                                        "disable getty@tty1.service"}))
        << "installing starts nothing: the account's settings may still be missing";
    machine.Calls.clear();
    installer.Remove();
    EXPECT_EQ(machine.Calls,
              (std::vector<std::string>{"disable --now velmora-kiosk.service", "daemon-reload",
                                        "enable --now getty@tty1.service"}));
}

// An image builder's chroot without /proc: the unit names the package's program, and with
// neither that nor the running program's path nothing is written and nothing is enabled.
TEST_F(KioskInstallerTest, TheUnitNamesTheDisplayByAPathThatRunsOrNothingChanges) {
    for (const std::optional<std::string>& unknown :
         {std::optional<std::string>(), std::optional<std::string>("velmora")}) {
        machine.Running = unknown;
        installer.Install("kiosk", {});
        EXPECT_EQ(ValuesOf(Settings(FileIo::ReadAll(unit).value_or("")), "[Service]ExecStart"),
                  std::vector<std::string>{"/usr/bin/velmora-display --kiosk-session"});
    }
    installer.Remove();
    machine.Calls.clear();
    std::filesystem::remove(root.Path() + "/usr/bin/velmora-display");
    EXPECT_EQ(Refusal("kiosk"),
              "Cannot tell the unit where velmora-display is: its own path cannot be read "
              "(/proc/self/exe) and there is no /usr/bin/velmora-display; install the package or "
              "mount /proc");
    EXPECT_FALSE(FileIo::Exists(unit));
    EXPECT_TRUE(machine.Calls.empty());
}

// An image built without Recommends: each package the kiosk cannot start without is named.
TEST_F(KioskInstallerTest, APackageTheKioskNeedsIsNamedWhenMissingAndNothingChanges) {
    const std::vector<std::pair<std::string, std::string>> needs{
        {"/usr/bin/cage", "cage (the kiosk compositor), and it is not installed: apt install cage"},
        {"/usr/bin/Xwayland", "xwayland (which cage starts), and it is not installed: apt "
                              "install xwayland"},
        {"/usr/lib/polkit-1/polkitd", "polkitd or seatd (for cage to take the screen), and none "
                                      "is installed: apt install polkitd"},
        {"/usr/lib/x86_64-linux-gnu/security/pam_systemd.so",
         "libpam-systemd (the kiosk account's login session), and it is not installed: apt "
         "install libpam-systemd"},
    };
    for (const auto& [file, named] : needs) {
        std::filesystem::remove(root.Path() + file);
        EXPECT_EQ(Refusal("kiosk"), "The kiosk needs the package " + named);
        Provide(root.Path(), file);
    }
    EXPECT_FALSE(std::filesystem::exists(root.Path() + "/etc"));
    EXPECT_TRUE(machine.Calls.empty());

    std::filesystem::remove(root.Path() + "/usr/lib/polkit-1/polkitd");
    Provide(root.Path(), "/usr/sbin/seatd");
    EXPECT_EQ(Refusal("kiosk"), "installed") << "seatd stands in for polkit";
}

TEST_F(KioskInstallerTest, AFailedStepSaysHowToTakeBackWhatWasDone) {
    machine.FailingCall = "disable getty@tty1.service";
    try {
        installer.Install("kiosk", {});
        FAIL() << "installed";
    } catch (const EKioskError& e) {
        EXPECT_STREQ(e.what(), "systemctl disable getty@tty1.service failed (exit status 1); "
                               "velmora-display --remove-kiosk takes back what was done");
    }
    machine.FailingCall.clear();
    installer.Remove();
    EXPECT_FALSE(FileIo::Exists(unit));
}

TEST_F(KioskInstallerTest, RemovingWithoutAKioskStillGivesTheConsoleItsPrompt) {
    installer.Remove();
    EXPECT_EQ(machine.Calls, std::vector<std::string>{"enable getty@tty1.service"});
    EXPECT_EQ(said, std::vector<std::string>{"No kiosk was installed (no " + unit +
                                             "); getty@tty1.service is enabled."});
}

// Every file and link under a folder, with the target of each link.
std::map<std::string, std::string> Tree(const std::string& folder) {
    std::map<std::string, std::string> tree;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        const std::string path = entry.path().string().substr(folder.size());
        tree[path] = entry.is_symlink() ? std::filesystem::read_symlink(entry.path()).string()
                                        : (entry.is_directory() ? "folder" : "file");
    }
    return tree;
}

// The machine's own systemctl on a system in a folder, as Debian lays it out: the login prompt
// on tty1 enabled through getty.target. Installing and removing leaves the folder as it was.
TEST(KioskSystemctlTest, EnablesAndDisablesOnASystemInAFolderAndLeavesNothingBehind) {
    class TFolderSystem : public TKioskMachine {
    public:
        using TKioskMachine::TKioskMachine;
        bool IsRoot() const override { return true; }
        std::optional<TKioskAccount> Account(const std::string&) const override { return Kiosk; }
    };
    const TTempDir root;
    for (const std::string& file : PackagedFiles)
        Provide(root.Path(), file);
    TFolderSystem machine(root.Path());
    try {
        machine.Systemctl({"--version"});
    } catch (const EKioskError& e) {
        GTEST_SKIP() << e.what();
    }
    const std::filesystem::path units = root.Path() + "/usr/lib/systemd/system";
    std::filesystem::create_directories(units);
    ASSERT_TRUE(FileIo::WriteAtomically(units / "getty@.service",
                                        "[Unit]\nDescription=Getty on %I\n\n[Service]\n"
                                        "ExecStart=-/sbin/agetty %I\n\n[Install]\n"
                                        "WantedBy=getty.target\nDefaultInstance=tty1\n"));
    const std::filesystem::path wants = root.Path() + "/etc/systemd/system/getty.target.wants";
    std::filesystem::create_directories(wants);
    std::filesystem::create_symlink("/usr/lib/systemd/system/getty@.service",
                                    wants / "getty@tty1.service");
    const auto before = Tree(root.Path());

    TKioskInstaller installer(machine, [](const std::string&) {});
    installer.Install("kiosk", {});
    const auto installed = Tree(root.Path());
    EXPECT_EQ(installed.count("/etc/systemd/system/getty.target.wants/getty@tty1.service"), 0u);
    EXPECT_EQ(installed.at("/etc/systemd/system/multi-user.target.wants/velmora-kiosk.service"),
              "/etc/systemd/system/velmora-kiosk.service");

    installer.Remove();
    EXPECT_EQ(Tree(root.Path()), before);
}

} // namespace
