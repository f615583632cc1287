// The display program as installed: a process of its own against the real server.
#include "common/CheckoutPaths.h"
#include "common/TempDir.h"
#include "platform/FileIo.h"
#include "platform/IniFile.h"
#include "server/DisplayServer.h"
#include "server/TestClient.h"

#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class DisplayProcessTest : public ::testing::Test {
protected:
    QProcess& Start(const QStringList& arguments) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", QString::fromStdString(home.Path()));
        environment.insert("XDG_CONFIG_HOME", QString::fromStdString(home.File("config")));
        environment.insert("XDG_STATE_HOME", QString::fromStdString(home.File("state")));
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        display.setProcessEnvironment(environment);
        display.start(QString::fromStdString(CheckoutPaths::BuildFile(VELMORA_DISPLAY_PROGRAM)),
                      arguments);
        EXPECT_TRUE(display.waitForStarted());
        return display;
    }
    ~DisplayProcessTest() override {
        display.kill();
        display.waitForFinished();
    }

    TTempDir home;
    QProcess display;
};

TEST_F(DisplayProcessTest, RegistersAndSaysSoOnStandardError) {
    TIniFile ini(home.File("velmora.ini"));
    ini.WriteInteger("ClientDisplay_Client3", "DisplayType", 6);
    TDisplayServer server(ini.FileName(), nullptr);
    server.StartListening(0);
    Start({"--server", QStringLiteral("127.0.0.1:%1").arg(server.Server.BoundPort()), "--name",
           "Client 3", "--windowed", "816x638"});
    QByteArray errors;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            errors += display.readAllStandardError();
            return errors.contains("registered as Client 3, type 6");
        },
        10000))
        << errors.toStdString();
    EXPECT_TRUE(errors.contains("connected to 127.0.0.1:"));
    auto clients = server.Clients()->LockList();
    ASSERT_EQ(clients.Count(), 1u);
    EXPECT_EQ((*clients.begin())->ClientName, "Client 3");
}

TEST_F(DisplayProcessTest, AutostartEntryRunsItWithTheGivenOptions) {
    Start({"--install-autostart", "--server", "hall:6000", "--name", "Client 3"});
    ASSERT_TRUE(display.waitForFinished(10000));
    EXPECT_EQ(display.exitCode(), 0);
    const auto entry = FileIo::ReadAll(home.File("config/autostart/velmora-display.desktop"));
    ASSERT_TRUE(entry.has_value());
    EXPECT_NE(entry->find("Exec=" + CheckoutPaths::BuildFile(VELMORA_DISPLAY_PROGRAM) +
                          " --server=hall:6000 \"--name=Client 3\"\n"),
              std::string::npos)
        << *entry;
    Start({"--remove-autostart"});
    ASSERT_TRUE(display.waitForFinished(10000));
    EXPECT_FALSE(FileIo::Exists(home.File("config/autostart/velmora-display.desktop")));
}

TEST_F(DisplayProcessTest, AMistakeIsNamedAndHelpListsTheOptions) {
    Start({"--kick-quiet", "soon"});
    ASSERT_TRUE(display.waitForFinished(10000));
    EXPECT_EQ(display.exitCode(), 2);
    EXPECT_EQ(display.readAllStandardError().trimmed(),
              "velmora-display: --kick-quiet takes a whole number from 0 to 86400, not \"soon\"");
    Start({"--help"});
    ASSERT_TRUE(display.waitForFinished(10000));
    EXPECT_EQ(display.exitCode(), 0);
    EXPECT_TRUE(display.readAllStandardOutput().contains("--server HOST[:PORT]"));
}

} // namespace
