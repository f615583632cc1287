#include "display/KioskSession.h"

#include "display/ErrorRelay.h"
#include "display/KioskPrerequisites.h"
#include "display/KioskUnit.h"
#include "display/ServiceNotifier.h"
#include "platform/Descriptor.h"
#include "platform/FileIo.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <optional>
#include <poll.h>
#include <set>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using TSteadyClock = std::chrono::steady_clock;

// Signals that stop the session, passed on to the compositor; SIGABRT is the watchdog's.
constexpr int StopSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGABRT};
// How long the compositor has to end after a stop is passed on, and what is left below the
// session after SIGTERM, before they are killed.
constexpr std::chrono::milliseconds EndLimit{5000};
constexpr const char* RendererVariable = "WLR_RENDERER";
constexpr const char* SoftwareRenderer = "pixman";
// In the state folder while the software renderer is chosen.
constexpr const char* SoftwareRendererMark = "/software-renderer";

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
// session's, the watchdog no longer names the session's process, and the renderer is wlroots'
// software one when it was chosen.
std::vector<std::string> ClientEnvironment(const std::string& notifySocket, bool softwareRenderer) {
    std::vector<std::string> environment;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        const std::string_view assignment(*variable);
        if (!assignment.starts_with("NOTIFY_SOCKET=") && !assignment.starts_with("WATCHDOG_PID="))
            environment.emplace_back(assignment);
    }
    environment.push_back("NOTIFY_SOCKET=" + notifySocket);
    if (softwareRenderer && std::getenv(RendererVariable) == nullptr)
        environment.push_back(std::string(RendererVariable) + "=" + SoftwareRenderer);
    return environment;
}

std::vector<char*> Pointers(std::vector<std::string>& words) {
    std::vector<char*> pointers;
    for (std::string& word : words)
        pointers.push_back(word.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Starts the command with the signal mask it should have and its standard error on the
// descriptor. The child is sent SIGTERM when this process ends, however it ends. Throws when
// the command cannot be run.
pid_t Spawn(std::vector<std::string> command, std::vector<std::string> environment,
            const sigset_t& mask, int errors) {
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
        if (::getppid() != parent || ::dup2(errors, STDERR_FILENO) < 0)
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
// READY=1, WATCHDOG=1 and STATUS=, from a process of this session's user. False when none
// waits; notes READY=1 in ready.
bool PassOn(int socket, const TServiceNotifier& manager, bool& ready) {
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
        if (line == "READY=1") {
            manager.Ready();
            ready = true;
        } else if (line == "WATCHDOG=1") {
            manager.WatchdogPing();
        } else if (line.starts_with("STATUS=")) {
            manager.Status(std::string(line.substr(7)));
        }
    }
    return true;
}

int ExitStatus(int status, bool stopped) {
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    return stopped ? 0 : 128 + WTERMSIG(status);
}

bool IsStopSignal(int number) {
    return std::find(std::begin(StopSignals), std::end(StopSignals), number) !=
           std::end(StopSignals);
}

int MillisecondsUntil(TSteadyClock::time_point deadline) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - TSteadyClock::now()).count();
    return static_cast<int>(std::max<decltype(left)>(left, 0));
}

// The processes directly below a single-threaded process: below the session, the compositor
// and what it left, which comes to the session as its subreaper.
std::vector<pid_t> Children(pid_t parent) {
    std::ifstream file("/proc/" + std::to_string(parent) + "/task/" + std::to_string(parent) +
                       "/children");
    std::vector<pid_t> children;
    for (pid_t pid = 0; file >> pid;)
        children.push_back(pid);
    return children;
}

void Terminate(pid_t process) {
    ::kill(process, SIGTERM);
    // One that was stopped (a hung display stopped to look at) ends only when it runs on.
    ::kill(process, SIGCONT);
}

// Stops the compositor in order: its clients end (the display and XWayland), and cage ends once
// its client is gone; SIGTERM to cage itself makes Debian's abort on an assertion.
void StopCompositor(pid_t compositor) {
    const std::vector<pid_t> clients = Children(compositor);
    if (clients.empty())
        Terminate(compositor);
    for (const pid_t client : clients)
        Terminate(client);
}

struct TOutcome {
    int Status = 0;
    bool Ready = false;
    bool Stopped = false;
    std::string Errors;
};

// One run of the compositor, to its end and that of everything below it: what the session
// waits on while it runs, and what came of it.
class TCompositorRun {
public:
    TCompositorRun(int signals, int notifySocket, const TServiceNotifier& manager)
        : signals_(signals), notifySocket_(notifySocket), manager_(manager) {}

