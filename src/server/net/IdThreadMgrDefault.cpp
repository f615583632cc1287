#include "IdThreadMgrDefault.h"

#include "IdPeerThread.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

TIdThreadMgrDefault::~TIdThreadMgrDefault() {
    TerminateAllOrAbort(2000);
}

void TIdThreadMgrDefault::TerminateAllOrAbort(int waitMilliseconds) {
    if (TerminateAll(waitMilliseconds))
        return;
    std::fputs("velmora: a connection worker did not end and would outlive its server\n", stderr);
    std::abort();
}

TIdPeerThread*
TIdThreadMgrDefault::CreateThread(TIdTCPServer& server,
                                  std::unique_ptr<TIdTCPServerConnection> connection) {
    std::unique_ptr<TIdPeerThread> thread(new TIdPeerThread(server, *this, std::move(connection)));
    std::lock_guard lock(mutex_);
    threads_.push_back(std::move(thread));
    return threads_.back().get();
}

void TIdThreadMgrDefault::StartThread(TIdPeerThread* thread) {
    thread->thread_ = std::thread([this, thread] {
        thread->Run();
        ThreadEnded(thread);
    });
}

void TIdThreadMgrDefault::DiscardThread(TIdPeerThread* thread) {
    std::lock_guard lock(mutex_);
    std::erase_if(threads_, [thread](const auto& t) { return t.get() == thread; });
}

void TIdThreadMgrDefault::HandBack(TIdPeerThread* thread) {
    std::lock_guard lock(mutex_);
    thread->handedBack_ = true;
}

void TIdThreadMgrDefault::ThreadEnded(TIdPeerThread* thread) {
    std::lock_guard lock(mutex_);
    thread->ended_ = true;
    endedSignal_.notify_all();
}

void TIdThreadMgrDefault::ReapFinished() {
    std::vector<std::unique_ptr<TIdPeerThread>> finished;
    {
        std::lock_guard lock(mutex_);
        for (auto& t : threads_) {
            if (t->ended_)
                finished.push_back(std::move(t));
        }
        std::erase(threads_, nullptr);
    }
    // Destroying a worker joins its thread, which has already left its function.
    finished.clear();
}

size_t TIdThreadMgrDefault::LiveCount() {
    std::lock_guard lock(mutex_);
    return static_cast<size_t>(
        std::count_if(threads_.begin(), threads_.end(), [](const auto& t) { return !t->ended_; }));
}

bool TIdThreadMgrDefault::TerminateAll(int waitMilliseconds) {
    std::unique_lock lock(mutex_);
    for (const auto& t : threads_) {
        if (!t->handedBack_) {
            t->Terminate();
            t->Connection()->CloseConnection();
        }
    }
    const bool allEnded =
        endedSignal_.wait_for(lock, std::chrono::milliseconds(waitMilliseconds), [this] {
            return std::all_of(threads_.begin(), threads_.end(),
                               [](const auto& t) { return t->ended_; });
        });
    lock.unlock();
    ReapFinished();
    return allEnded;
}
