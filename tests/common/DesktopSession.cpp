#include "common/DesktopSession.h"

#include "common/CheckoutPaths.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <cstdio>
#include <fstream>

namespace {

constexpr std::chrono::milliseconds ToolLimit(10000);

} // namespace

namespace DesktopSession {

bool HasProgram(const QString& name) {
    return !QStandardPaths::findExecutable(name).isEmpty();
}

std::string MissingProgramReason(const QStringList& names) {
    for (const QString& name : names) {
        if (!HasProgram(name))
            return name.toStdString() + " is not installed (tools/setup.sh)";
    }
    return {};
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const QDeadlineTimer deadline(limit);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return true;
}

} // namespace DesktopSession

TDesktopProcess::~TDesktopProcess() {
    Stop();
}

bool TDesktopProcess::Start(const QString& program, const QStringList& arguments,
                            const QProcessEnvironment& environment) {
    process_.setProcessEnvironment(environment);
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.start(program, arguments);
    return process_.waitForStarted(5000);
}

std::optional<QString> TDesktopProcess::FirstLine(std::chrono::milliseconds limit) {
    const QDeadlineTimer deadline(limit);
    while (!process_.canReadLine()) {
        if (deadline.hasExpired() || process_.state() != QProcess::Running)
            return std::nullopt;
        process_.waitForReadyRead(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1)));
    }
    return QString::fromLocal8Bit(process_.readLine()).trimmed();
}

void TDesktopProcess::Stop() {
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.terminate();
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

TVirtualDisplay::TVirtualDisplay(QSize screen) : screen_(screen) {
    const QString geometry = QStringLiteral("%1x%2x24").arg(screen.width()).arg(screen.height());
    // A number found free, far from the low ones other servers of the machine take first and
    // different for each test process; Xvfb writes it to the descriptor given, here its standard
    // output, once it accepts connections, and ends when the number was taken after all. It must
    // not reset when its last client goes: the tools that look at the screen come and go, and a
    // program connecting during a reset is refused.
    const int first = 1000 + static_cast<int>(QCoreApplication::applicationPid() % 400) * 10;
    for (int number = first; number < first + 64; ++number) {
        if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)))
            continue;
        const QString display = QStringLiteral(":%1").arg(number);
        if (!server_.Start(QStringLiteral("Xvfb"),
                           {display, "-displayfd", "1", "-screen", "0", geometry, "-nolisten",
                            "tcp", "-noreset"},
                           QProcessEnvironment::systemEnvironment()))
            return;
        if (server_.FirstLine(ToolLimit) == QString::number(number)) {
            name_ = display;
            return;
        }
        server_.Stop();
    }
}

bool TVirtualDisplay::StartWindowManager() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", name_);
    if (!windowManager_.Start(QStringLiteral("openbox"), {"--sm-disable"}, environment))
        return false;
    // A window manager announces itself on the root window once it manages the screen.
    if (DesktopSession::WaitFor([this] {
            return Tool("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id");
        }))
        return true;
    QProcess& openbox = windowManager_.Process();
    QProcess& xvfb = server_.Process();
    std::fprintf(stderr, "openbox on %s did not start (%s): %s%s\nXvfb (%s): %s\n",
                 qPrintable(name_), openbox.state() == QProcess::Running ? "running" : "ended",
                 openbox.readAllStandardOutput().constData(),
                 openbox.readAllStandardError().constData(),
                 xvfb.state() == QProcess::Running ? "running" : "ended",
                 xvfb.readAllStandardError().constData());
    return false;
}

bool TVirtualDisplay::ChangeMode(QSize size) {
    // Xvfb's one output takes a mode only once it knows it; the timings do not matter to it.
    const QString name = QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
    const QString width = QString::number(size.width());
    const QString height = QString::number(size.height());
    Tool("xrandr",
         {"--newmode", name, "60", width, width, width, width, height, height, height, height});
    Tool("xrandr", {"--addmode", "screen", name});
    Tool("xrandr", {"--output", "screen", "--mode", name});
    if (!Tool("xrandr", {}).contains(QStringLiteral("current %1 x %2").arg(width, height)))
        return false;
    screen_ = size;
    return true;
}

