#include "mediacache/FetchOutcome.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

std::string Seconds(std::chrono::milliseconds time) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3g s", static_cast<double>(time.count()) / 1000.0);
    return text;
}

} // namespace

namespace FetchFailure {

std::string NoAnswer(std::chrono::milliseconds limit) {
    return "no answer within " + Seconds(limit);
}

std::string Stalled(std::chrono::milliseconds limit, const std::string& what) {
    return "no byte for " + Seconds(limit) + " in the middle of the " + what;
}

TFetchOutcome Write(int error) {
    using TKind = TFetchOutcome::TKind;
    return {error == ENOSPC || error == EDQUOT ? TKind::DiskFull : TKind::Failed,
            nullptr,
            {},
            "cannot write the copy: " + std::string(std::strerror(error))};
}

} // namespace FetchFailure
