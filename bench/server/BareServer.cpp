#include "BareServer.h"

#include <sys/socket.h>

TBareServer::TBareServer(TMode mode) : mode_(mode) {
    Sockets::CreateTcpSocket(listening_);
    Sockets::SetReuseAddress(listening_.Get());
    Sockets::Bind(listening_.Get(), "127.0.0.1", 0);
    Sockets::Listen(listening_.Get(), 64);
    Sockets::LocalPort(listening_.Get(), port_);
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

TBareServer::~TBareServer() {
    stop_ = true;
    acceptor_.join();
    {
        std::lock_guard lock(mutex_);
        for (auto& c : connections_)
            Sockets::ShutdownBoth(c->Get());
    }
    for (auto& w : workers_)
        w.join();
}

void TBareServer::AcceptLoop() {
    while (!stop_) {
        bool ready = false;
        Sockets::WaitReadable(listening_.Get(), 100, ready);
        if (!ready)
            continue;
        TSocketHandle accepted;
        if (Sockets::Accept(listening_.Get(), accepted) != 0)
            continue;
        std::lock_guard lock(mutex_);
        const int fd = accepted.Get();
        connections_.push_back(std::make_unique<TSocketHandle>(std::move(accepted)));
        workers_.emplace_back([this, fd] { Serve(fd); });
    }
}

void TBareServer::Serve(int fd) {
    char block[1505];
    for (;;) {
        size_t have = 0;
        while (have < sizeof block) {
            size_t got = 0;
            if (Sockets::Receive(fd, block + have, sizeof block - have, got) != 0 || got == 0)
                return;
            have += got;
        }
        size_t sent = 0;
        if (mode_ == TMode::Echo) {
            Sockets::Send(fd, block, sizeof block, sent);
            continue;
        }
        std::lock_guard lock(mutex_);
        for (auto& c : connections_)
            Sockets::Send(c->Get(), block, sizeof block, sent);
    }
}
