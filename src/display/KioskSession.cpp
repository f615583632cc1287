#include "display/KioskSession.h"

#include "display/KioskUnit.h"
#include "display/ServiceNotifier.h"
#include "platform/Descriptor.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string_view>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr const char* Compositor = "/usr/bin/cage";
// Signals that stop the session, passed on to the compositor.
constexpr int StopSignals[] = {SIGTERM, SIGINT, SIGHUP};

std::string SystemError(const std::string& what, int error) {
    return what + ": " + std::strerror(error);
}

// A datagram socket in the abstract namespace ("@name"), told the sender of each datagram.
TDescriptor BindNotifySocket(const std::string& name) {
    TDescriptor socket(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    name.copy(address.sun_path + 1, sizeof address.sun_path - 1, 1);
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size());
    const int on = 1;
    if (!socket.Valid() ||
        ::setsockopt(socket.Get(), SOL_SOCKET, SO_PASSCRED, &on, sizeof on) != 0 ||
        ::bind(socket.Get(), reinterpret_cast<const sockaddr*>(&address), length) != 0)
        throw EKioskError(SystemError("Cannot make the display's notify socket " + name, errno));
    return socket;
}

// The session's environment for the compositor and the display: the notify socket is the
// session's, and the watchdog no longer names the session's process.
std::vector<std::string> ClientEnvironment(const std::string& notifySocket) {
    std::vector<std::string> environment;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        const std::string_view assignment(*variable);
        if (!assignment.starts_with("NOTIFY_SOCKET=") && !assignment.starts_with("WATCHDOG_PID="))
            environment.emplace_back(assignment);
    }
    environment.push_back("NOTIFY_SOCKET=" + notifySocket);
    return environment;
}

std::vector<char*> Pointers(std::vector<std::string>& words) {
    std::vector<char*> pointers;
    for (std::string& word : words)
        pointers.push_back(word.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Starts the command with the signal mask it should have. The child is sent SIGTERM when this
// process ends, however it ends. Throws when the command cannot be run.
pid_t Spawn(std::vector<std::string> command, std::vector<std::string> environment,
            const sigset_t& mask) {
    const std::vector<char*> argv = Pointers(command);
    const std::vector<char*> envp = Pointers(environment);
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        throw EKioskError(SystemError("Cannot start " + command[0], errno));
    TDescriptor reportRead(report[0]);
    TDescriptor reportWrite(report[1]);
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(127);
        ::sigprocmask(SIG_SETMASK, &mask, nullptr);
        ::execve(argv[0], argv.data(), envp.data());
        const int error = errno;
        [[maybe_unused]] const auto written = ::write(reportWrite.Get(), &error, sizeof error);
        ::_exit(127);
    }
    if (child < 0)
        throw EKioskError(SystemError("Cannot start " + command[0], errno));
    reportWrite.Close();
    // Nothing to read once the command runs: the pipe closed on its exec.
    int error = 0;
    if (::read(reportRead.Get(), &error, sizeof error) == sizeof error) {
        ::waitpid(child, nullptr, 0);
        throw EKioskError(SystemError("Cannot start " + command[0], error));
    }
    return child;
}

// Takes one datagram from the socket, if one waits, and passes on what the display may say:
// READY=1, WATCHDOG=1 and STATUS=, from a process of this session's user. False when none waits.
bool PassOn(int socket, const TServiceNotifier& manager) {
    char text[4096];
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(ucred))];
    iovec part{text, sizeof text};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t size = ::recvmsg(socket, &message, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
    if (size < 0)
        return false;
    const cmsghdr* header = CMSG_FIRSTHDR(&message);
    ucred sender{};
    if (header == nullptr || header->cmsg_level != SOL_SOCKET ||
        header->cmsg_type != SCM_CREDENTIALS)
        return true;
    std::memcpy(&sender, CMSG_DATA(header), sizeof sender);
    if (sender.uid != ::getuid())
        return true;
    std::string_view lines(text, static_cast<size_t>(size));
    while (!lines.empty()) {
        const size_t end = std::min(lines.find('\n'), lines.size());
        const std::string_view line = lines.substr(0, end);
        lines.remove_prefix(std::min(end + 1, lines.size()));
        if (line == "READY=1")
            manager.Ready();
        else if (line == "WATCHDOG=1")
            manager.WatchdogPing();
        else if (line.starts_with("STATUS="))
            manager.Status(std::string(line.substr(7)));
    }
    return true;
}

int ExitStatus(int status, bool stopped) {
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    return stopped ? 0 : 128 + WTERMSIG(status);
}

} // namespace

TKioskSession::TKioskSession(std::vector<std::string> command) : command_(std::move(command)) {}

int TKioskSession::Run() {
    KioskSession::TurnConsoleBlankingOff(STDIN_FILENO);
    const TServiceNotifier manager;
    sigset_t handled;
    ::sigemptyset(&handled);
    for (const int signal : StopSignals)
        ::sigaddset(&handled, signal);
    ::sigaddset(&handled, SIGCHLD);
    sigset_t previous;
    ::sigprocmask(SIG_BLOCK, &handled, &previous);
    const TDescriptor signals(::signalfd(-1, &handled, SFD_CLOEXEC));
    if (!signals.Valid())
        throw EKioskError(SystemError("Cannot wait for signals", errno));
    const std::string socketName = "@velmora-kiosk-" + std::to_string(::getpid());
    const TDescriptor socket = BindNotifySocket(socketName);
    const pid_t child = Spawn(command_, ClientEnvironment(socketName), previous);

    bool stopped = false;
    for (;;) {
        pollfd waits[] = {{socket.Get(), POLLIN, 0}, {signals.Get(), POLLIN, 0}};
        if (::poll(waits, 2, -1) < 0 && errno != EINTR)
            throw EKioskError(SystemError("Cannot wait for the compositor", errno));
        if ((waits[0].revents & POLLIN) != 0)
            PassOn(socket.Get(), manager);
        signalfd_siginfo signal{};
        if ((waits[1].revents & POLLIN) == 0 ||
            ::read(signals.Get(), &signal, sizeof signal) != sizeof signal)
            continue;
        const auto number = static_cast<int>(signal.ssi_signo);
        int status = 0;
        if (number != SIGCHLD) {
            ::kill(child, number);
            stopped = true;
        } else if (::waitpid(child, &status, WNOHANG) == child) {
            // What the display said before the end still counts.
            while (PassOn(socket.Get(), manager)) {
            }
            const int exitStatus = ExitStatus(status, stopped);
            std::fprintf(stderr, "velmora-display: %s ended with exit status %d\n",
                         command_[0].c_str(), exitStatus);
            return exitStatus;
        }
    }
}

namespace KioskSession {

std::vector<std::string> Command(const std::string& executable,
                                 const std::vector<std::string>& arguments) {
    std::vector<std::string> command{Compositor, "-d", "--", executable};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return command;
}

void TurnConsoleBlankingOff(int fd) {
    // The Linux console's private sequences: blank after 0 minutes, power down after 0 minutes.
    static constexpr std::string_view Never = "\033[9;0]\033[14;0]";
    if (::isatty(fd) == 1) {
        [[maybe_unused]] const auto written = ::write(fd, Never.data(), Never.size());
    }
}

} // namespace KioskSession
