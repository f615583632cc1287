#include "DisplayReport.h"

#include "platform/AsciiText.h"

#include <algorithm>

std::string TDisplayReport::TakeStatus(const TStatusMessage& status) {
    if (AsciiText::HasControl(status.Summary))
        return "summary is not one line of text";
    if (!StatusMessage::AreKeyValueLines(status.Lines))
        return "lines are not key=value lines";
    status_ = status;
    ++statusCount_;
    return {};
}

std::string TDisplayReport::TakeShotPart(const std::optional<TShotPart>& part, TTime now) {
    if (!part) {
        // The next part would otherwise join a picture that misses one.
        assembly_ = TShotAssembly();
        return "part does not read";
    }
    TShotAssembly::TOutcome outcome = assembly_.Add(*part, now);
    if (!outcome.Picture.empty()) {
        picture_ = std::move(outcome.Picture);
        ++pictureCount_;
    }
    return outcome.Problem;
}

bool TDisplayReport::LogDue(TTime now) {
    if (lastLogged_ && now - *lastLogged_ < LogInterval)
        return false;
    lastLogged_ = now;
    return true;
}
