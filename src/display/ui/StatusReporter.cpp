#include "display/ui/StatusReporter.h"

#include "display/ui/DisplayView.h"
#include "display/ui/DisplayWindow.h"
#include "layoutview/RotationPlayer.h"
#include "mediacache/fetch/MediaCache.h"

#include <ctime>
#include <filesystem>
#include <fstream>

namespace {

std::string FileName(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

// What the view shows: its rotation's item and place, or its video's or picture's file.
void Showing(const TDisplayView& view, TDisplayFacts::TShown& shown) {
    const TLayoutContent& content = view.Content();
    shown.DisplayType = content.DisplayType;
    const TRotationPlayer* player = view.Rotation();
    const auto& rotation = content.VideoRotation ? content.VideoRotation : content.PictureRotation;
    if (player != nullptr && rotation) {
        if (const auto item = player->ShownItem(); item && *item < rotation->Items.size()) {
            shown.Item = FileName(rotation->Items[*item].Path);
            shown.Place = static_cast<int>(*item) + 1;
            shown.Items = static_cast<int>(rotation->Items.size());
        }
        return;
    }
    shown.Item = FileName(!content.VideoFile.empty() ? content.VideoFile : content.PictureFile);
}

// The board's temperature from the first thermal zone that reads (millidegrees).
std::optional<double> BoardTemperature() {
    std::error_code error;
    for (const auto& zone : std::filesystem::directory_iterator("/sys/class/thermal", error)) {
        if (!zone.path().filename().string().starts_with("thermal_zone"))
            continue;
        std::ifstream file(zone.path() / "temp");
        long milli = 0;
        if (file >> milli)
            return static_cast<double>(milli) / 1000.0;
    }
    return std::nullopt;
}

std::string TimeOfDay() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:%S", &local);
    return text;
}

} // namespace

TStatusReporter::TStatusReporter(const TDisplayWindow& window, std::string sender, TSink sink)
    : window_(window), sender_(std::move(sender)), sink_(std::move(sink)) {
    connect(&lookTimer_, &QTimer::timeout, this, &TStatusReporter::Look);
}

void TStatusReporter::SetMediaCache(const TMediaCache* cache, uint64_t limitBytes) {
    cache_ = cache;
    cacheLimit_ = limitBytes;
}

void TStatusReporter::Start() {
    lookTimer_.start(std::chrono::seconds(1));
}

void TStatusReporter::Registered() {
    pace_.Restart();
    Look();
}

void TStatusReporter::SetScreenUntil(std::string wallText) {
    screenUntil_ = std::move(wallText);
}

void TStatusReporter::Problem(const std::string& line) {
    const std::string stamped = TimeOfDay() + " " + line;
    std::lock_guard lock(problemMutex_);
    problem_ = stamped;
}

TDisplayFacts TStatusReporter::Facts(bool full) const {
    TDisplayFacts facts;
    facts.Shown.ScreenOn = window_.ScreenOn();
    facts.Shown.ScreenUntil = screenUntil_;
    if (const TDisplayView* view = window_.ShownView(); view != nullptr && facts.Shown.ScreenOn)
        Showing(*view, facts.Shown);
    {
        std::lock_guard lock(problemMutex_);
        facts.Shown.Problem = problem_;
    }
    if (!full)
        return facts;
    if (cache_ != nullptr) {
        // What the cache last said: the window need not look at the disk.
        TDisplayFacts::TMedia media;
        for (const TMediaSource& source : window_.Media().Sources()) {
            ++media.Wanted;
            media.Cached += window_.Media().Usable(source.CopyName()) ? 1 : 0;
        }
        media.UsedBytes = static_cast<uint64_t>(cache_->UsedBytes());
        media.LimitBytes = cacheLimit_;
        facts.Media = media;
    }
    facts.Uptime = std::chrono::duration_cast<std::chrono::seconds>(
        std::chrono::steady_clock::now() - started_);
    facts.Version = VELMORA_VERSION;
    facts.TemperatureC = BoardTemperature();
    return facts;
}

void TStatusReporter::Look() {
    const auto now = std::chrono::steady_clock::now();
    const TDisplayFacts::TShown shown = Facts(false).Shown;
    if (!pace_.Due(now, shown))
        return;
    const TDisplayFacts facts = Facts(true);
    if (sink_(DisplayStatus::Make(sender_, facts)))
        pace_.Sent(now, facts.Shown);
}
