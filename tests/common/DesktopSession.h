#pragma once

// A desktop of the test's own, made of the real programs an operator's desktop is made of: an X
// server (Xvfb) on a display number it finds free, optionally a window manager (openbox) on it, a
// private D-Bus session bus, and the program itself started on them from a throwaway program
// folder. Everything is stopped when its object goes; every wait is bounded.

#include "common/TempDir.h"

#include <QImage>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <sys/types.h>
#include <vector>

namespace DesktopSession {

// Whether a program of that name is on the PATH.
bool HasProgram(const QString& name);

// Why a test cannot run here: the first of the programs that is not installed; empty when all
// are there.
std::string MissingProgramReason(const QStringList& names);

// Waits for the condition, processing events, until it holds or the time is up.
bool WaitFor(const std::function<bool()>& condition,
             std::chrono::milliseconds limit = std::chrono::seconds(10));

} // namespace DesktopSession

// A program of the desktop, stopped (TERM, then KILL) when the object goes.
class TDesktopProcess {
public:
    TDesktopProcess() = default;
    TDesktopProcess(const TDesktopProcess&) = delete;
    TDesktopProcess& operator=(const TDesktopProcess&) = delete;
    ~TDesktopProcess();

    QProcess& Process() { return process_; }
    pid_t ProcessId() const { return static_cast<pid_t>(process_.processId()); }
    bool Start(const QString& program, const QStringList& arguments,
               const QProcessEnvironment& environment);
    // The first line the program writes to its standard output, within the time limit.
    std::optional<QString> FirstLine(std::chrono::milliseconds limit);
    void Stop();

private:
    QProcess process_;
};

// An X server of the test's own.
class TVirtualDisplay {
public:
    struct TWindow {
        qulonglong Id = 0;
        QRect Geometry; // the client area, on the screen
    };

    explicit TVirtualDisplay(QSize screen = QSize(1280, 1024));

    bool Started() const { return !name_.isEmpty(); }
    // ":<number>"
    const QString& Name() const { return name_; }
    QSize ScreenSize() const { return screen_; }

    // Starts openbox on the display and waits until it manages the screen.
    bool StartWindowManager();
    // Switches the screen to a mode of that size through RandR (xrandr), as a monitor set to
    // another resolution; Xvfb takes sizes up to the one it started with.
    bool ChangeMode(QSize size);

    // Runs an X tool against the display and returns its standard output (bounded in time).
    QString Tool(const QString& program, const QStringList& arguments) const;

    // The mapped windows whose title matches the pattern exactly, or of the class when the
    // pattern starts with "class=".
    std::vector<TWindow> VisibleWindows(const QString& pattern) const;
    // The window's client area on the screen, and its outer rectangle: the client area with
    // the frame the window manager announced.
    QRect ClientGeometry(qulonglong id) const;
    QRect OuterGeometry(qulonglong id) const;
    bool IsViewable(qulonglong id) const;

    void Click(QPoint at) const;
    void MoveCursor(QPoint at) const;
    QImage Screenshot() const;
    // What a program started on this X server alone sees: no Wayland and no session bus, its
    // home, state and cache in the folder given.
    QProcessEnvironment ProgramEnvironment(const TTempDir& home) const;
    // The X server's process, whose work for its clients a benchmark may count.
    pid_t ServerProcessId() const { return server_.ProcessId(); }

private:
    QSize screen_;
    QString name_;
    TDesktopProcess server_;
    TDesktopProcess windowManager_;
};

// A private D-Bus session bus.
class TSessionBus {
public:
    TSessionBus();
    bool Started() const { return !address_.isEmpty(); }
    const QString& Address() const { return address_; }

private:
    QString address_;
    TDesktopProcess daemon_;
};

// A Wayland compositor of the test's own: weston with no screen of its own, its socket in a
// runtime folder of its own.
class TWaylandCompositor {
public:
    TWaylandCompositor();

    bool Started() const { return !socket_.isEmpty(); }
    // The socket's full path, as WAYLAND_DISPLAY may give it.
    const QString& Socket() const { return socket_; }

private:
    TTempDir runtime_;
    QString socket_;
    TDesktopProcess compositor_;
};

// The real program, copied into a throwaway program folder beside its own .ini and started with
// a throwaway home, on the display and bus given.
class TProgramUnderTest {
public:
    TProgramUnderTest();
    ~TProgramUnderTest();

    const TTempDir& Folder() const { return folder_; }
    const TTempDir& Home() const { return home_; }
    QString Executable() const;
    std::string Ini() const { return folder_.File("velmora.ini"); }
    // The per-user settings key file.
    std::string SettingsFile() const;
    // Writes a DWORD value into the settings key before the start.
    void SetOption(const char* name, int value) const;

    QProcessEnvironment Environment(const TVirtualDisplay* display, const TSessionBus* bus) const;
    // Starts one instance; more may be started, each is its own process.
    QProcess& Start(const QProcessEnvironment& environment,
                    QProcess::ProcessChannelMode channels = QProcess::ForwardedErrorChannel);
    QProcess& Start(const TVirtualDisplay* display, const TSessionBus* bus);

    // The program's main window on the display (its hints and message boxes carry the same
    // title, not its size).
    static std::vector<TVirtualDisplay::TWindow> MainWindows(const TVirtualDisplay& display);

    // Waits for the instance to end and says whether it ended by itself with that exit code.
    static bool EndsWith(QProcess& process, int exitCode,
                         std::chrono::milliseconds limit = std::chrono::seconds(20));

private:
    TTempDir folder_;
    TTempDir home_;
    std::vector<std::unique_ptr<QProcess>> runs_;
};
