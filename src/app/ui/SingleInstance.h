#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <chrono>
#include <string>

// One running program per program folder. Two instances of the same executable would share the
// .ini beside it and the per-user settings, each writing the whole file over the other's, and
// compete for the server's port; so the first start takes a lock file beside the .ini and serves
// a local socket named after the .ini, and a later start asks it to show its window and ends
// without writing anything. A lock left by a crashed instance is taken over.
class TSingleInstance : public QObject {
    Q_OBJECT

public:
    enum class TRole {
        First,       // this start runs the program
        HandedOver,  // the running instance was asked to show its window; this one ends
        Unreachable, // another instance holds the lock but does not answer
    };

    // How long a later start keeps trying while the running instance is starting or ending.
    static constexpr std::chrono::milliseconds DefaultPatience{5000};

    explicit TSingleInstance(const std::string& iniPath,
                             std::chrono::milliseconds patience = DefaultPatience);
    ~TSingleInstance() override;

    TRole Claim();

    // The running program ends: later starts wait for the lock instead of being answered.
    void StopServing();

    QString LockFileName() const { return lock_.fileName(); }
    QString ServerName() const { return serverName_; }

    // The text the operator sees when the running instance does not answer.
    QString UnreachableMessage() const;

signals:
    // A later start asked for the window.
    void showRequested();

private:
    bool Serve();
    bool AskToShow();
    void Answer(class QLocalSocket* connection);

    std::string iniPath_;
    std::chrono::milliseconds patience_;
    QLockFile lock_;
    QString serverName_;
    QLocalServer server_;
};
