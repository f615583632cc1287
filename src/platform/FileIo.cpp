#include "FileIo.h"

#include "Descriptor.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace {

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

bool WriteFully(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t n = ::write(fd, content.data(), content.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        content.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

int64_t Nanoseconds(const timespec& t) {
    return static_cast<int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

FileIo::TFileIdentity IdentityFrom(const struct stat& st) {
    return {st.st_dev, st.st_ino, st.st_size, Nanoseconds(st.st_mtim), Nanoseconds(st.st_ctim)};
}

} // namespace

namespace FileIo {

std::optional<TFileIdentity> IdentityOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return IdentityFrom(st);
}

std::optional<std::string> ReadAll(const std::string& path, TFileIdentity* identity) {
    // Non-blocking open: a FIFO put where a file belongs must not hold the reader for ever.
    TDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st {};
    if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    if (identity != nullptr)
        *identity = IdentityFrom(st);
    std::string content;
    std::vector<char> chunk(65536);
    for (;;) {
        const ssize_t n = ::read(fd.Get(), chunk.data(), chunk.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (n == 0)
            break;
        content.append(chunk.data(), static_cast<size_t>(n));
    }
    return content;
}

bool WriteAtomically(const std::string& path, std::string_view content) {
    std::string temp = FolderOf(path) + "/.velmora-XXXXXX";
    TDescriptor fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (fd.Get() < 0)
        return false;
    struct stat old {};
    const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    const bool written = ::fchmod(fd.Get(), mode) == 0 && WriteFully(fd.Get(), content) &&
                         ::fsync(fd.Get()) == 0 && fd.Close();
    if (!written || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable.
    TDescriptor folder(::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Get() >= 0)
        ::fsync(folder.Get());
    return true;
}

bool MakeFolders(const std::string& path) {
    if (path.empty())
        return false;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    const std::string parent = FolderOf(path);
    if (parent != path && parent != "." && parent != "/" && !MakeFolders(parent))
        return false;
    return ::mkdir(path.c_str(), 0755) == 0 || errno == EEXIST;
}

TDescriptor OpenRegularFile(const std::string& path, std::string& reason) {
    constexpr const char* NotAFile = "It is not a regular file";
    // A look first, so that a device is never opened for real; then a non-blocking open, so that
    // a file swapped for a pipe since the look still cannot hang, and a second look at what
    // was opened.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        reason = std::generic_category().message(errno);
        return {};
    }
    if (!S_ISREG(info.st_mode)) {
        reason = NotAFile;
        return {};
    }
    TDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd.Valid()) {
        reason = std::generic_category().message(errno);
        return {};
    }
    if (::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        reason = NotAFile;
        return {};
    }
    // A regular file never blocks; reads then behave as usual.
    ::fcntl(fd.Get(), F_SETFL, ::fcntl(fd.Get(), F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

} // namespace FileIo
