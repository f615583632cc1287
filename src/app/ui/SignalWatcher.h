#pragma once

#include "platform/Sockets.h"

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the window thread, so that a session logout,
// a service manager or Ctrl+C ends the program as its close button does, settings written.
class TSignalWatcher : public QObject {
    Q_OBJECT

public:
    explicit TSignalWatcher(QObject* parent = nullptr);
    ~TSignalWatcher() override;

signals:
    void terminationRequested();

private:
    TSocketHandle readEnd_;
    TSocketHandle writeEnd_;
    QSocketNotifier* notifier_ = nullptr;
};
