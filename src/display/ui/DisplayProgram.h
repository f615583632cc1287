#pragma once

#include "display/DisplayLink.h"
#include "display/DisplayOptions.h"
#include "display/ScreenHours.h"
#include "display/ScreenSwitch.h"
#include "display/ServiceNotifier.h"
#include "display/TcpTransport.h"
#include "display/VideoLiveness.h"
#include "display/ui/DisplayWindow.h"
#include "display/ui/StatusReporter.h"

#include <QObject>
#include <QTimer>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class TMediaCache;
class TScreenSaverInhibitor;

// The display program: its window, and the link to the server on a thread of its own, whose
// events reach the window through its event loop. Every layout received is kept on disk, and
// the kept one is shown at once at the next start, before any server answers.
//
// Run as a notify service it says so once its first screen is up, shows the link's status lines
// in `systemctl status`, and pings the service watchdog from the window thread while that thread
// turns and the shown video moves, so that a hung display is restarted.
//
// With screen hours it turns the screen off outside them and on at their start, and says so; the
// status line keeps the screen's state beside the link's.
//
// Registered, it tells the server what it shows (TStatusReporter), and answers each "SHOT" request
// with a picture of its window (ScreenShot), taken on the window thread, one waiting at most.
class TDisplayProgram : public QObject, public IDisplayLinkEvents {
    Q_OBJECT
public:
    TDisplayProgram(TDisplayOptions options, std::string keptLayoutPath);
    ~TDisplayProgram() override;

    TDisplayWindow& Window() { return window_; }
    // Shows the window and starts the link (when a name and a server are set).
    void Start();

    // The link's events, from its thread.
    void Status(const std::string& line) override;
    void LayoutReceived(int displayType, const std::string& configText) override;
    void MessageReceived(const std::string& text) override;
    void ShotRequested() override;
    // Any thread: a problem on stderr, which the status says as well.
    void Problem(const std::string& line);

    // Whether the watchdog's pings run (the service manager watches, and the first screen is up).
    bool PingsWatchdog() const { return watchdogTimer_.isActive(); }
    // Looks at the clock: the screen on or off by its hours, and when to look again.
    void KeepScreenHours();

private:
    QString StandbyText() const;
    void FirstScreenUp();
    void PingWatchdog();
    // Answers the requests counted so far with one picture.
    void AnswerShots();

    const TDisplayOptions options_;
    const std::string keptLayoutPath_;
    const TServiceNotifier notifier_;
    TVideoLiveness liveness_;
    bool videoFrozen_ = false;
    QTimer watchdogTimer_;
    TScreenHours screenHours_;
    std::optional<TScreenHours::TState> screenState_;
    QTimer screenTimer_;
    bool saidClockUntrusted_ = false;
    std::mutex statusMutex_;
    std::string screenLine_; // under statusMutex_, read by Status from the link's thread
    // Before what says problems; it reads the window only from its timer, once started.
    TStatusReporter reporter_;
    // After what Status uses: the HDMI-CEC switch's thread says lines until it is joined.
    std::vector<std::unique_ptr<IScreenSwitch>> switches_;
    std::unique_ptr<TMediaCache> cache_; // when a map takes files
    TDisplayWindow window_;
    std::unique_ptr<TScreenSaverInhibitor> inhibitor_;
    std::atomic<int> shotsAsked_{0}; // by the link's thread, answered on the window thread
    TTcpTransport transport_;
    std::unique_ptr<TDisplayLink> link_;
    std::thread linkThread_;
};
