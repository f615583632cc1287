#include "SignalWatcher.h"

#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The write end, for the signal handler: writing one byte is all it may safely do.
volatile std::sig_atomic_t signalFd = -1;

extern "C" void OnTerminationSignal(int) {
    const char byte = 1;
    if (signalFd >= 0) [[maybe_unused]]
        const auto written = ::write(signalFd, &byte, 1);
}

} // namespace

TSignalWatcher::TSignalWatcher(QObject* parent) : QObject(parent) {
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pair) != 0)
        return;
    readEnd_ = TSocketHandle(pair[0]);
    writeEnd_ = TSocketHandle(pair[1]);
    signalFd = writeEnd_.Get();
    notifier_ = new QSocketNotifier(readEnd_.Get(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char buffer[16];
        while (::read(readEnd_.Get(), buffer, sizeof buffer) > 0) {
        }
        emit terminationRequested();
    });
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    // The terminal or the session going away ends the program as a logout does.
    ::sigaction(SIGHUP, &action, nullptr);
}

TSignalWatcher::~TSignalWatcher() {
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGHUP, SIG_DFL);
    signalFd = -1;
}
