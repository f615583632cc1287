#include "Wakeup.h"

#include <cstdint>
#include <stdexcept>
#include <sys/eventfd.h>
#include <unistd.h>

TWakeup::TWakeup() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (!fd_.Valid())
        throw std::runtime_error("Cannot create a wake-up descriptor");
}

void TWakeup::Signal() {
    const std::uint64_t one = 1;
    // A full counter is already a pending wake; nothing is lost by a failed write.
    [[maybe_unused]] const ssize_t n = ::write(fd_.Get(), &one, sizeof one);
}

void TWakeup::Drain() {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t n = ::read(fd_.Get(), &count, sizeof count);
}
