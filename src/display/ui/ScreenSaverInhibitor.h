#pragma once

#include <QDBusConnection>

class QWidget;

// Keeps the screen saver and the screen's blanking away while the display runs: through the
// session's org.freedesktop.ScreenSaver D-Bus service where one answers, else by suspending the
// X server's screen saver (which holds its power saving too). Released when destroyed.
class TScreenSaverInhibitor {
public:
    enum class TWay { None, SessionService, XServer };

    // The bus is the session's unless a test gives one of its own.
    explicit TScreenSaverInhibitor(QDBusConnection bus = QDBusConnection::sessionBus());
    ~TScreenSaverInhibitor();
    TScreenSaverInhibitor(const TScreenSaverInhibitor&) = delete;
    TScreenSaverInhibitor& operator=(const TScreenSaverInhibitor&) = delete;

    TWay Way() const { return way_; }

private:
    bool InhibitThroughSession();
    bool SuspendXScreenSaver(bool suspend);

    QDBusConnection bus_;
    TWay way_ = TWay::None;
    unsigned cookie_ = 0;
};
