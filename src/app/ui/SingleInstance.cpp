#include "app/ui/SingleInstance.h"

#include "platform/Product.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QThread>
#include <unistd.h>

namespace {

constexpr QByteArrayView ShowRequest = "show\n";
constexpr QByteArrayView ShownAnswer = "shown\n";
constexpr int ConnectTimeout = 1000;
constexpr int AnswerTimeout = 3000;
constexpr int RetryInterval = 100;

// Named after the .ini, so that only starts of the same executable meet; per user, since the
// socket lives in the shared temporary folder.
QString ServerNameFor(const std::string& iniPath) {
    const QByteArray digest =
        QCryptographicHash::hash(QByteArray::fromStdString(iniPath), QCryptographicHash::Sha1);
    return QStringLiteral("velmora-%1-%2")
        .arg(::getuid())
        .arg(QString::fromLatin1(digest.toHex().left(20)));
}

} // namespace

TSingleInstance::TSingleInstance(const std::string& iniPath, std::chrono::milliseconds patience)
    : iniPath_(iniPath), patience_(patience), lock_(QString::fromStdString(iniPath + ".lock")),
      serverName_(ServerNameFor(iniPath)) {
    // Only a holder that no longer runs makes the lock stale, never its age: the program runs for
    // weeks.
    lock_.setStaleLockTime(0);
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* connection = server_.nextPendingConnection()) {
            connect(connection, &QLocalSocket::disconnected, connection, &QObject::deleteLater);
            connect(connection, &QLocalSocket::readyRead, this,
                    [this, connection] { Answer(connection); });
        }
    });
}

TSingleInstance::~TSingleInstance() {
    StopServing();
}

TSingleInstance::TRole TSingleInstance::Claim() {
    const QDeadlineTimer deadline(patience_);
    for (;;) {
        if (lock_.tryLock(0)) {
            Serve();
            return TRole::First;
        }
        if (AskToShow())
            return TRole::HandedOver;
        // A folder that cannot hold a lock (read-only) leaves only the socket to tell.
        if (lock_.error() != QLockFile::LockFailedError) {
            Serve();
            return TRole::First;
        }
        // The running instance may be starting, or ending and about to free the lock.
        if (deadline.hasExpired())
            return TRole::Unreachable;
        QThread::msleep(RetryInterval);
    }
}

void TSingleInstance::StopServing() {
    server_.close();
}

QString TSingleInstance::UnreachableMessage() const {
    return QStringLiteral("%1 is already running with the settings \"%2\" and does not answer.")
        .arg(QString::fromLatin1(Product::Name), QString::fromStdString(iniPath_));
}

bool TSingleInstance::Serve() {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (server_.listen(serverName_))
        return true;
    // A socket left behind by a crashed instance: with the lock, the name is ours.
    if (!lock_.isLocked())
        return false;
    QLocalServer::removeServer(serverName_);
    return server_.listen(serverName_);
}

bool TSingleInstance::AskToShow() {
    QLocalSocket socket;
    socket.connectToServer(serverName_);
    if (!socket.waitForConnected(ConnectTimeout))
        return false;
    socket.write(ShowRequest.data(), ShowRequest.size());
    const QDeadlineTimer deadline(AnswerTimeout);
    while (!socket.canReadLine()) {
        if (deadline.hasExpired() ||
            !socket.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            return false;
    }
    return socket.readLine() == ShownAnswer.toByteArray();
}

void TSingleInstance::Answer(QLocalSocket* connection) {
    if (!connection->canReadLine())
        return;
    const bool show = connection->readLine() == ShowRequest.toByteArray();
    if (show) {
        connection->write(ShownAnswer.data(), ShownAnswer.size());
        connection->flush();
    }
    connection->disconnectFromServer();
    if (show)
        emit showRequested();
}
