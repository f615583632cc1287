// The display program as installed: a process of its own against the real server.
#include "common/CheckoutPaths.h"
#include "common/TempDir.h"
#include "layouts/LayoutStore.h"
#include "platform/FileIo.h"
#include "platform/IniFile.h"
#include "server/DisplayServer.h"
#include "server/TestClient.h"

#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// The command line that starts the display program as the build runs its programs.
QStringList DisplayCommand() {
    QStringList command;
    for (const std::string& part : CheckoutPaths::ProgramCommand(VELMORA_DISPLAY_PROGRAM))
        command << QString::fromStdString(part);
    return command;
}

class DisplayProcessTest : public ::testing::Test {
protected:
    QProcess& Start(const QStringList& arguments) {
        QStringList command = DisplayCommand();
        const QString program = command.takeFirst();
        return Start(program, command + arguments);
    }
    QProcess& Start(const QString& program, const QStringList& arguments) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", QString::fromStdString(home.Path()));
        environment.insert("XDG_CONFIG_HOME", QString::fromStdString(home.File("config")));
        environment.insert("XDG_STATE_HOME", QString::fromStdString(home.File("state")));
        environment.insert("XDG_CACHE_HOME", QString::fromStdString(home.File("cache")));
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        display.setProcessEnvironment(environment);
        display.start(program, arguments);
        EXPECT_TRUE(display.waitForStarted());
        return display;
    }
    // Waits until the display has said the line (a part of it) this many times.
    bool Says(const QByteArray& line, int times = 1) {
        return QTest::qWaitFor(
            [&] {
                errors += display.readAllStandardError();
                return errors.count(line) >= times;
            },
            10000);
    }
    ~DisplayProcessTest() override {
        display.kill();
        display.waitForFinished();
    }

    TTempDir home;
    QProcess display;
    QByteArray errors;
};

TEST_F(DisplayProcessTest, RegistersAndSaysSoOnStandardError) {
    TIniFile ini(home.File("velmora.ini"));
    ini.WriteInteger("ClientDisplay_Client3", "DisplayType", 6);
    TDisplayServer server(ini.FileName(), nullptr);
    server.StartListening(0);
    Start({"--server", QStringLiteral("127.0.0.1:%1").arg(server.Server.BoundPort()), "--name",
           "Client 3", "--windowed", "816x638"});
    ASSERT_TRUE(Says("registered as Client 3, type 6")) << errors.toStdString();
    EXPECT_TRUE(errors.contains("connected to 127.0.0.1:"));
    auto clients = server.Clients()->LockList();
    ASSERT_EQ(clients.Count(), 1u);
    EXPECT_EQ((*clients.begin())->ClientName, "Client 3");
}

// Where the field differs from the lab, made for real (root only): the display runs in a mount
// namespace of its own, its share a bind mount there and its cache on a small tmpfs. A copy that
// no longer fits keeps the old one; an unmounted share leaves the cached copy showing.
TEST_F(DisplayProcessTest, AFullCacheDiskAndAnUnmountedShareKeepTheCachedCopy) {
    if (::geteuid() != 0 || !FileIo::Exists("/usr/bin/unshare") ||
        !FileIo::Exists("/usr/bin/nsenter"))
        GTEST_SKIP() << "needs root, unshare and nsenter";
    const std::string share = home.File("share");
    FileIo::MakeFolders(home.File("server-side"));
    FileIo::MakeFolders(share);
    FileIo::MakeFolders(home.File("cache"));
    const std::string picture = home.File("server-side/ad.bmp");
    ASSERT_TRUE(FileIo::WriteAtomically(picture, std::string(100000, 'a')));
    TIniFile ini(home.File("velmora.ini"));
    ini.WriteInteger("ClientDisplay_Client3", "DisplayType", 5);
    ini.WriteString(LayoutStore::SectionName("Client 3", 5), LayoutStore::ImageKey(0),
                    "C:\\Media\\ad.bmp");
    TDisplayServer server(ini.FileName(), nullptr);
    server.StartListening(0);
    const auto refresh = [&] {
        auto clients = server.Clients()->LockList();
        for (const auto& entry : clients)
            SendTo(*entry, server.DisplayTypeBlockFor(*entry));
    };
    const QString script = QStringLiteral(
        "mount --bind \"$1\" \"$2\" && mount -t tmpfs -o size=400k tmpfs \"$3\" && shift 3 && "
        "exec \"$@\"");
    const QStringList mounting{"-m",
                               "--propagation",
                               "private",
                               "--",
                               "/bin/sh",
                               "-c",
                               script,
                               "sh",
                               QString::fromStdString(home.File("server-side")),
                               QString::fromStdString(share),
                               QString::fromStdString(home.File("cache"))};
    const QStringList options{
        "--server",   QStringLiteral("127.0.0.1:%1").arg(server.Server.BoundPort()),
        "--name",     "Client 3",
        "--windowed", "816x638",
        "--map",      QString::fromStdString("C:\\Media=" + share)};
    Start("/usr/bin/unshare", mounting + DisplayCommand() + options);
    const QByteArray source = QByteArray::fromStdString(share + "/ad.bmp");
    ASSERT_TRUE(Says("fetched 100.0 kB in ")) << errors.toStdString();

    ASSERT_TRUE(FileIo::WriteAtomically(picture, std::string(500000, 'b')));
    refresh();
    ASSERT_TRUE(Says("the cache's disk is full: keeping the cached copy of " + source))
        << errors.toStdString();

    QProcess umount;
    umount.start("/usr/bin/nsenter", {"-t", QString::number(display.processId()), "-m", "--",
                                      "umount", "-l", QString::fromStdString(share)});
    ASSERT_TRUE(umount.waitForFinished(10000));
    ASSERT_EQ(umount.exitCode(), 0) << umount.readAllStandardError().toStdString();
    refresh();
    ASSERT_TRUE(Says("showing the cached copy of " + source + ": No such file or directory"))
        << errors.toStdString();
    EXPECT_EQ(errors.count("the cache's disk is full"), 1) << "said once";
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
