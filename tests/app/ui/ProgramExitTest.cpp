// The real program ended by a session's SIGTERM while displays do everything a real network
// lets them do: idle connections blocked in reads, displays that stopped reading with their
// queues full, a client flooding broadcasts. It must end within its bound, settings saved.
#include "common/CheckoutPaths.h"
#include "common/PrivateNetwork.h"
#include "common/ProcessState.h"
#include "common/TempDir.h"
#include "platform/FileIo.h"
#include "platform/IniFile.h"
#include "server/TestClient.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>

namespace {

TEST(ProgramExitTest, EndsSavedWithinItsBoundWhateverTheDisplaysDo) {
    // The program listens on the port of its .ini: a network of the test's own keeps it private.
    if (::geteuid() != 0 || !EnterPrivateNetwork())
        GTEST_SKIP() << "needs root for a private network namespace";
    TTempDir program, home;
    const QString executable = QString::fromStdString(program.File("velmora"));
    ASSERT_TRUE(
        QFile::copy(QString::fromStdString(CheckoutPaths::BuildFile(VELMORA_PROGRAM)), executable));
    ASSERT_TRUE(FileIo::WriteAtomically(program.File("velmora.ini"),
                                        "[ServerParams]\nServerPort=5679\nServerAutoStart=1\n"));
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", QString::fromStdString(home.Path()));
    environment.insert("HOME", QString::fromStdString(home.Path()));
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(environment);
    process.start(executable, {});
    ASSERT_TRUE(process.waitForStarted());
    const auto pid = static_cast<pid_t>(process.processId());
    const uint16_t port = 5679;
    // Connections made faster than the program accepts them would overflow its accept queue
    // and wait out the kernel's SYN retries: each burst waits until the queue is empty.
    const auto accepted = [&] {
        const auto listeners = ProcessState::Listeners(pid);
        return std::any_of(listeners.begin(), listeners.end(),
                           [&](const auto& l) { return l.port == port && l.queued == 0; });
    };
    ASSERT_TRUE(WaitFor(accepted, 10000)) << "the program listens";
    ASSERT_TRUE(WaitFor([&] { return ProcessState::CatchesSignal(pid, SIGTERM); }, 10000));

    std::vector<std::unique_ptr<TTestClient>> stuck;
    for (int i = 0; i < 4; ++i)
        stuck.push_back(
            std::make_unique<TTestClient>(port, "127.0.9." + std::to_string(i + 1), 4096));
    TTestClient talker(port, "127.0.9.9");
    const TExchangeBlock message = ClientBlock("MESSAGE", "t", "flood", "", "");
    // More than the stuck displays' socket buffers take: their queues fill and their writes stall.
    for (int i = 0; i < 400; ++i) {
        talker.Send(message);
        ASSERT_TRUE(talker.Receive().has_value()) << "the talker's own copy, block " << i;
    }

    // Beyond the server's cap of simultaneous connections the rest are closed at once.
    std::vector<std::unique_ptr<TTestClient>> idle;
    for (int i = 0; i < 500; ++i) {
        idle.push_back(std::make_unique<TTestClient>(port, "127.0." + std::to_string(1 + i / 250) +
                                                               "." + std::to_string(1 + i % 250)));
        if (i % 8 == 7) {
            ASSERT_TRUE(WaitFor(accepted));
        }
    }

    QElapsedTimer ending;
    ending.start();
    ::kill(pid, SIGTERM);
    ASSERT_TRUE(process.waitForFinished(15000)) << "the program did not end";
    RecordProperty("exit_ms", std::to_string(ending.elapsed()));
    std::printf("SIGTERM to exit: %lld ms\n", static_cast<long long>(ending.elapsed()));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_EQ(TIniFile(program.File("velmora.ini")).ReadString("ServerParams", "ServerPort", ""),
              "5679");
    EXPECT_TRUE(FileIo::Exists(home.Path() + "/Quillbrook/Velmora/settings.reg"));
}

} // namespace
