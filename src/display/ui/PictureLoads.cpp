#include "display/ui/PictureLoads.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

struct TPictureLoads::TTicket::TLoad {
    QString Path;
    QPointer<QObject> Context; // read on the window thread only
    TDone Done;

    std::mutex Lock;
    bool Wanted = true;    // the ticket lives
    bool Started = false;  // a thread has begun to read the file
    bool Finished = false; // ... and is done with it
    bool Answered = false; // the owner has heard the outcome
    bool Replaced = false; // given up on while running: another thread took its place
    std::chrono::steady_clock::time_point StartedAt;

    // Tells the owner once, on the window thread.
    void Answer(const TResult& result) {
        {
            const std::lock_guard lock(Lock);
            if (!Wanted || Answered || !Context)
                return;
            Answered = true;
        }
        Done(result);
    }
};

// The threads and their queue. There are always Threads of them, and one more for each load
// given up on while it runs; such a thread leaves once its load is over and it is one too many.
struct TPictureLoads::TWorkers : std::enable_shared_from_this<TWorkers> {
    using TLoad = TTicket::TLoad;

    TLoader Loader;
    std::mutex Lock;
    std::condition_variable Changed;
    std::deque<std::shared_ptr<TLoad>> Queue;
    int Running = 0;
    int GivenUp = 0;
    bool Stopping = false;

    // Lock held.
    void Add() {
        try {
            std::thread([self = shared_from_this()] { self->Work(); }).detach();
            ++Running;
        } catch (const std::system_error&) {
            // At the system's thread limit: the threads there are go on.
        }
    }

    void Work() {
        std::unique_lock lock(Lock);
        for (;;) {
            Changed.wait(lock, [this] { return Stopping || !Queue.empty() || Surplus(); });
            if (Stopping || Surplus())
                break;
            const std::shared_ptr<TLoad> load = std::move(Queue.front());
            Queue.pop_front();
            lock.unlock();
            Run(load);
            lock.lock();
        }
        --Running;
        Changed.notify_all();
    }
    bool Surplus() const { return Running > Threads + GivenUp; }

    void Run(const std::shared_ptr<TLoad>& load) {
        {
            const std::lock_guard lock(load->Lock);
            if (!load->Wanted || load->Answered)
                return; // superseded, or given up on while it waited
            load->Started = true;
            load->StartedAt = std::chrono::steady_clock::now();
        }
        TResult result;
        try {
            result.Picture = std::make_shared<TPicture>(Loader(load->Path));
        } catch (const std::exception& e) {
            result.Failure = QString::fromUtf8(e.what());
        }
        bool replaced = false;
        {
            const std::lock_guard lock(load->Lock);
            load->Finished = true;
            replaced = load->Replaced;
        }
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [load, result] { load->Answer(result); },
            Qt::QueuedConnection);
        if (replaced) {
            const std::lock_guard lock(Lock);
            --GivenUp; // one thread too many now: the first to look leaves
            Changed.notify_all();
        }
    }
};

TPictureLoads::TTicket::~TTicket() {
    const std::lock_guard lock(load_->Lock);
    load_->Wanted = false;
}

TPictureLoads& TPictureLoads::Shared() {
    static auto* loads = new TPictureLoads();
    return *loads;
}

TPictureLoads::TPictureLoads(TLoader loader, std::chrono::milliseconds timeLimit)
    : timeLimit_(timeLimit), workers_(std::make_shared<TWorkers>()) {
    workers_->Loader = std::move(loader);
    const std::lock_guard lock(workers_->Lock);
    for (int n = 0; n < Threads; ++n)
        workers_->Add();
}

TPictureLoads::~TPictureLoads() {
    std::unique_lock lock(workers_->Lock);
    workers_->Stopping = true;
    workers_->Queue.clear();
    workers_->Changed.notify_all();
    workers_->Changed.wait(lock, [this] { return workers_->Running == 0; });
}

int TPictureLoads::GivenUp() const {
    const std::lock_guard lock(workers_->Lock);
    return workers_->GivenUp;
}

std::unique_ptr<TPictureLoads::TTicket> TPictureLoads::Load(const QString& path, QObject* context,
                                                            TDone done) {
    auto load = std::make_shared<TTicket::TLoad>();
    load->Path = path;
    load->Context = context;
    load->Done = std::move(done);
    {
        const std::lock_guard lock(workers_->Lock);
        workers_->Queue.push_back(load);
        workers_->Changed.notify_one();
    }
    WatchTime(load, timeLimit_);
    return std::make_unique<TTicket>(load);
}

void TPictureLoads::WatchTime(const std::shared_ptr<TTicket::TLoad>& load,
                              std::chrono::milliseconds time) {
    if (load->Context)
        QTimer::singleShot(time, load->Context, [this, load] { GiveUp(load); });
}

void TPictureLoads::GiveUp(const std::shared_ptr<TTicket::TLoad>& load) {
    {
        const std::lock_guard lock(load->Lock);
        if (load->Answered || !load->Wanted)
            return;
        // Its time runs from its start, not from its wait for a thread.
        const auto read = std::chrono::steady_clock::now() - load->StartedAt;
        if (!load->Started || read < timeLimit_) {
            WatchTime(load, load->Started
                                ? std::chrono::ceil<std::chrono::milliseconds>(timeLimit_ - read)
                                : timeLimit_);
            return;
        }
        if (!load->Finished) {
            const std::lock_guard workersLock(workers_->Lock);
            if (workers_->GivenUp < MostGivenUp) {
                load->Replaced = true;
                ++workers_->GivenUp;
                workers_->Add();
            }
        }
    }
    load->Answer({nullptr, QStringLiteral("it did not load within %1 s")
                               .arg(static_cast<double>(timeLimit_.count()) / 1000.0)});
}
