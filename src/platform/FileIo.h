#pragma once

#include "platform/Descriptor.h"

#include <optional>
#include <string>
#include <string_view>

// Whole-file reads and writes. A write never leaves half a file behind: it goes to a temporary
// file in the same folder, is flushed to disk, and is renamed over the old file, so a crash or a
// concurrent reader sees either the old content or the new one.
namespace FileIo {

// The whole content, or nothing when the file cannot be opened or read.
std::optional<std::string> ReadAll(const std::string& path);

// Replaces the file atomically; creates it when absent. Keeps the permissions of a file it
// replaces. Returns false (and leaves the old file untouched) when anything fails.
bool WriteAtomically(const std::string& path, std::string_view content);

// Creates the folder and every missing parent. True when the folder exists afterwards.
bool MakeFolders(const std::string& path);

// Opens a file that a user named for reading. Named pipes and devices are refused without
// waiting on them (a pipe named like a picture blocks its open or its first read for ever, and a
// device may never end), and so are folders. On failure the descriptor is invalid and `reason`
// says why, as the system words it ("Not a regular file" for what is not a file).
TDescriptor OpenRegularFile(const std::string& path, std::string& reason);

bool Exists(const std::string& path);
bool RemoveFile(const std::string& path);

} // namespace FileIo
