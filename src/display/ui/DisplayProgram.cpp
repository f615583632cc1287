#include "display/ui/DisplayProgram.h"

#include "display/KeptLayout.h"
#include "display/ui/DisplayView.h"
#include "display/ui/ScreenSaverInhibitor.h"
#include "display/ui/ScreenShot.h"
#include "display/ui/ScreenSwitches.h"
#include "media/VideoEngine.h"
#include "mediacache/fetch/MediaCache.h"
#include "platform/Clock.h"
#include "platform/CodePage1251.h"
#include "protocol/ShotMessage.h"

#include <cstdio>
#include <unistd.h>

namespace {

// What the watchdog goes by: the shown layout's video, if it has one.
TVideoLiveness::TShownVideo ShownVideo(const TVideoEngine* video) {
    if (video == nullptr)
        return {};
    return {true, video->State() == TVideoEngine::TState::Playing, video->FrameNumber()};
}

std::string FrozenLine(const TVideoEngine& video) {
    return "the video has stood still for " + std::to_string(TVideoLiveness::FrozenLimit.count()) +
           " s, no watchdog pings until it moves: " + video.FilePath().toStdString();
}

} // namespace

TDisplayProgram::TDisplayProgram(TDisplayOptions options, std::string keptLayoutPath)
    : options_(std::move(options)), keptLayoutPath_(std::move(keptLayoutPath)),
      screenHours_(options_.ScreenHours, Hours::LocalZone()),
      reporter_(window_, options_.Name,
                [this](const TStatusMessage& status) {
                    return link_ && link_->Send({StatusMessage::Make(status)});
                }),
      window_(options_) {
    if (!options_.Maps.empty()) {
        TSupplyLimits limits;
        limits.Check = std::chrono::seconds(options_.MediaCheckSeconds);
        limits.CacheBytes = options_.CacheBytes;
        // Lines from the cache's thread: stderr only, the link's status stays the service's.
        cache_ = std::make_unique<TMediaCache>(DisplayOptions::MediaCacheFolder(), limits,
                                               [this](const std::string& line) { Problem(line); });
        window_.SetMediaCache(cache_.get());
        reporter_.SetMediaCache(cache_.get(), static_cast<uint64_t>(options_.CacheBytes));
    }
    connect(&window_, &TDisplayWindow::FirstScreenShown, this, &TDisplayProgram::FirstScreenUp);
    connect(&watchdogTimer_, &QTimer::timeout, this, &TDisplayProgram::PingWatchdog);
    screenTimer_.setSingleShot(true);
    screenTimer_.setTimerType(Qt::PreciseTimer);
    connect(&screenTimer_, &QTimer::timeout, this, &TDisplayProgram::KeepScreenHours);
}

TDisplayProgram::~TDisplayProgram() {
    if (link_)
        link_->Stop();
    if (linkThread_.joinable())
        linkThread_.join();
}

QString TDisplayProgram::StandbyText() const {
    const QString settings = QString::fromStdString(DisplayOptions::SettingsPath());
    if (options_.Name.empty() || options_.Host.empty())
        return QStringLiteral("This display has no %1 yet.\n\nStart it as\n"
                              "velmora-display --server HOST --name \"Client 1\"\n"
                              "or set Server= and Name= in section [Display] of\n%2")
            .arg(options_.Name.empty() ? QStringLiteral("slot name") : QStringLiteral("server"),
                 settings);
    return QStringLiteral("%1\n\nWaiting for the server at %2:%3")
        .arg(QString::fromStdString(CodePage1251::ToUtf8(options_.Name)),
             QString::fromStdString(options_.Host))
        .arg(options_.Port);
}

void TDisplayProgram::Start() {
    window_.ShowStandby(StandbyText());
    window_.Present();
    inhibitor_ = std::make_unique<TScreenSaverInhibitor>();
    if (screenHours_.HasHours()) {
        switches_ = MakeScreenSwitches(options_, [this](const std::string& line) { Status(line); });
        KeepScreenHours();
    }
    if (options_.Name.empty() || options_.Host.empty())
        return;
    // Shown before any server answers: the last layout received for this slot.
    if (const auto kept = KeptLayout::Load(keptLayoutPath_); kept && kept->Name == options_.Name)
        window_.ShowLayout(kept->DisplayType, kept->ConfigText);
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    link_ = std::make_unique<TDisplayLink>(options_, host, transport_, *this);
    linkThread_ = std::thread([this] { link_->Run(); });
    reporter_.Start();
}

