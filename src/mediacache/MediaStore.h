#pragma once

#include "mediacache/MediaIndex.h"
#include "mediacache/MediaSource.h"
#include "mediacache/Sha256.h"
#include "platform/Descriptor.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

// A new copy being written: a temporary file in the cache folder, hashed as it is written. It
// becomes a copy only when the store commits it; dropped, it leaves nothing behind.
class TStagedCopy {
public:
    // Throws std::runtime_error when no file can be made there.
    explicit TStagedCopy(const std::string& folder);
    ~TStagedCopy();
    TStagedCopy(const TStagedCopy&) = delete;
    TStagedCopy& operator=(const TStagedCopy&) = delete;

    // Room on the disk for the whole copy, when its size is known beforehand: a full disk shows
    // before the transfer. 0, or the errno (ENOSPC); a file system that cannot reserve is fine.
    int Reserve(int64_t size);
    // 0, or the errno of a failed write (ENOSPC when the disk is full).
    int Write(const void* data, size_t size);
    int64_t Written() const { return written_; }
    // The content's SHA-256, once every byte is written.
    std::string Finish() { return hash_.Hex(); }

private:
    friend class TMediaStore;
    std::string path_;
    TDescriptor file_;
    static constexpr int64_t FlushStep = int64_t{4} << 20;
    TSha256 hash_;
    int64_t written_ = 0;
    int64_t flushed_ = 0; // written back to the disk, or on its way
};

// The cache folder: the copies and their index. Every copy in it was written whole, checked and
// made durable before it took its name, and is checked against its hash again after a start
// before it is shown. Used from one thread.
class TMediaStore {
public:
    TMediaStore(std::string folder, int64_t limitBytes);

    const std::string& Folder() const { return folder_; }
    std::string PathOf(const std::string& name) const { return MediaCopy::PathIn(folder_, name); }

    // Reads the index. Temporary files of an earlier run and files the index does not know go;
    // so do entries whose file is missing or of another size.
    void Open();

    const TCachedFile* Find(const std::string& name) const;
    // Whether the copy can be shown: checked against its hash once since the start (dropped when
    // it does not match, or cannot be read).
    bool Usable(const std::string& name);
    // A copy not yet checked since the start, if any.
    std::string Unchecked() const;
    // The copies were shown now: the least recently shown go first when room is needed.
    void Shown(const std::vector<std::string>& names, int64_t now);

    std::unique_ptr<TStagedCopy> Stage() const { return std::make_unique<TStagedCopy>(folder_); }

    enum class TCommit { Done, TooBig, WriteFailed, DiskFull };
    // Makes the staged copy the file's copy: room made within the limit (the least recently shown
    // copies go, never a pinned one), flushed to disk, renamed over the old copy, the index
    // written. Placed runs once the copy has its name, before the index is written: the copy can
    // be shown then (a crash before the index is written loses it, and never shows a wrong one).
    // Anything but Done leaves the old copy as it was, unless Placed ran.
    TCommit Commit(std::unique_ptr<TStagedCopy> copy, TCachedFile file,
                   const std::set<std::string>& pinned, const std::function<void()>& placed = {});
    // New validators from the source for an unchanged copy.
    void Revalidated(const TCachedFile& file);

    int64_t TotalSize() const;
    int64_t Limit() const { return limit_; }

private:
    bool MakeRoom(int64_t bytes, const std::string& replacing, const std::set<std::string>& pinned);
    void Drop(const std::string& name);
    bool SaveIndex() const;

    const std::string folder_;
    const int64_t limit_;
    std::map<std::string, TCachedFile> files_;
    std::set<std::string> checked_;
};
