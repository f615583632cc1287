#pragma once

#include <optional>
#include <string>

// Where the program keeps its files: the program .ini beside the executable, the data folder
// of default media beside it, and the program title derived from the executable's name.
namespace ProgramPaths {

// The running executable's full path as the kernel gives it (/proc/self/exe), or the path set
// by SetExecutablePath; nothing where it cannot be read (a chroot without /proc).
std::optional<std::string> RunningExecutable();

// Full path of the running executable; "velmora" where RunningExecutable() has none, so that
// the .ini and the data folder are looked for where the program's name leads.
std::string ExecutablePath();

// What starts this program, for an entry that starts it again later: the launcher named in
// $VELMORA_LAUNCHER when that is an absolute path to an executable file, else ExecutablePath().
// An installed program runs from a per-user copy that its launcher refreshes; an entry pointing
// at the copy would bypass the refresh and outlive the package.
std::string StartCommand();

// Makes the program behave as if its executable stood at this path. Tests use it to give the
// program a temporary folder; an empty path returns to the real executable.
void SetExecutablePath(const std::string& path);

// The executable's folder with a trailing "/".
std::string ExecutableFolder();

// The executable's path with its extension replaced by ".ini", or ".ini" appended when the
// file name has no extension.
std::string IniPath();

// The folder "data/" beside the executable, with its trailing "/".
std::string DataFolder();

// The executable's file name cut before its first ".", every character after the first in
// lower case.
std::string ProgramTitle();

// The per-user configuration folder: $XDG_CONFIG_HOME, or ~/.config when it is unset or empty.
std::string ConfigHome();

// The configuration folder of an account whose sessions set no XDG_CONFIG_HOME, from its home.
std::string ConfigHomeOf(const std::string& home);

// The per-user folder for state kept between runs: $XDG_STATE_HOME, or ~/.local/state.
std::string StateHome();

// The per-user folder for data that can be made again: $XDG_CACHE_HOME, or ~/.cache.
std::string CacheHome();

} // namespace ProgramPaths
