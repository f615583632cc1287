#pragma once

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>

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

// The checkout the build folder was configured from.
inline const std::filesystem::path& SourceRoot() {
    static const std::filesystem::path root = [] {
        std::ifstream cache(BuildRoot() / "CMakeCache.txt");
        constexpr std::string_view key = "CMAKE_HOME_DIRECTORY:INTERNAL=";
        for (std::string line; std::getline(cache, line);) {
            if (line.starts_with(key))
                return std::filesystem::path(line.substr(key.size()));
        }
        throw std::runtime_error("CMakeCache.txt names no checkout");
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

} // namespace CheckoutPaths
