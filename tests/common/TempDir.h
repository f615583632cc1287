#pragma once

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TTempDir {
public:
    TTempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "velmora-test-XXXXXX");
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot make a temporary folder");
        path_ = pattern;
    }
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;
    ~TTempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }

    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Points XDG_CONFIG_HOME (and HOME) at a folder for the lifetime of the guard, so that no test
// ever reads or writes the real home folder.
class TConfigHomeGuard {
public:
    explicit TConfigHomeGuard(const std::string& folder) {
        Save("XDG_CONFIG_HOME", oldXdg_, hadXdg_);
        Save("HOME", oldHome_, hadHome_);
        ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
        ::setenv("HOME", folder.c_str(), 1);
    }
    TConfigHomeGuard(const TConfigHomeGuard&) = delete;
    TConfigHomeGuard& operator=(const TConfigHomeGuard&) = delete;
    ~TConfigHomeGuard() {
        Restore("XDG_CONFIG_HOME", oldXdg_, hadXdg_);
        Restore("HOME", oldHome_, hadHome_);
    }

private:
    static void Save(const char* name, std::string& value, bool& had) {
        const char* v = std::getenv(name);
        had = v != nullptr;
        value = had ? v : "";
    }
    static void Restore(const char* name, const std::string& value, bool had) {
        if (had)
            ::setenv(name, value.c_str(), 1);
        else
            ::unsetenv(name);
    }

    std::string oldXdg_, oldHome_;
    bool hadXdg_ = false, hadHome_ = false;
};
