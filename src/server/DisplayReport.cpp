#include "DisplayReport.h"

#include "platform/AsciiText.h"

#include <algorithm>

namespace {

bool IsKeyChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.';
}

// Calls the visitor with each line's key and value until it returns true; false when a line is
// not a key=value line.
template <typename TVisit>
bool EachLine(std::string_view lines, TVisit visit) {
    while (!lines.empty()) {
        const size_t end = lines.find('\n');
        std::string_view line = lines.substr(0, end);
        lines.remove_prefix(end == std::string_view::npos ? lines.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            continue;
        const size_t equals = line.find('=');
        if (equals == 0 || equals == std::string_view::npos)
            return false;
        const std::string_view key = line.substr(0, equals);
        const std::string_view value = line.substr(equals + 1);
        if (!std::all_of(key.begin(), key.end(), IsKeyChar) || AsciiText::HasControl(value))
            return false;
        if (visit(key, value))
            return true;
    }
    return true;
}

} // namespace

std::string TDisplayReport::TakeStatus(const TStatusMessage& status) {
    if (AsciiText::HasControl(status.Summary))
        return "summary is not one line of text";
    if (!StatusLines::AreKeyValueLines(status.Lines))
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

namespace StatusLines {

bool AreKeyValueLines(std::string_view lines) {
    return EachLine(lines, [](std::string_view, std::string_view) { return false; });
}

std::string Value(std::string_view lines, std::string_view key) {
    std::string value;
    EachLine(lines, [&](std::string_view k, std::string_view v) {
        if (k != key)
            return false;
        value = v;
        return true;
    });
    return value;
}

} // namespace StatusLines
