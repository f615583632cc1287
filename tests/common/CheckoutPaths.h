#pragma once

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// Where a test finds the checkout's files and the build's programs, found at run time: the build
// compiles only paths relative to them, so one compiled test serves every checkout and build
// folder, and the compiler cache shares it between clones.
namespace CheckoutPaths {

// The build folder: the nearest folder above the running program that holds CMakeCache.txt.
inline const std::filesystem::path& BuildRoot() {
    static const std::filesystem::path root = [] {
        const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe");
        for (auto folder = program.parent_path(); !folder.empty(); folder = folder.parent_path()) {
            if (std::filesystem::exists(folder / "CMakeCache.txt"))
                return folder;
            if (folder == folder.root_path())
                break;
        }
        throw std::runtime_error("no CMakeCache.txt above " + program.string());
    }();
    return root;
}

// The value of an entry of the build folder's CMakeCache.txt ("NAME:TYPE=value"), if it has one.
inline std::optional<std::string> CacheEntry(std::string_view name) {
    std::ifstream cache(BuildRoot() / "CMakeCache.txt");
    for (std::string line; std::getline(cache, line);) {
        if (!line.starts_with(name) || line.size() <= name.size() || line[name.size()] != ':')
            continue;
        if (const auto equals = line.find('=', name.size()); equals != std::string::npos)
            return line.substr(equals + 1);
    }
    return std::nullopt;
}

// The checkout the build folder was configured from.
inline const std::filesystem::path& SourceRoot() {
    static const std::filesystem::path root = [] {
        const auto home = CacheEntry("CMAKE_HOME_DIRECTORY");
        if (!home)
            throw std::runtime_error("CMakeCache.txt names no checkout");
        return std::filesystem::path(*home);
    }();
    return root;
}

// A path relative to the checkout, a trailing slash kept.
inline std::string SourceFile(std::string_view relative) {
    return (SourceRoot() / relative).string();
}

// A path relative to the build folder.
inline std::string BuildFile(std::string_view relative) {
    return (BuildRoot() / relative).string();
}

// The command line that starts a program of the build (a path relative to the build folder) as
// the build itself runs it: a cross build's programs run under its emulator (qemu-user), whose
// command comes first; other builds start the program itself.
inline std::vector<std::string> ProgramCommand(std::string_view relative) {
    std::vector<std::string> command;
    std::istringstream emulator(CacheEntry("CMAKE_CROSSCOMPILING_EMULATOR").value_or(""));
    for (std::string part; std::getline(emulator, part, ';');) {
        if (!part.empty())
            command.push_back(part);
    }
    command.push_back(BuildFile(relative));
    return command;
}

} // namespace CheckoutPaths