void TDisplayProgram::FirstScreenUp() {
    notifier_.Ready();
    // Twice within the service manager's wait, so that one late ping is not yet the end.
    const auto period =
        std::chrono::duration_cast<std::chrono::milliseconds>(notifier_.WatchdogInterval() / 2);
    if (period.count() > 0)
        watchdogTimer_.start(period);
}

void TDisplayProgram::KeepScreenHours() {
    const auto now = Clock::Now();
    const bool trusted = Clock::Synchronised();
    if (!trusted && !saidClockUntrusted_) {
        saidClockUntrusted_ = true;
        Status("the system clock is not synchronised: the screen's hours are not applied until "
               "it is");
    }
    const TScreenHours::TState state =
        screenHours_.At(std::chrono::floor<std::chrono::seconds>(now), trusted);
    if (!screenState_ || screenState_->On != state.On) {
        window_.SetScreenOn(state.On);
        for (const auto& screenSwitch : switches_)
            screenSwitch->SetOn(state.On);
    }
    const std::string line = screenHours_.Line(state);
    if (!screenState_ || line != screenHours_.Line(*screenState_)) {
        {
            std::lock_guard lock(statusMutex_);
            screenLine_ = line;
        }
        reporter_.SetScreenUntil(screenHours_.UntilText(state));
        if (!line.empty())
            Status(line);
    }
    screenState_ = state;
    screenTimer_.start(TScreenHours::WaitFrom(now, state));
}

// On the window thread, so that a blocked window thread stops the pings as well. A screen off by
// its hours shows no view, so nothing there can freeze: it counts as alive all night.
void TDisplayProgram::PingWatchdog() {
    const TDisplayView* view = window_.ShownView();
    const TVideoEngine* video = view != nullptr ? view->Video() : nullptr;
    const bool alive = liveness_.Alive(ShownVideo(video), std::chrono::steady_clock::now());
    if (alive)
        notifier_.WatchdogPing();
    if (videoFrozen_ == alive) {
        videoFrozen_ = !alive;
        if (videoFrozen_)
            reporter_.Problem(FrozenLine(*video));
        Status(videoFrozen_ ? FrozenLine(*video) : "watchdog pings again");
    }
}

void TDisplayProgram::Status(const std::string& line) {
    std::fprintf(stderr, "velmora-display: %s\n", line.c_str());
    std::lock_guard lock(statusMutex_);
    notifier_.Status(screenLine_.empty() || line == screenLine_ ? line : line + "; " + screenLine_);
}

void TDisplayProgram::LayoutReceived(int displayType, const std::string& configText) {
    if (!KeptLayout::Save(keptLayoutPath_, {options_.Name, displayType, configText})) {
        reporter_.Problem("cannot keep the layout in " + keptLayoutPath_);
        Status("cannot keep the layout in " + keptLayoutPath_);
    }
    QMetaObject::invokeMethod(
        this,
        [this, displayType, configText] {
            window_.ShowLayout(displayType, configText);
            reporter_.Registered();
        },
        Qt::QueuedConnection);
}

void TDisplayProgram::MessageReceived(const std::string& text) {
    QMetaObject::invokeMethod(
        this, [this, text] { window_.ShowMessage(text); }, Qt::QueuedConnection);
}

void TDisplayProgram::ShotRequested() {
    // The first request not yet answered queues the picture; later ones are answered by the same,
    // since the server keeps the latest picture only.
    if (shotsAsked_++ == 0)
        QMetaObject::invokeMethod(this, &TDisplayProgram::AnswerShots, Qt::QueuedConnection);
}

void TDisplayProgram::AnswerShots() {
    shotsAsked_ = 0;
    if (!link_)
        return;
    const std::string jpeg = ScreenShot::Jpeg(window_, window_.ScreenOn());
    const auto parts = ShotMessage::Split(options_.Name, jpeg);
    if (parts.empty()) {
        Problem("the screen's picture does not fit in " + std::to_string(ShotMessage::MostParts) +
                " blocks");
        return;
    }
    link_->Send(parts);
}

void TDisplayProgram::Problem(const std::string& line) {
    std::fprintf(stderr, "velmora-display: %s\n", line.c_str());
    reporter_.Problem(line);
}
