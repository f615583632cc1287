#pragma once

// The notification area of a D-Bus desktop (KDE Plasma, LXQt, GNOME's app-indicator extension,
// every Wayland session), played on a private session bus: the StatusNotifierWatcher that tray
// items register with, with a host registered, and the host's calls a panel makes when the
// operator clicks an item.

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QStringList>

class TStatusNotifierWatcher : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ RegisteredStatusNotifierItems)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ IsStatusNotifierHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ ProtocolVersion)

public:
    // Connects to the bus at the address; Start() then takes the watcher's name.
    explicit TStatusNotifierWatcher(const QString& busAddress);
    ~TStatusNotifierWatcher() override;

    // Takes the watcher's name with a host registered, as a panel does when it starts.
    bool Start();
    // Gives the name up, as a panel that is the watcher too does when it is restarted or ends.
    void Stop();
    // The host goes and comes back while the watcher stays, as KDE's panel does on a restart.
    void SetHostRegistered(bool registered);

    QStringList RegisteredStatusNotifierItems() const { return items_; }
    bool IsStatusNotifierHostRegistered() const { return hostRegistered_; }
    int ProtocolVersion() const { return 0; }

    // Bus name of the item last registered, or empty; how many registrations there were (an
    // icon that is hidden and shown again registers anew).
    QString Item() const { return items_.isEmpty() ? QString() : items_.back(); }
    int Registrations() const { return registrations_; }

    // The host's calls on the item, at a position on the screen; true when the item answered.
    bool Activate(QPoint at);
    bool ContextMenu(QPoint at);

public slots:
    void RegisterStatusNotifierItem(const QString& service);
    void RegisterStatusNotifierHost(const QString& service);

signals:
    void StatusNotifierItemRegistered(const QString& service);
    void StatusNotifierItemUnregistered(const QString& service);
    void StatusNotifierHostRegistered();
    void StatusNotifierHostUnregistered();

private:
    bool CallItem(const char* method, QPoint at);

    QString connectionName_;
    QDBusConnection bus_;
    QStringList items_;
    bool started_ = false;
    bool hostRegistered_ = false;
    int registrations_ = 0;
};
