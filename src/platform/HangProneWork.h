#pragma once

#include <algorithm>
#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

// Work that may hang for ever (a look at a hung mount, a name lookup), each piece on a thread of
// its own, with a bound on how many run. Work past its time limit, or given up by its owner, is
// abandoned: its result is dropped and its thread is never joined but left to return alone,
// counted against the bound until it does. Work beyond the bound waits its turn; an owner that
// must not wait asks Running() first. A thread shares with its owner only what it touches, so
// one that returns after its owner (and this object) are gone touches nothing freed; threads are
// detached, so none holds up the process end. Any thread may call in.
class THangProneWork {
public:
    struct TBound {
        int Working = 1;       // work run at once that is not abandoned
        int MostAbandoned = 0; // threads abandoned that may still run beyond those
    };
    static constexpr std::chrono::milliseconds NoLimit = std::chrono::milliseconds::max();

    enum class TState {
        Waiting,   // for room within the bound
        Running,   // its time limit runs from its start
        Finished,  // its result is there
        Abandoned, // no result comes
    };

    template <class T>
    class TTask;

    explicit THangProneWork(TBound bound);
    // Waits for nothing: waiting work is dropped and running work abandoned.
    ~THangProneWork();
    THangProneWork(const THangProneWork&) = delete;
    THangProneWork& operator=(const THangProneWork&) = delete;

    // Threads at work, abandoned ones included.
    int Running() const;
    int Abandoned() const;

    // Runs work on a thread once the bound has room. Done runs on that thread once the result is
    // there, unless the work was abandoned or let go of first; it neither throws nor waits for
    // the owner. Throws std::system_error when no thread can be made.
    template <class TWork>
    TTask<std::invoke_result_t<TWork&>> Start(TWork work, std::chrono::milliseconds limit,
                                              std::function<void()> done = {});

private:
    struct TShared;
    struct TJob;
    template <class T>
    struct TOutcome;
    template <class T, class TWork>
    struct TJobOf;

    void Enter(const std::shared_ptr<TJob>& job);
    // For a task, on its owner's thread.
    static TState Check(TShared& shared, TJob& job);
    static std::chrono::milliseconds TimeLeft(TShared& shared, TJob& job);
    static void Abandon(TShared& shared, TJob& job);
    static void WaitOver(TShared& shared, TJob& job);
    static bool Claim(TShared& shared, TJob& job);
    static void LetGo(TShared& shared, TJob& job) noexcept;

    std::shared_ptr<TShared> shared_;
};

// What the thread and the owner share of one piece of work; the state under TShared's lock.
struct THangProneWork::TJob {
    virtual ~TJob() = default;
    // On the work's thread, no lock held.
    virtual void Run() = 0;
    virtual void Drop() = 0;

    TState State = TState::Waiting;
    bool Claimed = false;
    std::chrono::steady_clock::time_point StartedAt;
    std::chrono::milliseconds Limit = NoLimit;
    std::function<void()> Done;
};

// Written by the thread before it marks the job Finished, read by the owner only after that.
template <class T>
struct THangProneWork::TOutcome : TJob {
    std::optional<T> Result;
    std::exception_ptr Error;

    void Drop() override {
        Result.reset();
        Error = nullptr;
    }
};

template <class T, class TWork>
struct THangProneWork::TJobOf final : TOutcome<T> {
    explicit TJobOf(TWork work) : Work(std::move(work)) {}

    void Run() override {
        try {
            this->Result.emplace(std::invoke(*Work));
        } catch (...) {
            this->Error = std::current_exception();
        }
        Work.reset(); // what it holds goes before the thread reports
    }

    std::optional<TWork> Work;
};

// The owner's hold on one piece of work. Letting go of it drops work still waiting; work already
// running keeps its place in the bound until it returns or passes its limit.
template <class T>
class THangProneWork::TTask {
public:
    TTask() = default;
    TTask(TTask&& other) noexcept = default;
    TTask& operator=(TTask&& other) noexcept {
        if (this != &other) {
            LetGo();
            shared_ = std::move(other.shared_);
            job_ = std::move(other.job_);
        }
        return *this;
    }
    ~TTask() { LetGo(); }

    // Where the work is, abandoned first when it is past its limit. A task without work (made
    // empty, or moved from) is Abandoned.
    TState Check() { return job_ ? THangProneWork::Check(*shared_, *job_) : TState::Abandoned; }
    // Until the limit: all of it while the work waits, nothing once it is over.
    std::chrono::milliseconds TimeLeft() const {
        return job_ ? THangProneWork::TimeLeft(*shared_, *job_) : std::chrono::milliseconds(0);
    }
    // For an owner that watches the limit: nothing once the work has finished (its result is on
    // its way), zero once it is abandoned, else the time to look again (its limit runs from its
    // start, not from its wait for a thread).
    std::optional<std::chrono::milliseconds> UntilGivenUp() {
        switch (Check()) {
        case TState::Finished:
            return std::nullopt;
        case TState::Abandoned:
            return std::chrono::milliseconds(0);
        case TState::Waiting:
        case TState::Running:
            break;
        }
        return std::max(TimeLeft(), std::chrono::milliseconds(1));
    }
    void Abandon() {
        if (job_)
            THangProneWork::Abandon(*shared_, *job_);
    }

    // The result, once, when the work has finished; what the work threw is thrown here.
    std::optional<T> Take() {
        if (!job_ || !THangProneWork::Claim(*shared_, *job_))
            return std::nullopt;
        if (job_->Error)
            std::rethrow_exception(job_->Error);
        return std::move(job_->Result);
    }
    // Waits for the result until the work's limit, which abandons it.
    std::optional<T> Wait() {
        if (job_)
            THangProneWork::WaitOver(*shared_, *job_);
        return Take();
    }

private:
    friend class THangProneWork;
    TTask(std::shared_ptr<TShared> shared, std::shared_ptr<TOutcome<T>> job)
        : shared_(std::move(shared)), job_(std::move(job)) {}
    void LetGo() noexcept {
        if (job_)
            THangProneWork::LetGo(*shared_, *job_);
    }

    std::shared_ptr<TShared> shared_;
    std::shared_ptr<TOutcome<T>> job_;
};

template <class TWork>
THangProneWork::TTask<std::invoke_result_t<TWork&>>
THangProneWork::Start(TWork work, std::chrono::milliseconds limit, std::function<void()> done) {
    using T = std::invoke_result_t<TWork&>;
    auto job = std::make_shared<TJobOf<T, TWork>>(std::move(work));
    job->Limit = limit;
    job->Done = std::move(done);
    Enter(job);
    return TTask<T>(shared_, std::move(job));
}