QString TVirtualDisplay::Tool(const QString& program, const QStringList& arguments) const {
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", name_);
    tool.setProcessEnvironment(environment);
    tool.start(program, arguments);
    if (!tool.waitForFinished(static_cast<int>(ToolLimit.count()))) {
        tool.kill();
        tool.waitForFinished();
        return {};
    }
    return QString::fromLocal8Bit(tool.readAllStandardOutput());
}

std::vector<TVirtualDisplay::TWindow>
TVirtualDisplay::VisibleWindows(const QString& pattern) const {
    QStringList arguments{"search", "--onlyvisible"};
    if (pattern.startsWith("class="))
        arguments << "--class" << pattern.mid(6);
    else
        arguments << "--name" << QStringLiteral("^%1$").arg(pattern);
    std::vector<TWindow> windows;
    for (const QString& line : Tool("xdotool", arguments).split('\n', Qt::SkipEmptyParts)) {
        bool ok = false;
        const qulonglong id = line.trimmed().toULongLong(&ok);
        if (!ok || !IsViewable(id))
            continue;
        windows.push_back({id, ClientGeometry(id)});
    }
    return windows;
}

QRect TVirtualDisplay::ClientGeometry(qulonglong id) const {
    const QString info = Tool("xwininfo", {"-id", QString::number(id)});
    const auto number = [&info](const char* label) {
        const QRegularExpression rule(QStringLiteral("%1:\\s*(-?\\d+)").arg(label));
        return rule.match(info).captured(1).toInt();
    };
    return QRect(number("Absolute upper-left X"), number("Absolute upper-left Y"), number("Width"),
                 number("Height"));
}

QRect TVirtualDisplay::OuterGeometry(qulonglong id) const {
    const QRect client = ClientGeometry(id);
    // "_NET_FRAME_EXTENTS(CARDINAL) = left, right, top, bottom"
    const QString extents = Tool("xprop", {"-id", QString::number(id), "_NET_FRAME_EXTENTS"});
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("=\\s*(\\d+),\\s*(\\d+),\\s*(\\d+),\\s*(\\d+)"))
            .match(extents);
    if (!m.hasMatch())
        return client;
    return client.adjusted(-m.captured(1).toInt(), -m.captured(3).toInt(), m.captured(2).toInt(),
                           m.captured(4).toInt());
}

bool TVirtualDisplay::IsViewable(qulonglong id) const {
    return Tool("xwininfo", {"-id", QString::number(id)}).contains("IsViewable");
}

// Never with xdotool's --sync: it waits for a motion, which never comes when the cursor is on the
// spot already. The server handles the motion and the click in the order they were sent.
void TVirtualDisplay::Click(QPoint at) const {
    Tool("xdotool", {"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"});
}

void TVirtualDisplay::MoveCursor(QPoint at) const {
    Tool("xdotool", {"mousemove", QString::number(at.x()), QString::number(at.y())});
}

QImage TVirtualDisplay::Screenshot() const {
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", name_);
    tool.setProcessEnvironment(environment);
    tool.start("import", {"-window", "root", "png:-"});
    if (!tool.waitForFinished(static_cast<int>(ToolLimit.count())))
        return {};
    return QImage::fromData(tool.readAllStandardOutput(), "PNG");
}

QProcessEnvironment TVirtualDisplay::ProgramEnvironment(const TTempDir& home) const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "QT_QPA_PLATFORM"})
        environment.remove(name);
    environment.insert("DISPLAY", name_);
    environment.insert("HOME", QString::fromStdString(home.Path()));
    environment.insert("XDG_STATE_HOME", QString::fromStdString(home.File("state")));
    environment.insert("XDG_CACHE_HOME", QString::fromStdString(home.File("cache")));
    environment.insert("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    return environment;
}

TSessionBus::TSessionBus() {
    if (!daemon_.Start(QStringLiteral("dbus-daemon"),
                       {"--session", "--nofork", "--nopidfile", "--print-address=1"},
                       QProcessEnvironment::systemEnvironment()))
        return;
    if (const auto address = daemon_.FirstLine(ToolLimit))
        address_ = *address;
}

