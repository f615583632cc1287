#include "common/StatusNotifierHost.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QPoint>
#include <QUuid>

namespace {

const QString WatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString WatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString ItemInterface = QStringLiteral("org.kde.StatusNotifierItem");
const QString ItemPath = QStringLiteral("/StatusNotifierItem");

} // namespace

TStatusNotifierWatcher::TStatusNotifierWatcher(const QString& busAddress)
    : connectionName_(QStringLiteral("velmora-test-watcher-") + QUuid::createUuid().toString()),
      bus_(QDBusConnection::connectToBus(busAddress, connectionName_)) {}

TStatusNotifierWatcher::~TStatusNotifierWatcher() {
    Stop();
    QDBusConnection::disconnectFromBus(connectionName_);
}

bool TStatusNotifierWatcher::Start() {
    if (started_) {
        SetHostRegistered(true);
        return true;
    }
    if (!bus_.isConnected())
        return false;
    if (!bus_.registerObject(WatcherPath, this,
                             QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                                 QDBusConnection::ExportAllProperties))
        return false;
    if (!bus_.registerService(WatcherService)) {
        bus_.unregisterObject(WatcherPath);
        return false;
    }
    started_ = true;
    SetHostRegistered(true);
    return true;
}

void TStatusNotifierWatcher::Stop() {
    if (!started_)
        return;
    SetHostRegistered(false);
    started_ = false;
    items_.clear();
    bus_.unregisterService(WatcherService);
    bus_.unregisterObject(WatcherPath);
}

void TStatusNotifierWatcher::SetHostRegistered(bool registered) {
    if (hostRegistered_ == registered)
        return;
    hostRegistered_ = registered;
    if (registered)
        emit StatusNotifierHostRegistered();
    else
        emit StatusNotifierHostUnregistered();
}

void TStatusNotifierWatcher::RegisterStatusNotifierItem(const QString& service) {
    // An item names its bus name, or only its object path on the caller's connection.
    const QString item = service.startsWith('/') ? message().service() : service;
    items_.removeAll(item);
    items_.push_back(item);
    ++registrations_;
    emit StatusNotifierItemRegistered(item);
}

void TStatusNotifierWatcher::RegisterStatusNotifierHost(const QString&) {}

bool TStatusNotifierWatcher::Activate(QPoint at) {
    return CallItem("Activate", at);
}

bool TStatusNotifierWatcher::ContextMenu(QPoint at) {
    return CallItem("ContextMenu", at);
}

bool TStatusNotifierWatcher::CallItem(const char* method, QPoint at) {
    if (Item().isEmpty())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(Item(), ItemPath, ItemInterface,
                                                       QString::fromLatin1(method));
    call << at.x() << at.y();
    return bus_.call(call, QDBus::Block, 10000).type() == QDBusMessage::ReplyMessage;
}
