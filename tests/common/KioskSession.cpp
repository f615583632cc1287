#include "common/KioskSession.h"

#include "common/DesktopSession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <csignal>
#include <filesystem>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* KioskAccount = "velmora-kiosk";
constexpr int ToolLimitMs = 10000;
// cage makes its socket in an empty runtime folder under the first name.
constexpr const char* SocketName = "wayland-0";

} // namespace

std::optional<TKioskUser> TKioskUser::Find() {
    if (::geteuid() != 0)
        return TKioskUser(::getuid(), ::getgid(), false);
    const auto account = []() -> std::optional<TKioskUser> {
        const passwd* entry = ::getpwnam(KioskAccount);
        if (entry == nullptr)
            return std::nullopt;
        return TKioskUser(entry->pw_uid, entry->pw_gid, true);
    };
    // XWayland run as the account makes its socket folder its own unless boot made it as root.
    if (::mkdir("/tmp/.X11-unix", 01777) == 0)
        ::chmod("/tmp/.X11-unix", 01777);
    if (const auto user = account())
        return user;
    // useradd run side by side by tests that start at once can hand out several uids for the
    // one name, one of them left behind on what its kiosk made (XWayland's socket folder).
    QLockFile lock("/run/velmora-kiosk-account.lock");
    if (!lock.tryLock(ToolLimitMs))
        return std::nullopt;
    if (const auto user = account())
        return user;
    QProcess add;
    add.start("useradd", {"--no-create-home", "--home-dir", "/nonexistent", "--shell",
                          "/usr/sbin/nologin", KioskAccount});
    add.waitForFinished(ToolLimitMs);
    // A test beside this one may have made it meanwhile, and this useradd then failed.
    return account();
}

void TKioskUser::Own(const std::string& folder) const {
    if (!other_)
        return;
    const auto give = [this](const std::filesystem::path& path) {
        if (::lchown(path.c_str(), uid_, gid_) != 0)
            throw std::runtime_error("cannot hand " + path.string() + " to the kiosk user");
    };
    give(folder);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        give(entry.path());
}

void TKioskUser::RunAs(QProcess& process) const {
    if (!other_)
        return;
    const uid_t uid = uid_;
    const gid_t gid = gid_;
    // In the child between fork and exec: system calls only.
    process.setChildProcessModifier([uid, gid] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
            ::_exit(127);
    });
}

std::string TCageKiosk::MissingReason(bool xwayland) {
    QStringList programs{"cage", "grim"};
    if (xwayland)
        programs << "Xwayland";
    if (std::string why = DesktopSession::MissingProgramReason(programs); !why.empty())
        return why;
    if (!TKioskUser::Find())
        return "no normal user to run the kiosk as (useradd failed)";
    return {};
}

TCageKiosk::TCageKiosk(TKioskUser user, std::string folder)
    : user_(user), folder_(std::move(folder)) {
    std::filesystem::create_directories(folder_ + "/runtime");
    std::filesystem::permissions(folder_ + "/runtime", std::filesystem::perms::owner_all);
    std::filesystem::create_directories(Home());
    cage_.setProcessChannelMode(QProcess::SeparateChannels);
}

TCageKiosk::~TCageKiosk() {
    Stop();
}

QProcessEnvironment TCageKiosk::Environment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"WAYLAND_DISPLAY", "DISPLAY", "XDG_SESSION_TYPE", "QT_QPA_PLATFORM",
                             "XDG_CURRENT_DESKTOP", "XAUTHORITY"})
        environment.remove(name);
    const QString home = QString::fromStdString(Home());
    environment.insert("HOME", home);
    environment.insert("XDG_CONFIG_HOME", home + "/config");
    environment.insert("XDG_STATE_HOME", home + "/state");
    environment.insert("XDG_CACHE_HOME", home + "/cache");
    environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(folder_ + "/runtime"));
    environment.insert("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    // No screen, no input devices, no GPU.
    environment.insert("WLR_BACKENDS", "headless");
    environment.insert("WLR_LIBINPUT_NO_DEVICES", "1");
    environment.insert("WLR_RENDERER", "pixman");
    return environment;
}

bool TCageKiosk::Start(const QString& program, const QStringList& arguments,
                       const QProcessEnvironment& environment) {
    const QString socket = QString::fromStdString(folder_ + "/runtime/" + SocketName);
    QFile::remove(socket); // left by a cage that was killed
    user_.Own(folder_);
    program_ = QFileInfo(program).canonicalFilePath();
    user_.RunAs(cage_);
    cage_.setProcessEnvironment(environment);
    cage_.setWorkingDirectory(QString::fromStdString(folder_));
    cage_.start("cage", QStringList{"--", program} + arguments);
    if (!cage_.waitForStarted(ToolLimitMs))
        return false;
    return DesktopSession::WaitFor(
               [&] { return QFile::exists(socket) || cage_.state() == QProcess::NotRunning; }) &&
           cage_.state() == QProcess::Running;
}

QImage TCageKiosk::Output() const {
    QProcess grim;
    user_.RunAs(grim);
    QProcessEnvironment environment;
    environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(folder_ + "/runtime"));
    environment.insert("WAYLAND_DISPLAY", SocketName);
    grim.setProcessEnvironment(environment);
    grim.start("grim", {"-"});
    if (!grim.waitForFinished(ToolLimitMs) || grim.exitCode() != 0)
        return {};
    return QImage::fromData(grim.readAllStandardOutput(), "PNG");
}

QByteArray TCageKiosk::Errors() {
    errors_ += cage_.readAllStandardError();
    return errors_;
}

void TCageKiosk::Stop() {
    if (cage_.state() == QProcess::NotRunning)
        return;
    // cage ends in order once its client is gone; a signal to cage itself may abort it.
    const QString cage = QString::number(cage_.processId());
    for (const QFileInfo& process :
         QDir("/proc").entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(process.filePath() + "/stat");
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid ...": the name may hold blanks, the rest follows its ')'.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> rest = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (rest.size() > 1 && rest[1] == cage.toLatin1() &&
            QFileInfo(process.filePath() + "/exe").canonicalFilePath() == program_)
            ::kill(process.fileName().toInt(), SIGTERM);
    }
    if (!cage_.waitForFinished(5000)) {
        cage_.kill();
        cage_.waitForFinished(5000);
    }
    Errors();
}
