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

// Sets an environment variable, or unsets it for nullptr, for the lifetime of the guard.
class TVariableGuard {
public:
    TVariableGuard(const char* name, const char* value) : name_(name) {
        const char* old = std::getenv(name);
        had_ = old != nullptr;
        old_ = had_ ? old : "";
        if (value != nullptr)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    TVariableGuard(const TVariableGuard&) = delete;
    TVariableGuard& operator=(const TVariableGuard&) = delete;
    ~TVariableGuard() {
        if (had_)
            ::setenv(name_, old_.c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::string old_;
    bool had_ = false;
};

// Points XDG_CONFIG_HOME (and HOME) at a folder for the lifetime of the guard, so that no test
// ever reads or writes the real home folder.
class TConfigHomeGuard {
public:
    explicit TConfigHomeGuard(const std::string& folder)
        : xdg_("XDG_CONFIG_HOME", folder.c_str()), home_("HOME", folder.c_str()) {}

private:
    TVariableGuard xdg_, home_;
};
