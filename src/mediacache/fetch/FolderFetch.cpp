#include "mediacache/fetch/FolderFetch.h"

#include "platform/Descriptor.h"
#include "platform/FileIo.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace {

// The checks' threads, made on first use and left to the process end, which a thread stuck on a
// hung mount must not hold up. A check given up on counts until its thread returns.
THangProneWork& Checks() {
    static auto* checks = new THangProneWork({TFolderFetch::MostRunning, 0});
    return *checks;
}

int64_t ModifiedNs(const struct stat& s) {
    return static_cast<int64_t>(s.st_mtim.tv_sec) * 1000000000 + s.st_mtim.tv_nsec;
}

} // namespace

// What the check's thread and its owner share. The owner may go first: posts then go nowhere.
struct TFolderFetch::TJob {
    std::mutex Lock;
    TFolderFetch* Owner = nullptr;
    std::atomic<bool> Answered{false}; // the first look at the file came back
    std::atomic<int64_t> Progress{0};  // bytes copied
    std::atomic<bool> Cancelled{false};

    void Post(std::function<void()> call) {
        const std::lock_guard lock(Lock);
        if (Owner != nullptr)
            QMetaObject::invokeMethod(Owner, std::move(call), Qt::QueuedConnection);
    }
};

namespace {

// On the job's thread: the whole check, with the outcome as its result.
TFetchOutcome Check(TFolderFetch::TJob& job, const TMediaSource& source, const TCachedFile& known,
                    std::unique_ptr<TStagedCopy> copy, const TTransferStart& started) {
    using TKind = TFetchOutcome::TKind;
    std::string reason;
    const TDescriptor file = FileIo::OpenRegularFile(source.Location, reason);
    struct stat before {};
    if (file.Valid() && ::fstat(file.Get(), &before) != 0)
        reason = std::strerror(errno);
    job.Answered = true;
    if (!reason.empty() || !file.Valid())
        return {TKind::Failed, nullptr, {}, reason};
    TCachedFile found;
    found.Name = source.CopyName();
    found.Source = source.Location;
    found.Size = before.st_size;
    found.SourceModified = ModifiedNs(before);
    if (!known.Name.empty() && known.Size == found.Size &&
        known.SourceModified == found.SourceModified)
        return {TKind::Unchanged, nullptr, known, {}};
    started(found.Size);
    if (const int error = copy->Reserve(found.Size); error != 0)
        return FetchFailure::Write(error);
    std::vector<char> buffer(1 << 20);
    for (;;) {
        if (job.Cancelled)
            return {TKind::Failed, nullptr, {}, "given up"};
        const ssize_t n = ::read(file.Get(), buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return {TKind::Failed, nullptr, {}, std::strerror(errno)};
        if (n == 0)
            break;
        if (const int error = copy->Write(buffer.data(), static_cast<size_t>(n)); error != 0)
            return FetchFailure::Write(error);
        job.Progress += n;
    }
    struct stat after {};
    const bool same = ::fstat(file.Get(), &after) == 0 && after.st_size == before.st_size &&
                      ModifiedNs(after) == found.SourceModified;
    if (!same || copy->Written() != found.Size)
        return {TKind::Failed, nullptr, {}, "it changed while it was copied"};
    found.Sha256 = copy->Finish();
    return {TKind::Fetched, std::move(copy), std::move(found), {}};
}

} // namespace

int TFolderFetch::Running() {
    return Checks().Running();
}

TFolderFetch::TFolderFetch(const TMediaSource& source, const TCachedFile* cached,
                           const TMediaStore& store, const TSupplyLimits& limits,
                           TTransferStart started, TFetchDone done)
    : limits_(limits), started_(std::move(started)), done_(std::move(done)),
      job_(std::make_shared<TJob>()) {
    job_->Owner = this;
    std::unique_ptr<TStagedCopy> copy;
    try {
        copy = store.Stage();
    } catch (const std::exception& e) {
        FailLater(e.what());
        return;
    }
    const TCachedFile known = cached != nullptr ? *cached : TCachedFile{};
    try {
        // Left to run alone once given up on: it cannot be joined while a mount hangs.
        check_ = Checks().Start(
            [job = job_, source, known, copy = std::move(copy)]() mutable {
                const auto announce = [job](int64_t size) {
                    job->Post([job, size] {
                        if (job->Owner->started_)
                            job->Owner->started_(size);
                    });
                };
                return Check(*job, source, known, std::move(copy), announce);
            },
            THangProneWork::NoLimit, [job = job_] { job->Post([job] { job->Owner->Finish(); }); });
    } catch (const std::system_error& e) {
        FailLater(e.what());
        return;
    }
    lastMove_ = std::chrono::steady_clock::now();
    const auto shortest = std::min(limits_.FirstByte, limits_.Stall);
    watch_.start(
        std::clamp(shortest / 4, std::chrono::milliseconds(10), std::chrono::milliseconds(1000)));
    connect(&watch_, &QTimer::timeout, this, &TFolderFetch::Watch);
}

TFolderFetch::~TFolderFetch() {
    const std::lock_guard lock(job_->Lock);
    job_->Owner = nullptr;
    job_->Cancelled = true;
}

// Done never runs within the constructor: its owner has not kept the check yet.
void TFolderFetch::FailLater(const std::string& why) {
    QMetaObject::invokeMethod(
        this,
        [this, why] {
            End({TFetchOutcome::TKind::Failed, nullptr, {}, why});
        },
        Qt::QueuedConnection);
}

void TFolderFetch::Finish() {
    TFetchOutcome outcome;
    try {
        if (auto checked = check_.Take())
            outcome = std::move(*checked);
    } catch (const std::exception& e) {
        outcome.Why = e.what();
    }
    End(std::move(outcome));
}

void TFolderFetch::Watch() {
    const auto now = std::chrono::steady_clock::now();
    const int64_t progress = job_->Progress;
    // The stall limit runs from the first answer; the first look has a limit of its own.
    if (job_->Answered && !sawAnswer_) {
        sawAnswer_ = true;
        lastMove_ = now;
    }
    if (progress != lastProgress_) {
        lastProgress_ = progress;
        lastMove_ = now;
    }
    const auto still = std::chrono::duration_cast<std::chrono::milliseconds>(now - lastMove_);
    if (!job_->Answered && still >= limits_.FirstByte)
        End({TFetchOutcome::TKind::Failed, nullptr, {}, FetchFailure::NoAnswer(limits_.FirstByte)});
    else if (job_->Answered && still >= limits_.Stall)
        End({TFetchOutcome::TKind::Failed,
             nullptr,
             {},
             FetchFailure::Stalled(limits_.Stall, "copy")});
}

void TFolderFetch::End(TFetchOutcome outcome) {
    if (!done_)
        return;
    watch_.stop();
    job_->Cancelled = true;
    check_.Abandon();
    TFetchDone done = std::exchange(done_, nullptr);
    done(std::move(outcome));
}
