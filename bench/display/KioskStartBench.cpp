// A kiosk's start as a display in the field meets it: cage (headless, software rendering) runs the
// display program as a normal user, whose kept layout (a picture type) is shown before its
// server, which stays silent, answers. For Wayland and for X11 through XWayland:
//   - cage's start to the display's READY=1 (the window's first expose, told to the service
//     manager's notify socket);
//   - cage's start to the kept layout whole on the output, read with grim until it shows, so the
//     figure holds up to one capture more than the display needs (the capture's own time is
//     printed beside it).
// The kiosk's home (and the caches in it) stays from run to run, as a kiosk's does.
// Usage: display_kiosk_bench [runs]   (default 5). It prints figures; it never fails on them.
#include "common/CheckoutPaths.h"
#include "common/DesktopSession.h"
#include "common/KioskSession.h"
#include "common/LayoutOnScreen.h"
#include "common/NotifySocket.h"
#include "common/ScriptedServer.h"
#include "common/TempDir.h"
#include "display/BenchSeries.h"
#include "display/KeptLayout.h"
#include "layouts/LayoutStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <cstdio>
#include <filesystem>

namespace {

constexpr const char* SlotName = "Client 3";
constexpr int PictureType = 6;
constexpr auto ShowLimit = std::chrono::seconds(30);

class TKioskStart {
public:
    TKioskStart(const TKioskUser& user, const std::string& folder, bool xwayland)
        : kiosk_(user, folder), folder_(folder), xwayland_(xwayland),
          program_(QString::fromStdString(folder + "/velmora-display")),
          picture_(QString::fromStdString(folder + "/ad.bmp")) {
        QFile::copy(QString::fromStdString(CheckoutPaths::BuildFile(VELMORA_DISPLAY_PROGRAM)),
                    program_);
        QFile::copy(QString::fromStdString(CheckoutPaths::SourceFile(VELMORA_DATA_FOLDER "1.bmp")),
                    picture_);
        const std::string config = "[" + LayoutStore::SectionName(SlotName, PictureType) + "]\r\n" +
                                   LayoutStore::ImageKey(0) + "=" + picture_.toStdString() +
                                   "\r\nEdits_0_Text=Today only\r\n";
        const TVariableGuard state(
            "XDG_STATE_HOME", kiosk_.Environment().value("XDG_STATE_HOME").toStdString().c_str());
        KeptLayout::Save(KeptLayout::Path(), {SlotName, PictureType, config});
    }

    struct TRun {
        std::optional<double> Ready, Layout, Capture;
    };

    TRun Run(uint16_t port) {
        TRun run;
        const std::string notifyPath = folder_ + "/notify";
        std::filesystem::remove(notifyPath);
        const TNotifySocket notify(notifyPath);
        // The kiosk's user sends to it.
        std::filesystem::permissions(notifyPath, std::filesystem::perms::all);
        QProcessEnvironment environment = kiosk_.Environment();
        environment.insert("NOTIFY_SOCKET", QString::fromStdString(notifyPath));
        if (xwayland_)
            environment.insert("QT_QPA_PLATFORM", "xcb");
        const QImage picture(picture_);
        QElapsedTimer clock;
        clock.start();
        const auto since = [&](qint64 start) {
            return static_cast<double>(clock.nsecsElapsed() - start) / 1e6;
        };
        if (!kiosk_.Start(
                program_,
                {"--server", QStringLiteral("127.0.0.1:%1").arg(port), "--name", SlotName},
                environment)) {
            std::printf("  cage did not start: %s\n", kiosk_.Errors().constData());
            return run;
        }
        DesktopSession::WaitFor(
            [&] {
                while (const auto message = notify.TakeWaiting()) {
                    if (!run.Ready && message->find("READY=1") != std::string::npos)
                        run.Ready = since(0);
                }
                const qint64 before = clock.nsecsElapsed();
                const QImage output = kiosk_.Output();
                run.Capture = since(before);
                if (!LayoutMismatch(output, PictureType, picture).empty())
                    return false;
                run.Layout = since(0);
                return true;
            },
            ShowLimit);
        kiosk_.Stop();
        return run;
    }

private:
    TCageKiosk kiosk_;
    const std::string folder_;
    const bool xwayland_;
    const QString program_;
    const QString picture_;
};

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QCoreApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const auto user = TKioskUser::Find();
    if (const std::string why = TCageKiosk::MissingReason(true); !why.empty() || !user) {
        std::printf("%s: nothing to measure\n", why.c_str());
        return 1;
    }
    // A server that takes the registration and never answers: the kept layout stays.
    const TScriptedServer silent([](TScriptedServer::TConnection&) { return true; });
    const TTempDir dir;
    // The kiosk's user reaches its folders through this one.
    std::filesystem::permissions(dir.Path(), std::filesystem::perms::others_exec,
                                 std::filesystem::perm_options::add);
    for (const bool xwayland : {false, true}) {
        std::printf("%s\n", xwayland ? "cage, X11 through XWayland (QT_QPA_PLATFORM=xcb)"
                                     : "cage, Wayland");
        TKioskStart start(*user, dir.File(xwayland ? "xwayland" : "wayland"), xwayland);
        TSeries ready("cage start to READY=1"), layout("cage start to kept layout"),
            capture("one grim capture");
        for (int n = 0; n < runs; ++n) {
            const auto run = start.Run(silent.Port());
            ready.Add(run.Ready);
            layout.Add(run.Layout);
            capture.Add(run.Capture);
        }
        ready.Print();
        layout.Print();
        capture.Print();
    }
    return 0;
}
