#pragma once

#include <optional>
#include <string>

// What a kiosk unit can start only with: the display program at a path the unit can name, and
// the packages that the display's package recommends for the kiosk (an image built without
// Recommends lacks them). Paths are looked up under a machine's root folder ("/", or the folder
// of an image being made).
namespace KioskPrerequisites {

// The compositor the kiosk session runs.
constexpr const char* Compositor = "/usr/bin/cage";
// Where the package installs the display program.
constexpr const char* InstalledProgram = "/usr/bin/velmora-display";

// The path in the system in the root folder: the path itself when the root is "/".
std::string UnderRoot(const std::string& root, const std::string& path);

// The display program as a unit names it: the running program's own path when it is known and
// an executable file, else the package's program when the system in the root folder has it;
// nothing when neither (a chroot without /proc running a copy from elsewhere).
std::optional<std::string> DisplayProgram(const std::optional<std::string>& running,
                                          const std::string& root);

// The first package the kiosk cannot start without that the system in the root folder lacks,
// as a sentence that names it and how to install it; nothing when all are there.
std::optional<std::string> MissingPackage(const std::string& root);

} // namespace KioskPrerequisites
