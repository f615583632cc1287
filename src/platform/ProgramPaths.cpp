#include "ProgramPaths.h"

#include <climits>
#include <cstdlib>
#include <mutex>
#include <pwd.h>
#include <unistd.h>

namespace {

std::mutex& OverrideMutex() {
    static std::mutex mutex;
    return mutex;
}

std::string& OverridePath() {
    static std::string path;
    return path;
}

std::string FileNameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

namespace ProgramPaths {

std::optional<std::string> RunningExecutable() {
    {
        std::lock_guard lock(OverrideMutex());
        if (!OverridePath().empty())
            return OverridePath();
    }
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return std::nullopt;
    return std::string(buffer, static_cast<size_t>(n));
}

std::string ExecutablePath() {
    return RunningExecutable().value_or("velmora");
}

std::string StartCommand() {
    if (const char* launcher = std::getenv("VELMORA_LAUNCHER");
        launcher != nullptr && launcher[0] == '/' && ::access(launcher, X_OK) == 0)
        return launcher;
    return ExecutablePath();
}

void SetExecutablePath(const std::string& path) {
    std::lock_guard lock(OverrideMutex());
    OverridePath() = path;
}

std::string ExecutableFolder() {
    const std::string exe = ExecutablePath();
    const auto slash = exe.rfind('/');
    return slash == std::string::npos ? std::string("./") : exe.substr(0, slash + 1);
}

std::string IniPath() {
    const std::string exe = ExecutablePath();
    const std::string name = FileNameOf(exe);
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return exe + ".ini";
    return exe.substr(0, exe.size() - (name.size() - dot)) + ".ini";
}

std::string DataFolder() {
    return ExecutableFolder() + "data/";
}

std::string ProgramTitle() {
    std::string title = FileNameOf(ExecutablePath());
    title = title.substr(0, title.find('.'));
    for (size_t i = 1; i < title.size(); ++i) {
        if (title[i] >= 'A' && title[i] <= 'Z')
            title[i] = static_cast<char>(title[i] - 'A' + 'a');
    }
    return title;
}

namespace {

constexpr const char* ConfigUnderHome = "/.config";

// An XDG base folder: the variable when set and not empty, else the folder under the home.
std::string XdgFolder(const char* variable, const char* underHome) {
    if (const char* xdg = std::getenv(variable); xdg != nullptr && *xdg != '\0')
        return xdg;
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') {
        if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr)
            home = pw->pw_dir;
    }
    return std::string(home != nullptr ? home : ".") + underHome;
}

} // namespace

std::string ConfigHome() {
    return XdgFolder("XDG_CONFIG_HOME", ConfigUnderHome);
}

std::string ConfigHomeOf(const std::string& home) {
    return home + ConfigUnderHome;
}

std::string StateHome() {
    return XdgFolder("XDG_STATE_HOME", "/.local/state");
}

std::string CacheHome() {
    return XdgFolder("XDG_CACHE_HOME", "/.cache");
}

} // namespace ProgramPaths
