#include "Descriptor.h"

#include <unistd.h>
#include <utility>

TDescriptor::TDescriptor(TDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

TDescriptor& TDescriptor::operator=(TDescriptor&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

TDescriptor::~TDescriptor() {
    Close();
}

bool TDescriptor::Close() {
    if (fd_ < 0)
        return true;
    return ::close(std::exchange(fd_, -1)) == 0;
}
