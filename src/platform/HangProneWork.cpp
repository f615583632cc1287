#include "platform/HangProneWork.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;
// What owners asked to run when their work is done, dropped outside the lock: dropping one may
// end an object that calls in again.
using TDropped = std::vector<std::function<void()>>;

} // namespace

// The bound and its work, shared by the owner and every thread; the threads hold it, so it
// outlives them all.
struct THangProneWork::TShared : std::enable_shared_from_this<TShared> {
    explicit TShared(TBound bound) : Bound(bound) {}

    const TBound Bound;
    mutable std::mutex Lock;
    std::condition_variable Changed;
    std::deque<std::shared_ptr<TJob>> Waiting;
    std::vector<std::shared_ptr<TJob>> Working;
    int Abandoned = 0;
    bool Closed = false;

    // Lock held by all below but Next and Work, which take it.
    bool HasRoom() const {
        const int working = static_cast<int>(Working.size());
        return !Closed && working < Bound.Working &&
               working + Abandoned < Bound.Working + Bound.MostAbandoned;
    }

    void Begin(const std::shared_ptr<TJob>& job) {
        job->State = TState::Running;
        job->StartedAt = TClock::now();
        Working.push_back(job);
        Changed.notify_all();
    }

    // Throws std::system_error, the job waiting again.
    void Launch(const std::shared_ptr<TJob>& job) {
        Begin(job);
        try {
            std::thread([self = shared_from_this(), job] { Work(self, job); }).detach();
        } catch (const std::system_error&) {
            std::erase(Working, job);
            job->State = TState::Waiting;
            throw;
        }
    }

    // Waiting work the bound has room for. One that finds no thread (the system's limit) waits
    // on: the next thread that returns takes it.
    void StartWaiting() {
        while (HasRoom() && !Waiting.empty()) {
            try {
                Launch(Waiting.front());
            } catch (const std::system_error&) {
                return;
            }
            Waiting.pop_front();
        }
    }

    void GiveUp(TJob& job, TDropped& dropped) {
        const auto same = [&job](const std::shared_ptr<TJob>& other) {
            return other.get() == &job;
        };
        if (job.State == TState::Waiting) {
            std::erase_if(Waiting, same);
        } else if (job.State == TState::Running) {
            std::erase_if(Working, same);
            ++Abandoned;
        } else {
            return;
        }
        job.State = TState::Abandoned;
        dropped.push_back(std::exchange(job.Done, nullptr));
        Changed.notify_all();
        StartWaiting();
    }

    static bool Overdue(const TJob& job, TClock::time_point now) {
        return job.State == TState::Running && job.Limit != NoLimit &&
               now - job.StartedAt >= job.Limit;
    }

    void GiveUpOverdue(TDropped& dropped) {
        const auto now = TClock::now();
        std::vector<std::shared_ptr<TJob>> overdue;
        std::copy_if(Working.begin(), Working.end(), std::back_inserter(overdue),
                     [now](const std::shared_ptr<TJob>& job) { return Overdue(*job, now); });
        for (const auto& job : overdue)
            GiveUp(*job, dropped);
    }

    // The next waiting work for a thread whose work is over, if the bound has room.
    std::shared_ptr<TJob> Next() {
        const std::lock_guard lock(Lock);
        if (!HasRoom() || Waiting.empty())
            return nullptr;
        std::shared_ptr<TJob> job = std::move(Waiting.front());
        Waiting.pop_front();
        Begin(job);
        return job;
    }

    // A thread's life: its work, then waiting work while the bound has room for it.
    static void Work(const std::shared_ptr<TShared>& self, std::shared_ptr<TJob> job) {
        while (job) {
            job->Run();
            std::function<void()> done;
            bool abandoned = false;
            {
                const std::lock_guard lock(self->Lock);
                abandoned = job->State == TState::Abandoned;
                if (abandoned) {
                    --self->Abandoned;
                } else {
                    std::erase(self->Working, job);
                    job->State = TState::Finished;
                    done = std::exchange(job->Done, nullptr);
                }
                self->Changed.notify_all();
            }
            if (abandoned)
                job->Drop();
            if (done)
                done();
            done = nullptr;
            job = self->Next();
        }
    }
};

THangProneWork::THangProneWork(TBound bound) : shared_(std::make_shared<TShared>(bound)) {}

THangProneWork::~THangProneWork() {
    TDropped dropped;
    const std::lock_guard lock(shared_->Lock);
    shared_->Closed = true;
    // Each held here while it goes from its list, which may have been its last holder.
    while (!shared_->Waiting.empty()) {
        const std::shared_ptr<TJob> job = shared_->Waiting.front();
        shared_->GiveUp(*job, dropped);
    }
    while (!shared_->Working.empty()) {
        const std::shared_ptr<TJob> job = shared_->Working.front();
        shared_->GiveUp(*job, dropped);
    }
}

int THangProneWork::Running() const {
    const std::lock_guard lock(shared_->Lock);
    return static_cast<int>(shared_->Working.size()) + shared_->Abandoned;
}

int THangProneWork::Abandoned() const {
    const std::lock_guard lock(shared_->Lock);
    return shared_->Abandoned;
}

void THangProneWork::Enter(const std::shared_ptr<TJob>& job) {
    TDropped dropped;
    const std::lock_guard lock(shared_->Lock);
    shared_->GiveUpOverdue(dropped);
    if (shared_->HasRoom() && shared_->Waiting.empty())
        shared_->Launch(job);
    else
        shared_->Waiting.push_back(job);
}

THangProneWork::TState THangProneWork::Check(TShared& shared, TJob& job) {
    TDropped dropped;
    const std::lock_guard lock(shared.Lock);
    shared.GiveUpOverdue(dropped);
    return job.State;
}

std::chrono::milliseconds THangProneWork::TimeLeft(TShared& shared, TJob& job) {
    const std::lock_guard lock(shared.Lock);
    if (job.State == TState::Waiting || (job.State == TState::Running && job.Limit == NoLimit))
        return job.Limit;
    if (job.State != TState::Running)
        return std::chrono::milliseconds(0);
    const auto spent = std::chrono::ceil<std::chrono::milliseconds>(TClock::now() - job.StartedAt);
    return std::max(job.Limit - spent, std::chrono::milliseconds(0));
}

void THangProneWork::Abandon(TShared& shared, TJob& job) {
    TDropped dropped;
    const std::lock_guard lock(shared.Lock);
    shared.GiveUp(job, dropped);
}

void THangProneWork::WaitOver(TShared& shared, TJob& job) {
    TDropped dropped;
    std::unique_lock lock(shared.Lock);
    for (;;) {
        shared.GiveUpOverdue(dropped);
        if (job.State == TState::Finished || job.State == TState::Abandoned)
            return;
        if (job.State == TState::Running && job.Limit != NoLimit)
            shared.Changed.wait_until(lock, job.StartedAt + job.Limit);
        else
            shared.Changed.wait(lock);
    }
}

bool THangProneWork::Claim(TShared& shared, TJob& job) {
    const std::lock_guard lock(shared.Lock);
    if (job.State != TState::Finished || job.Claimed)
        return false;
    job.Claimed = true;
    return true;
}

void THangProneWork::LetGo(TShared& shared, TJob& job) noexcept {
    TDropped dropped;
    const std::lock_guard lock(shared.Lock);
    if (job.State == TState::Waiting)
        shared.GiveUp(job, dropped);
    else
        dropped.push_back(std::exchange(job.Done, nullptr));
}
