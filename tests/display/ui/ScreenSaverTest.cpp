// The display keeps the screen saver away through a session's org.freedesktop.ScreenSaver
// service, tested against a private D-Bus daemon with a service of the test's own on it.
#include "common/DesktopSession.h"
#include "display/ui/ScreenSaverInhibitor.h"

#include <QDBusConnection>
#include <QThread>
#include <gtest/gtest.h>
#include <mutex>

namespace {

// A screen saver service as a desktop session offers one; it records what it is asked.
class TScreenSaverService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    std::mutex Mutex;
    QStringList Calls;

public slots:
    uint Inhibit(const QString& application, const QString& reason) {
        std::lock_guard lock(Mutex);
        Calls << QStringLiteral("Inhibit %1: %2").arg(application, reason);
        return 42;
    }
    void UnInhibit(uint cookie) {
        std::lock_guard lock(Mutex);
        Calls << QStringLiteral("UnInhibit %1").arg(cookie);
    }
};

class ScreenSaverTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(bus.Started()) << "a private dbus-daemon"; }
    void TearDown() override {
        if (serviceThread.isRunning()) {
            serviceThread.quit();
            serviceThread.wait();
        }
    }
    // The service answers on a thread of its own, since the display's call waits for it.
    void OfferService() {
        service.moveToThread(&serviceThread);
        serviceThread.start();
        bool offered = false;
        QMetaObject::invokeMethod(
            &service,
            [&] {
                QDBusConnection connection = QDBusConnection::connectToBus(address, "service");
                offered = connection.registerObject("/org/freedesktop/ScreenSaver", &service,
                                                    QDBusConnection::ExportAllSlots) &&
                          connection.registerService("org.freedesktop.ScreenSaver");
            },
            Qt::BlockingQueuedConnection);
        ASSERT_TRUE(offered);
    }
    QStringList Calls() {
        std::lock_guard lock(service.Mutex);
        return service.Calls;
    }

    TSessionBus bus;
    const QString& address = bus.Address();
    TScreenSaverService service;
    QThread serviceThread;
};

TEST_F(ScreenSaverTest, TheSessionServiceKeepsItAwayUntilTheDisplayEnds) {
    OfferService();
    {
        TScreenSaverInhibitor inhibitor(QDBusConnection::connectToBus(address, "display"));
        EXPECT_EQ(inhibitor.Way(), TScreenSaverInhibitor::TWay::SessionService);
        EXPECT_EQ(Calls(), QStringList{"Inhibit velmora-display: Showing advertisements"});
    }
    EXPECT_EQ(Calls().value(1), QStringLiteral("UnInhibit 42"));
}

TEST_F(ScreenSaverTest, ABusWithoutTheServiceIsNoError) {
    TScreenSaverInhibitor inhibitor(QDBusConnection::connectToBus(address, "display"));
    // Offscreen there is no X server to ask either.
    EXPECT_EQ(inhibitor.Way(), TScreenSaverInhibitor::TWay::None);
}

} // namespace

#include "ScreenSaverTest.moc"
