#pragma once

// Owns one file descriptor (a file, a socket) and closes it when destroyed.
class TDescriptor {
public:
    TDescriptor() = default;
    explicit TDescriptor(int fd) : fd_(fd) {}
    TDescriptor(TDescriptor&& other) noexcept;
    TDescriptor& operator=(TDescriptor&& other) noexcept;
    TDescriptor(const TDescriptor&) = delete;
    TDescriptor& operator=(const TDescriptor&) = delete;
    ~TDescriptor();

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    // Closes now; false when the close failed, which for a file written to can mean lost data.
    bool Close();

private:
    int fd_ = -1;
};
