#pragma once

#include "platform/Descriptor.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Whole-file reads and writes. A write never leaves half a file behind: it goes to a temporary
// file in the same folder, is flushed to disk, and is renamed over the old file, so a crash or a
// concurrent reader sees either the old content or the new one.
namespace FileIo {

// What tells one state of a file from another without reading it: the same identity means the
// same content, unless two changes of one size fell within one tick of the file system's clock.
struct TFileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    int64_t modified = 0; // nanoseconds since the epoch
    int64_t changed = 0;  // nanoseconds since the epoch (status change, which nobody can set)
    bool operator==(const TFileIdentity&) const = default;
};

// The identity of a regular file; nothing when it is missing or not a regular file.
std::optional<TFileIdentity> IdentityOf(const std::string& path);

// The whole content of a regular file, or nothing when it cannot be opened or read. Anything
// else (a FIFO, a device) is refused without waiting on it. With identity given, it receives
// the identity of what was read.
std::optional<std::string> ReadAll(const std::string& path, TFileIdentity* identity = nullptr);

// Replaces the file atomically; creates it when absent. Keeps the permissions of a file it
// replaces. Returns false (and leaves the old file untouched) when anything fails.
bool WriteAtomically(const std::string& path, std::string_view content);

// Creates the folder and every missing parent. True when the folder exists afterwards.
bool MakeFolders(const std::string& path);

// Opens a file that a user named for reading. Named pipes, devices and folders are refused
// without being opened for real (a pipe named like a picture blocks its open or its first read
// for ever, a device may never end or wake up). On failure the descriptor is invalid and
// `reason` says why, as the system words it, or "It is not a regular file". The look at the
// file system itself can block on a hung mount.
TDescriptor OpenRegularFile(const std::string& path, std::string& reason);

bool Exists(const std::string& path);
bool RemoveFile(const std::string& path);

} // namespace FileIo