TWaylandCompositor::TWaylandCompositor() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    std::filesystem::permissions(runtime_.Path(), std::filesystem::perms::owner_all);
    environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime_.Path()));
    environment.remove("WAYLAND_DISPLAY");
    environment.remove("DISPLAY");
    if (!compositor_.Start(QStringLiteral("weston"),
                           {"--backend=headless-backend.so", "--socket=wayland-test",
                            "--idle-time=0", "--no-config"},
                           environment))
        return;
    const QString socket = QString::fromStdString(runtime_.File("wayland-test"));
    if (DesktopSession::WaitFor([&] { return QFile::exists(socket); }))
        socket_ = socket;
}

TProgramUnderTest::TProgramUnderTest() {
    QFile::copy(QString::fromStdString(CheckoutPaths::BuildFile(VELMORA_PROGRAM)), Executable());
}

TProgramUnderTest::~TProgramUnderTest() {
    for (const auto& run : runs_) {
        if (run->state() == QProcess::NotRunning)
            continue;
        run->kill();
        run->waitForFinished(5000);
    }
}

QString TProgramUnderTest::Executable() const {
    return QString::fromStdString(folder_.File("velmora"));
}

std::string TProgramUnderTest::SettingsFile() const {
    return home_.File(".config/Quillbrook/Velmora/settings.reg");
}

void TProgramUnderTest::SetOption(const char* name, int value) const {
    // The registry export text the settings key is kept in; written whole before the start.
    std::filesystem::create_directories(home_.File(".config/Quillbrook/Velmora"));
    std::ifstream in(SettingsFile());
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.empty())
        text = "Windows Registry Editor Version 5.00\r\n\r\n"
               "[HKEY_CURRENT_USER\\SoftWare\\Quillbrook\\Velmora]\r\n";
    char line[128];
    std::snprintf(line, sizeof line, "\"%s\"=dword:%08x\r\n", name, static_cast<unsigned>(value));
    std::ofstream(SettingsFile(), std::ios::trunc) << text << line;
}

QProcessEnvironment TProgramUnderTest::Environment(const TVirtualDisplay* display,
                                                   const TSessionBus* bus) const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "XDG_CURRENT_DESKTOP",
                             "DBUS_SESSION_BUS_ADDRESS", "DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(name);
    environment.insert("HOME", QString::fromStdString(home_.Path()));
    environment.insert("XDG_CONFIG_HOME", QString::fromStdString(home_.File(".config")));
    std::filesystem::create_directories(home_.File("runtime"));
    std::filesystem::permissions(home_.File("runtime"), std::filesystem::perms::owner_all);
    environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(home_.File("runtime")));
    if (display != nullptr)
        environment.insert("DISPLAY", display->Name());
    else
        environment.insert("QT_QPA_PLATFORM", "offscreen");
    // Without a bus of the test's own the program must not find the machine's.
    environment.insert("DBUS_SESSION_BUS_ADDRESS",
                       bus != nullptr ? bus->Address() : QStringLiteral("disabled:"));
    return environment;
}

QProcess& TProgramUnderTest::Start(const QProcessEnvironment& environment,
                                   QProcess::ProcessChannelMode channels) {
    runs_.push_back(std::make_unique<QProcess>());
    QProcess& run = *runs_.back();
    run.setProcessEnvironment(environment);
    run.setProcessChannelMode(channels);
    run.start(Executable(), {});
    run.waitForStarted(5000);
    return run;
}

QProcess& TProgramUnderTest::Start(const TVirtualDisplay* display, const TSessionBus* bus) {
    return Start(Environment(display, bus));
}

std::vector<TVirtualDisplay::TWindow>
TProgramUnderTest::MainWindows(const TVirtualDisplay& display) {
    std::vector<TVirtualDisplay::TWindow> windows = display.VisibleWindows("Velmora");
    std::erase_if(windows, [](const TVirtualDisplay::TWindow& window) {
        return window.Geometry.size() != QSize(802, 602);
    });
    return windows;
}

bool TProgramUnderTest::EndsWith(QProcess& process, int exitCode, std::chrono::milliseconds limit) {
    if (process.state() != QProcess::NotRunning &&
        !DesktopSession::WaitFor([&] { return process.state() == QProcess::NotRunning; }, limit))
        return false;
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == exitCode;
}
