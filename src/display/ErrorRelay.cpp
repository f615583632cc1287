#include "display/ErrorRelay.h"

#include "display/KioskUnit.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>

namespace {

constexpr size_t KeptBytes = 16384;
// A line longer than this is passed on in parts.
constexpr size_t LongestLine = 4096;

void PassOn(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

} // namespace

TErrorRelay::TErrorRelay() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        throw EKioskError(std::string("Cannot make the compositor's error output: ") +
                          std::strerror(errno));
    read_ = TDescriptor(ends[0]);
    write_ = TDescriptor(ends[1]);
    // Only this end waits for nothing: the writers' end blocks as a journal does.
    ::fcntl(read_.Get(), F_SETFL, O_NONBLOCK);
}

TErrorRelay::~TErrorRelay() {
    Drain();
    if (!line_.empty())
        PassOn(line_ + "\n");
}

void TErrorRelay::Drain() {
    char buffer[4096];
    ssize_t size = 0;
    while (open_ && (size = ::read(read_.Get(), buffer, sizeof buffer)) > 0) {
        const std::string_view part(buffer, static_cast<size_t>(size));
        if (keeping_) {
            kept_ += part;
            if (kept_.size() > KeptBytes)
                kept_.erase(0, kept_.size() - KeptBytes);
        }
        line_ += part;
        for (size_t end = line_.find('\n'); end != std::string::npos; end = line_.find('\n')) {
            PassOn(line_.substr(0, end + 1));
            line_.erase(0, end + 1);
        }
        if (line_.size() >= LongestLine) {
            PassOn(line_ + "\n");
            line_.clear();
        }
    }
    // A read of nothing: every writer is gone.
    open_ = open_ && size != 0;
}

void TErrorRelay::StopKeeping() {
    keeping_ = false;
    std::string().swap(kept_);
}
