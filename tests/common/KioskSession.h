#pragma once

// A kiosk of the test's own, as a display is set up in the field: Debian's cage on its headless
// backend with software rendering, running one program as a normal user, and grim to read what
// its output shows. Everything is stopped when its object goes; every wait is bounded.

#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <sys/types.h>

// The normal user a kiosk runs as: the test's own, or for root (as CI runs) an account made for
// kiosk tests with useradd on the first run and kept for the next ones, since tests running side
// by side may be using it.
class TKioskUser {
public:
    // Nothing when root cannot make the account.
    static std::optional<TKioskUser> Find();

    // Hands the folder and everything in it to the user.
    void Own(const std::string& folder) const;
    // Makes the process run as the user from its start (nothing when that is the test's own).
    void RunAs(QProcess& process) const;

private:
    TKioskUser(uid_t uid, gid_t gid, bool other) : uid_(uid), gid_(gid), other_(other) {}

    uid_t uid_;
    gid_t gid_;
    bool other_; // not the test's own user
};

class TCageKiosk {
public:
    // cage's headless output
    static constexpr int OutputWidth = 1280;
    static constexpr int OutputHeight = 720;

    // Why a kiosk cannot run here (cage, grim, XWayland when asked for, or a user to run as
    // missing); empty when it can.
    static std::string MissingReason(bool xwayland);

    // The kiosk's runtime folder and home lie in the folder, which the user is given at the start.
    TCageKiosk(TKioskUser user, std::string folder);
    TCageKiosk(const TCageKiosk&) = delete;
    TCageKiosk& operator=(const TCageKiosk&) = delete;
    ~TCageKiosk();

    // The environment the program runs in: its home, state and configuration in the kiosk's home,
    // no session bus, Wayland only (QT_QPA_PLATFORM=xcb takes it through XWayland).
    QProcessEnvironment Environment() const;
    std::string Home() const { return folder_ + "/home"; }

    // Starts cage with the program as its one client; false when cage does not start.
    bool Start(const QString& program, const QStringList& arguments,
               const QProcessEnvironment& environment);
    // What the output shows, read with grim; null when it cannot be read.
    QImage Output() const;
    // What cage and the program wrote to standard error so far.
    QByteArray Errors();
    // Ends the program, which ends cage; cage itself if it does not end.
    void Stop();

private:
    const TKioskUser user_;
    const std::string folder_;
    QString program_;
    QProcess cage_;
    QByteArray errors_;
};
