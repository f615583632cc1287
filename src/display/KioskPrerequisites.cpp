#include "display/KioskPrerequisites.h"

#include <glob.h>
#include <unistd.h>
#include <vector>

namespace {

// A package the kiosk needs, or one of several that serve alike, each known by a file of its own.
struct TNeed {
    std::vector<const char*> Packages;
    std::vector<const char*> Files; // glob patterns, one per package
    const char* Why;
};

const std::vector<TNeed>& Needs() {
    static const std::vector<TNeed> needs{
        {{"cage"}, {KioskPrerequisites::Compositor}, "the kiosk compositor"},
        // Debian's cage starts XWayland and ends without it.
        {{"xwayland"}, {"/usr/bin/Xwayland"}, "which cage starts"},
        // logind opens the kiosk account's session but activates it on the seat only with polkit;
        // seatd gives the seat to the unit's video group instead.
        {{"polkitd", "seatd"},
         {"/usr/lib/polkit-1/polkitd", "/usr/sbin/seatd"},
         "for cage to take the screen"},
        {{"libpam-systemd"},
         {"/usr/lib/*/security/pam_systemd.so"},
         "the kiosk account's login session"},
    };
    return needs;
}

bool Matches(const std::string& pattern) {
    glob_t found{};
    const bool any = ::glob(pattern.c_str(), GLOB_NOSORT, nullptr, &found) == 0;
    ::globfree(&found);
    return any;
}

} // namespace

namespace KioskPrerequisites {

std::string UnderRoot(const std::string& root, const std::string& path) {
    return (root == "/" ? "" : root) + path;
}

std::optional<std::string> DisplayProgram(const std::optional<std::string>& running,
                                          const std::string& root) {
    if (running && running->starts_with('/') && ::access(running->c_str(), X_OK) == 0)
        return running;
    if (::access(UnderRoot(root, InstalledProgram).c_str(), X_OK) == 0)
        return InstalledProgram;
    return std::nullopt;
}

std::optional<std::string> MissingPackage(const std::string& root) {
    for (const TNeed& need : Needs()) {
        bool present = false;
        for (const char* file : need.Files)
            present = present || Matches(UnderRoot(root, file));
        if (present)
            continue;
        std::string names = need.Packages.front();
        for (size_t i = 1; i < need.Packages.size(); ++i)
            names += std::string(" or ") + need.Packages[i];
        return std::string("The kiosk needs the package ") + names + " (" + need.Why + "), " +
               (need.Packages.size() > 1 ? "and none is" : "and it is not") +
               " installed: apt install " + need.Packages.front();
    }
    return std::nullopt;
}

} // namespace KioskPrerequisites
