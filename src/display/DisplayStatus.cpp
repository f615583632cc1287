#include "display/DisplayStatus.h"

#include "platform/CodePage1251.h"
#include "protocol/StatusKeys.h"

#include <cstdio>

namespace DisplayStatus {

namespace {

// UTF-8 as Windows-1251, a character the code page lacks as '?'.
std::string InCodePage(std::string_view utf8) {
    std::string bytes;
    while (!utf8.empty()) {
        const auto point = CodePage1251::TakeUtf8(utf8);
        if (!point) {
            utf8.remove_prefix(1);
            bytes += '?';
            continue;
        }
        bytes += static_cast<char>(CodePage1251::FromUnicode(*point).value_or('?'));
    }
    return bytes;
}

std::string OneDecimal(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

std::string ScreenValue(const TDisplayFacts::TShown& shown) {
    std::string value = shown.ScreenOn ? "on" : "off";
    if (!shown.ScreenUntil.empty())
        value += " until " + shown.ScreenUntil;
    return value;
}

void Add(std::string& lines, std::string_view key, const std::string& value) {
    lines += StatusMessage::Line(key, value);
}

} // namespace

std::string Uptime(std::chrono::seconds uptime) {
    const auto total = uptime.count();
    if (total < 60)
        return std::to_string(total) + " s";
    const auto minutes = total / 60 % 60, hours = total / 3600 % 24, days = total / 86400;
    if (days > 0)
        return std::to_string(days) + "d " + std::to_string(hours) + "h";
    if (hours > 0)
        return std::to_string(hours) + "h " + std::to_string(minutes) + "m";
    return std::to_string(minutes) + "m";
}

std::string Bytes(uint64_t bytes) {
    constexpr double Kilo = 1000.0;
    const double value = static_cast<double>(bytes);
    if (value >= Kilo * Kilo * Kilo)
        return OneDecimal(value / (Kilo * Kilo * Kilo)) + " GB";
    if (value >= Kilo * Kilo)
        return std::to_string(bytes / 1000000) + " MB";
    return std::to_string(bytes / 1000) + " KB";
}

std::string WholeLines(const std::string& text, size_t most) {
    if (text.size() <= most)
        return text;
    const size_t end = text.rfind("\r\n", most - 2);
    return end == std::string::npos ? std::string() : text.substr(0, end + 2);
}

std::string Summary(const TDisplayFacts& facts) {
    const TDisplayFacts::TShown& shown = facts.Shown;
    if (!shown.ScreenOn)
        return "screen " + ScreenValue(shown);
    if (shown.DisplayType == 0)
        return "waiting for a layout";
    std::string summary = "type " + std::to_string(shown.DisplayType);
    if (!shown.Item.empty())
        summary += ": " + shown.Item;
    if (shown.Place > 0)
        summary += " (" + std::to_string(shown.Place) + " of " + std::to_string(shown.Items) + ")";
    return summary;
}

std::string Lines(const TDisplayFacts& facts) {
    const TDisplayFacts::TShown& shown = facts.Shown;
    std::string lines;
    std::string what = "type " + std::to_string(shown.DisplayType);
    if (!shown.Item.empty())
        what += ", " + shown.Item;
    Add(lines, StatusKeys::Shown, what);
    if (shown.Place > 0)
        Add(lines, StatusKeys::Place,
            std::to_string(shown.Place) + "/" + std::to_string(shown.Items));
    Add(lines, StatusKeys::Screen, ScreenValue(shown));
    if (facts.Media)
        Add(lines, StatusKeys::Media,
            std::to_string(facts.Media->Cached) + "/" + std::to_string(facts.Media->Wanted) +
                " cached, " + Bytes(facts.Media->UsedBytes) + " of " +
                Bytes(facts.Media->LimitBytes));
    Add(lines, StatusKeys::Uptime, Uptime(facts.Uptime));
    Add(lines, StatusKeys::Version, facts.Version);
    if (facts.TemperatureC)
        Add(lines, StatusKeys::Temperature, OneDecimal(*facts.TemperatureC) + " C");
    // Last: a long problem line is the one cut.
    if (!shown.Problem.empty())
        Add(lines, StatusKeys::Problem, shown.Problem);
    return lines;
}

TStatusMessage Make(const std::string& sender, const TDisplayFacts& facts) {
    // Cut after conversion: a Cyrillic name is two bytes in UTF-8 and one in the code page.
    return {sender, InCodePage(Summary(facts)),
            WholeLines(InCodePage(Lines(facts)), MostLineBytes)};
}

} // namespace DisplayStatus

bool TStatusPace::Due(TClock::time_point now, const TDisplayFacts::TShown& shown) const {
    if (!sent_)
        return true;
    const auto since = now - sent_->At;
    return since >= Longest || (shown != sent_->Shown && since >= Gather);
}

void TStatusPace::Sent(TClock::time_point now, const TDisplayFacts::TShown& shown) {
    sent_ = TSent{now, shown};
}