    TOutcome Run(const std::vector<std::string>& command,
                 const std::vector<std::string>& environment, const sigset_t& childMask) {
        const pid_t child = Spawn(command, environment, childMask, errors_.WriteEnd());
        errors_.CloseWriteEnd();
        std::optional<TSteadyClock::time_point> killAt;
        for (bool ended = false; !ended;) {
            const int number = Await(killAt ? MillisecondsUntil(*killAt) : -1);
            if (outcome_.Ready)
                errors_.StopKeeping();
            if (IsStopSignal(number) && !outcome_.Stopped) {
                StopCompositor(child);
                outcome_.Stopped = true;
                killAt = TSteadyClock::now() + EndLimit;
            } else if (killAt && TSteadyClock::now() >= *killAt) {
                ::kill(child, SIGKILL);
                killAt.reset();
            }
            int status = 0;
            for (pid_t pid = 0; (pid = ::waitpid(-1, &status, WNOHANG)) > 0;) {
                if (pid == child) {
                    outcome_.Status = ExitStatus(status, outcome_.Stopped);
                    ended = true;
                }
            }
        }
        // What the display said before the end still counts.
        while (PassOn(notifySocket_, manager_, outcome_.Ready)) {
        }
        outcome_.Errors = errors_.Kept();
        EndDescendants();
        return outcome_;
    }

private:
    // Waits for a signal or output, up to the time given (-1: no limit), passing output on.
    // Returns the signal taken, or 0.
    int Await(int timeoutMs) {
        pollfd waits[] = {
            {signals_, POLLIN, 0}, {errors_.ReadEnd(), POLLIN, 0}, {notifySocket_, POLLIN, 0}};
        if (::poll(waits, std::size(waits), timeoutMs) < 0 && errno != EINTR)
            throw EKioskError(SystemError("Cannot wait for the compositor", errno));
        if ((waits[1].revents & (POLLIN | POLLHUP)) != 0)
            errors_.Drain();
        if ((waits[2].revents & POLLIN) != 0)
            PassOn(notifySocket_, manager_, outcome_.Ready);
        signalfd_siginfo signal{};
        if ((waits[0].revents & POLLIN) == 0 ||
            ::read(signals_, &signal, sizeof signal) != sizeof signal)
            return 0;
        return static_cast<int>(signal.ssi_signo);
    }

    // Ends whatever the compositor left below the session: SIGTERM, then SIGKILL after the
    // limit. Only a process stuck in the kernel outlives that.
    void EndDescendants() {
        const auto killAt = TSteadyClock::now() + EndLimit;
        const auto giveUpAt = killAt + EndLimit;
        std::set<pid_t> asked;
        for (;;) {
            while (::waitpid(-1, nullptr, WNOHANG) > 0) {
            }
            const std::vector<pid_t> children = Children(::getpid());
            if (children.empty())
                return;
            const auto now = TSteadyClock::now();
            if (now >= giveUpAt) {
                std::fprintf(stderr,
                             "velmora-display: %zu processes of the kiosk session do not end\n",
                             children.size());
                return;
            }
            for (const pid_t child : children) {
                if (now >= killAt) {
                    ::kill(child, SIGKILL);
                } else if (asked.insert(child).second) {
                    Terminate(child);
                }
            }
            Await(MillisecondsUntil(now >= killAt ? giveUpAt : killAt));
        }
    }

    const int signals_;
    const int notifySocket_;
    const TServiceNotifier& manager_;
    TErrorRelay errors_;
    TOutcome outcome_;
};

} // namespace

TKioskSession::TKioskSession(std::vector<std::string> command, std::string stateFolder)
    : command_(std::move(command)), stateFolder_(std::move(stateFolder)) {}

int TKioskSession::Run() {
    KioskSession::TurnConsoleBlankingOff(STDIN_FILENO);
    // What the compositor leaves when it ends comes to the session, which ends it.
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
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

    bool softwareRenderer = SoftwareRendererChosen();
    for (;;) {
        const TOutcome outcome =
            TCompositorRun(signals.Get(), socket.Get(), manager)
                .Run(command_, ClientEnvironment(socketName, softwareRenderer), previous);
        if (softwareRenderer || outcome.Ready || outcome.Stopped ||
            !KioskSession::RendererFailed(outcome.Status, outcome.Errors)) {
            std::fprintf(stderr, "velmora-display: %s ended with exit status %d\n",
                         command_[0].c_str(), outcome.Status);
            return outcome.Status;
        }
        softwareRenderer = true;
        ChooseSoftwareRenderer(outcome.Status);
    }
}

bool TKioskSession::SoftwareRendererChosen() const {
    // A renderer the administrator chose stays.
    return std::getenv(RendererVariable) != nullptr ||
           (!stateFolder_.empty() && FileIo::Exists(stateFolder_ + SoftwareRendererMark));
}

void TKioskSession::ChooseSoftwareRenderer(int exitStatus) const {
    const bool kept =
        !stateFolder_.empty() && FileIo::WriteAtomically(stateFolder_ + SoftwareRendererMark, "");
    std::fprintf(stderr,
                 "velmora-display: %s failed to render with the GPU before the display was up "
                 "(exit status %d); it runs with wlroots' software renderer (%s=%s) %s\n",
                 command_[0].c_str(), exitStatus, RendererVariable, SoftwareRenderer,
                 kept ? "until the next boot" : "from now on");
}

namespace KioskSession {

std::vector<std::string> Command(const std::string& executable,
                                 const std::vector<std::string>& arguments) {
    std::vector<std::string> command{KioskPrerequisites::Compositor, "-d", "--", executable};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return command;
}

bool RendererFailed(int exitStatus, std::string_view errors) {
    for (const int fault : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGTRAP}) {
        if (exitStatus == 128 + fault)
            return true;
    }
    for (const std::string_view word : {"EGL", "GBM", "DRI2", "DRI3", "MESA-LOADER", "renderer"}) {
        if (errors.find(word) != std::string_view::npos)
            return true;
    }
    return false;
}

void TurnConsoleBlankingOff(int fd) {
    // The Linux console's private sequences: blank after 0 minutes, power down after 0 minutes.
    static constexpr std::string_view Never = "\033[9;0]\033[14;0]";
    if (::isatty(fd) == 1) {
        [[maybe_unused]] const auto written = ::write(fd, Never.data(), Never.size());
    }
}

} // namespace KioskSession
