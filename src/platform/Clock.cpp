#include "Clock.h"

#include "CodePage1251.h"
#include "FileIo.h"

#include <atomic>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <sys/timex.h>

namespace {

std::atomic<Clock::TSource*> source{nullptr};

std::string SystemLongTimeText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[64];
    // %X follows the time format of the locale the program runs in.
    if (std::strftime(text, sizeof text, "%X", &local) > 0) {
        if (auto bytes = CodePage1251::FromUtf8(text))
            return *bytes;
    }
    std::strftime(text, sizeof text, "%H:%M:%S", &local);
    return text;
}

double SystemNowDateTime() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    const double unixSeconds =
        duration<double>(now.time_since_epoch()).count() + static_cast<double>(local.tm_gmtoff);
    // 25569 days lie between 1899-12-30 and 1970-01-01.
    return 25569.0 + unixSeconds / 86400.0;
}

// The kernel keeps its clock in step with network time.
bool KernelSynchronised() {
    timex state{};
    const int clock = ::ntp_adjtime(&state);
    return clock != -1 && clock != TIME_ERROR;
}

// The clock was set from a real-time clock at boot.
bool SetFromRealTimeClock() {
    std::error_code error;
    for (std::filesystem::directory_iterator clock("/sys/class/rtc", error), end;
         !error && clock != end; clock.increment(error)) {
        const auto text = FileIo::ReadAll((clock->path() / "hctosys").string());
        if (text && text->starts_with('1'))
            return true;
    }
    return false;
}

} // namespace

namespace Clock {

std::string LongTimeText() {
    TSource* const own = source.load();
    return own != nullptr ? own->LongTimeText() : SystemLongTimeText();
}

double NowDateTime() {
    TSource* const own = source.load();
    return own != nullptr ? own->NowDateTime() : SystemNowDateTime();
}

std::chrono::system_clock::time_point Now() {
    TSource* const own = source.load();
    return own != nullptr ? own->Now() : std::chrono::system_clock::now();
}

bool Synchronised() {
    TSource* const own = source.load();
    return own != nullptr ? own->Synchronised() : KernelSynchronised() || SetFromRealTimeClock();
}

void SetSource(TSource* newSource) {
    source = newSource;
}

} // namespace Clock
