#include "display/KioskInstaller.h"

#include "display/KioskPrerequisites.h"
#include "platform/FileIo.h"
#include "platform/ProgramPaths.h"

#include <cerrno>
#include <cstring>
#include <pwd.h>
#include <spawn.h>
#include <sys/wait.h>
#include <systemd/sd-daemon.h>
#include <unistd.h>

extern char** environ;

namespace {

// What a unit's User= line carries as it stands: the portable user name characters.
bool UnitCanName(const std::string& account) {
    if (account.empty() || account.front() == '-')
        return false;
    for (const char c : account) {
        const bool portable = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                              (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
        if (!portable)
            return false;
    }
    return true;
}

std::string Joined(const std::vector<std::string>& words) {
    std::string line;
    for (const std::string& word : words)
        line += (line.empty() ? "" : " ") + word;
    return line;
}

} // namespace

TKioskMachine::TKioskMachine(std::string root) : root_(std::move(root)) {}

bool TKioskMachine::IsRoot() const {
    return ::geteuid() == 0;
}

std::optional<TKioskAccount> TKioskMachine::Account(const std::string& name) const {
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr)
        return std::nullopt;
    return TKioskAccount{entry.pw_name, entry.pw_uid, entry.pw_dir};
}

std::optional<std::string> TKioskMachine::RunningProgram() const {
    return ProgramPaths::RunningExecutable();
}

bool TKioskMachine::ServiceManagerRuns() const {
    return root_ == "/" && ::sd_booted() > 0;
}

void TKioskMachine::Systemctl(const std::vector<std::string>& arguments) {
    std::vector<std::string> command{"systemctl"};
    if (root_ != "/")
        command.push_back("--root=" + root_);
    command.insert(command.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : command)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t child = -1;
    if (const int error = ::posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ);
        error != 0)
        throw EKioskError("Cannot run systemctl (" + std::string(std::strerror(error)) +
                          "); the kiosk needs systemd");
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw EKioskError(
            Joined(command) + " failed (exit status " +
            std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status)) + ")");
}

TKioskInstaller::TKioskInstaller(IKioskMachine& machine, TLineSink say)
    : machine_(machine), say_(std::move(say)) {}

std::string TKioskInstaller::UnitPath() const {
    return KioskPrerequisites::UnderRoot(machine_.Root(),
                                         std::string(KioskUnit::Folder) + "/" + KioskUnit::Name);
}

void TKioskInstaller::Install(const std::string& account,
                              const std::vector<std::string>& arguments) {
    RefuseWithoutRoot("--install-kiosk");
    const TKioskAccount kiosk = KioskAccount(account);
    const auto executable =
        KioskPrerequisites::DisplayProgram(machine_.RunningProgram(), machine_.Root());
    if (!executable)
        throw EKioskError(std::string("Cannot tell the unit where velmora-display is: its own "
                                      "path cannot be read (/proc/self/exe) and there is no ") +
                          KioskPrerequisites::InstalledProgram +
                          "; install the package or mount /proc");
    if (const auto missing = KioskPrerequisites::MissingPackage(machine_.Root()))
        throw EKioskError(*missing);
    const std::string unit = UnitPath();
    if (!FileIo::MakeFolders(unit.substr(0, unit.rfind('/'))) ||
        !FileIo::WriteAtomically(unit, KioskUnit::Text(kiosk, *executable, arguments)))
        throw EKioskError("Cannot write " + unit);
    say_("Wrote " + unit);
    try {
        if (machine_.ServiceManagerRuns())
            machine_.Systemctl({"daemon-reload"});
        machine_.Systemctl({"enable", KioskUnit::Name});
        machine_.Systemctl({"disable", KioskUnit::Getty()});
    } catch (const EKioskError& e) {
        throw EKioskError(std::string(e.what()) +
                          "; velmora-display --remove-kiosk takes back what was done");
    }
    say_(std::string("The display runs on ") + KioskUnit::Console + " as " + kiosk.Name +
         " from the next boot on (or now: systemctl start " + KioskUnit::Name + "); " +
         KioskUnit::Getty() + " is disabled.");
    say_("It reads its server and slot name from " + KioskUnit::SettingsPath(kiosk) +
         ", section [Display]: Server=HOST and Name=SLOT.");
}

void TKioskInstaller::Remove() {
    RefuseWithoutRoot("--remove-kiosk");
    const std::string unit = UnitPath();
    const bool installed = FileIo::Exists(unit);
    const bool online = machine_.ServiceManagerRuns();
    if (installed) {
        machine_.Systemctl(online ? std::vector<std::string>{"disable", "--now", KioskUnit::Name}
                                  : std::vector<std::string>{"disable", KioskUnit::Name});
        if (!FileIo::RemoveFile(unit))
            throw EKioskError(std::string("Cannot remove ") + unit + ": " + std::strerror(errno));
    }
    if (online)
        machine_.Systemctl({"daemon-reload"});
    machine_.Systemctl(online ? std::vector<std::string>{"enable", "--now", KioskUnit::Getty()}
                              : std::vector<std::string>{"enable", KioskUnit::Getty()});
    say_((installed ? "Removed " + unit : "No kiosk was installed (no " + unit + ")") + "; " +
         KioskUnit::Getty() + " is enabled.");
}

void TKioskInstaller::RefuseWithoutRoot(const std::string& option) const {
    if (!machine_.IsRoot())
        throw EKioskError(option + " needs root: it changes the units of the machine in " +
                          KioskUnit::Folder + "; run it with sudo");
}

TKioskAccount TKioskInstaller::KioskAccount(const std::string& name) const {
    if (!UnitCanName(name))
        throw EKioskError("\"" + name +
                          "\" is not an account name a unit can run as (letters, digits, "
                          "\".\", \"_\" and \"-\")");
    const auto account = machine_.Account(name);
    if (!account)
        throw EKioskError("There is no account \"" + name +
                          "\" on this machine; make one first: useradd -m " + name);
    if (account->Uid == 0)
        throw EKioskError("The kiosk does not run as root (\"" + name +
                          "\"): make an account of its own, useradd -m kiosk");
    return *account;
}
