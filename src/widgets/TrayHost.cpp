#include "widgets/TrayHost.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>
#include <mutex>
#include <utility>

// QtDBus shows every incoming method call to the hooks added here before it delivers the call;
// the hook runs on the application's thread. Exported by QtDBus as part of its stable interface,
// but declared in no public header.
QT_BEGIN_NAMESPACE
extern Q_DBUS_EXPORT void qDBusAddSpyHook(void (*)(const QDBusMessage&));
QT_END_NAMESPACE

namespace {

const QString WatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString WatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString ItemInterface = QStringLiteral("org.kde.StatusNotifierItem");
const QString ItemPath = QStringLiteral("/StatusNotifierItem");
constexpr int QueryTimeout = 2000;
constexpr int XEmbedPollInterval = 1000;

std::mutex& RequestMutex() {
    static std::mutex mutex;
    return mutex;
}

std::optional<TrayHost::TRequest>& LastRequest() {
    static std::optional<TrayHost::TRequest> request;
    return request;
}

QDBusMessage HostQuery() {
    QDBusMessage get = QDBusMessage::createMethodCall(
        WatcherService, WatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << WatcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    return get;
}

struct THostAnswer {
    bool WatcherPresent;
    bool HostRegistered;
};

THostAnswer Interpret(const QDBusMessage& reply) {
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
        return {true, qvariant_cast<QDBusVariant>(reply.arguments().front()).variant().toBool()};
    const QString error = reply.errorName();
    if (error == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
        error == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
        return {false, false};
    // A watcher that does not answer in time is slow, not gone: its panel keeps the icon.
    return {true, true};
}

} // namespace

namespace TrayHost {

void NoteRequests() {
    static std::once_flag once;
    std::call_once(once, [] { qDBusAddSpyHook(&Note); });
}

void Note(const QDBusMessage& message) {
    if (message.interface() != ItemInterface || message.path() != ItemPath)
        return;
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() != 2)
        return;
    TRequestKind kind;
    if (message.member() == QLatin1String("Activate"))
        kind = TRequestKind::Activate;
    else if (message.member() == QLatin1String("ContextMenu"))
        kind = TRequestKind::ContextMenu;
    else
        return;
    std::lock_guard lock(RequestMutex());
    LastRequest() = TRequest{kind, QPoint(arguments[0].toInt(), arguments[1].toInt())};
}

std::optional<TRequest> TakeRequest() {
    std::lock_guard lock(RequestMutex());
    return std::exchange(LastRequest(), std::nullopt);
}

QPoint ToLogical(QPoint hostPixels) {
    for (const QScreen* screen : QGuiApplication::screens()) {
        // Qt keeps a screen's origin and scales what lies beyond it.
        const QRect logical = screen->geometry();
        const qreal ratio = screen->devicePixelRatio();
        const QRect native(logical.topLeft(), (QSizeF(logical.size()) * ratio).toSize());
        if (native.contains(hostPixels))
            return logical.topLeft() + (hostPixels - logical.topLeft()) / ratio;
    }
    return hostPixels;
}

} // namespace TrayHost

TTrayHostWatcher::TTrayHostWatcher(QObject* parent) : QObject(parent), poll_(new QTimer(this)) {
    poll_->setInterval(XEmbedPollInterval);
    connect(poll_, &QTimer::timeout, this, &TTrayHostWatcher::PollXEmbed);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    auto* owner = new QDBusServiceWatcher(WatcherService, bus,
                                          QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(owner, &QDBusServiceWatcher::serviceOwnerChanged, this, &TTrayHostWatcher::Refresh);
    for (const char* signal : {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered"})
        bus.connect(WatcherService, WatcherPath, WatcherService, QLatin1String(signal), this,
                    SLOT(Refresh()));
    QueryNow();
}

bool TTrayHostWatcher::IsAvailable() const {
    if (watcherPresent_)
        return hostRegistered_;
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TTrayHostWatcher::SetWatching(bool watching) {
    watching_ = watching;
    if (watching_ && !watcherPresent_)
        poll_->start();
    else
        poll_->stop();
}

void TTrayHostWatcher::QueryNow() {
    const THostAnswer answer =
        Interpret(QDBusConnection::sessionBus().call(HostQuery(), QDBus::Block, QueryTimeout));
    SetState(answer.WatcherPresent, answer.HostRegistered);
}

void TTrayHostWatcher::Refresh() {
    // Answers may overtake each other; only the latest question counts.
    const unsigned generation = ++generation_;
    auto* pending = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(HostQuery(), QueryTimeout), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, generation](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                if (generation != generation_)
                    return;
                const THostAnswer answer = Interpret(call->reply());
                SetState(answer.WatcherPresent, answer.HostRegistered);
            });
}

void TTrayHostWatcher::SetState(bool watcherPresent, bool hostRegistered) {
    const bool wasAvailable = watcherPresent_ && hostRegistered_;
    watcherPresent_ = watcherPresent;
    hostRegistered_ = hostRegistered;
    SetWatching(watching_);
    if (watching_ && wasAvailable && !(watcherPresent_ && hostRegistered_)) {
        watching_ = false;
        poll_->stop();
        emit hostLost();
    }
}

void TTrayHostWatcher::PollXEmbed() {
    if (watcherPresent_ || QSystemTrayIcon::isSystemTrayAvailable())
        return;
    SetWatching(false);
    emit hostLost();
}
