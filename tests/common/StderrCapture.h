#pragma once

#include "common/TempDir.h"

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

// What the process writes to standard error while the capture lives, for tests and benchmarks
// that count the lines a program says.
class TStderrCapture {
public:
    TStderrCapture() : file_(dir_.File("stderr.txt")) {
        std::fflush(stderr);
        saved_ = ::dup(2);
        const int fd = ::open(file_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ::dup2(fd, 2);
        ::close(fd);
    }
    TStderrCapture(const TStderrCapture&) = delete;
    TStderrCapture& operator=(const TStderrCapture&) = delete;
    ~TStderrCapture() { Restore(); }

    // Everything said, once standard error is back where it was.
    std::string Text() {
        Restore();
        std::stringstream text;
        text << std::ifstream(file_).rdbuf();
        return text.str();
    }

private:
    void Restore() {
        if (saved_ < 0)
            return;
        std::fflush(stderr);
        ::dup2(saved_, 2);
        ::close(saved_);
        saved_ = -1;
    }

    TTempDir dir_;
    std::string file_;
    int saved_ = -1;
};
