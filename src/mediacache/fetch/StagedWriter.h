#pragma once

#include "mediacache/MediaStore.h"

#include <QByteArray>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

// Writes a staged copy on a thread of its own, so that hashing and writing the copy overlap its
// transfer instead of following each part of it. At most QueueLimit bytes wait to be written;
// beyond that Add waits for the disk.
class TStagedWriter {
public:
    static constexpr qsizetype QueueLimit = qsizetype{16} << 20;

    explicit TStagedWriter(std::unique_ptr<TStagedCopy> copy);
    // Drops what waits; the copy goes with it.
    ~TStagedWriter();
    TStagedWriter(const TStagedWriter&) = delete;
    TStagedWriter& operator=(const TStagedWriter&) = delete;

    // 0, or the errno of the first write that failed so far (ENOSPC when the disk is full).
    int Add(QByteArray bytes);
    // Once every byte is written: the copy, and 0 or the first write's errno.
    std::pair<std::unique_ptr<TStagedCopy>, int> Finish();

private:
    void Run();

    std::unique_ptr<TStagedCopy> copy_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<QByteArray> queue_;
    qsizetype queued_ = 0; // bytes waiting or being written
    bool stopping_ = false;
    int error_ = 0;
    std::thread thread_;
};
