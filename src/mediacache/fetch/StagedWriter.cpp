#include "mediacache/fetch/StagedWriter.h"

TStagedWriter::TStagedWriter(std::unique_ptr<TStagedCopy> copy)
    : copy_(std::move(copy)), thread_([this] { Run(); }) {}

TStagedWriter::~TStagedWriter() {
    {
        const std::lock_guard lock(lock_);
        stopping_ = true;
        queue_.clear();
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

int TStagedWriter::Add(QByteArray bytes) {
    std::unique_lock lock(lock_);
    changed_.wait(lock, [this] { return queued_ < QueueLimit || error_ != 0; });
    if (error_ == 0 && !bytes.isEmpty()) {
        queued_ += bytes.size();
        queue_.push_back(std::move(bytes));
        changed_.notify_all();
    }
    return error_;
}

std::pair<std::unique_ptr<TStagedCopy>, int> TStagedWriter::Finish() {
    std::unique_lock lock(lock_);
    changed_.wait(lock, [this] { return queued_ == 0 || error_ != 0; });
    stopping_ = true;
    queue_.clear();
    changed_.notify_all();
    lock.unlock();
    thread_.join();
    return {std::move(copy_), error_};
}

void TStagedWriter::Run() {
    std::unique_lock lock(lock_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_)
            return;
        const QByteArray bytes = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        const int error = copy_->Write(bytes.constData(), static_cast<size_t>(bytes.size()));
        lock.lock();
        queued_ -= bytes.size();
        if (error != 0 && error_ == 0)
            error_ = error;
        changed_.notify_all();
    }
}
