#include "layouts/Playlist.h"

#include "layouts/LayoutPath.h"
#include "platform/AsciiText.h"
#include "platform/CodePage1251.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <utility>

namespace {

constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view ExtInf = "#EXTINF:";
constexpr std::string_view HoursTag = "#VELMORA-HOURS:";
constexpr std::string_view FileScheme = "file://";
// A picture's own time is at most a day.
constexpr int MostSeconds = 86400;

// One line at a time, whatever ends them: CR LF, LF or CR.
class TLines {
public:
    explicit TLines(std::string_view text) : text_(text) {}

    bool Next(std::string_view& line) {
        if (text_.empty())
            return false;
        const size_t end = std::min(text_.find_first_of("\r\n"), text_.size());
        line = text_.substr(0, end);
        const bool crlf = text_.substr(end, 2) == "\r\n";
        text_.remove_prefix(std::min(end + (crlf ? 2 : 1), text_.size()));
        ++number_;
        return true;
    }
    size_t Number() const { return number_; }

private:
    std::string_view text_;
    size_t number_ = 0;
};

// The folder part of a path, without its last separator; empty when there is none.
std::string_view FolderOf(std::string_view path) {
    const size_t last =
        LayoutPath::IsWindowsPath(path) ? path.find_last_of("/\\") : path.rfind('/');
    return last == std::string_view::npos ? std::string_view() : path.substr(0, last);
}

// The path a "file://" address names, as media players save entries ("file:///C:/Ads/a%20b.mp4",
// "file://host/share/a.mp4", "file:///srv/ads/a.mp4"); nothing when it is not readable as one.
std::optional<std::string> FromFileAddress(std::string_view address) {
    std::string path;
    for (size_t i = FileScheme.size(); i < address.size(); ++i) {
        if (address[i] != '%') {
            path += address[i];
            continue;
        }
        unsigned value = 0;
        const char* digits = address.data() + i + 1;
        const auto [end, error] = std::from_chars(
            digits, digits + std::min<size_t>(2, address.size() - i - 1), value, 16);
        if (error != std::errc() || end != digits + 2)
            return std::nullopt;
        path += static_cast<char>(value);
        i += 2;
    }
    if (!CodePage1251::IsUtf8(path) || AsciiText::HasControl(path))
        return std::nullopt;
    if (path.size() > 1 && path[0] == '/' && LayoutPath::IsWindowsPath(path.substr(1)))
        path.erase(0, 1);
    else if (path.empty() || path[0] != '/')
        path = "//" + path; // a host: a UNC path
    if (LayoutPath::IsWindowsPath(path) || path.substr(0, 2) == "//")
        std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

// A path's folder names, "." left out and ".." taking the name before it away: what an entry's
// and the playlist's paths are compared by.
std::vector<std::string_view> PartsOf(std::string_view path) {
    const std::string_view separators = LayoutPath::IsWindowsPath(path) ? "/\\" : "/";
    std::vector<std::string_view> parts;
    while (!path.empty()) {
        const size_t end = std::min(path.find_first_of(separators), path.size());
        const std::string_view part = path.substr(0, end);
        if (part == ".." && !parts.empty())
            parts.pop_back();
        else if (!part.empty() && part != ".")
            parts.push_back(part);
        path.remove_prefix(std::min(end + 1, path.size()));
    }
    return parts;
}

// Windows names compare as the maps do, in any letter case of the code page.
bool SameName(std::string_view a, std::string_view b, bool windows) {
    if (!windows)
        return a == b;
    const auto a1251 = CodePage1251::FromUtf8(a);
    const auto b1251 = CodePage1251::FromUtf8(b);
    return a1251 && b1251 ? CodePage1251::SameText(*a1251, *b1251) : a == b;
}

class TReading {
public:
    explicit TReading(std::string_view path)
        : path_(path), windows_(LayoutPath::IsWindowsPath(path)), parts_(PartsOf(path)) {}

    bool Full() const { return full_; }

    void Problem(const std::string& what) {
        if (rotation_.Problems.size() < Playlist::MostProblemLines)
            rotation_.Problems.push_back("the playlist \"" + std::string(path_) + "\"" + what);
        else
            ++unsaid_;
    }

    void LineProblem(size_t line, const std::string& what) {
        Problem(", line " + std::to_string(line) + ": " + what);
    }

    void Take(std::string_view text, size_t line, bool utf8) {
        text = AsciiText::Trim(text);
        if (text.empty())
            return;
        if (text.front() == '#') {
            if (CodePage1251::StartsWithText(text, ExtInf))
                TakeExtInf(text, line);
            else if (CodePage1251::StartsWithText(text, HoursTag))
                TakeHours(text, line, utf8);
            return;
        }
        const std::optional<int> seconds = std::exchange(seconds_, std::nullopt);
        std::optional<Hours::THours> hours = std::exchange(hours_, std::nullopt);
        if (rotation_.Entries.size() == Rotation::MostEntries) {
            Problem(" holds more than " + std::to_string(Rotation::MostEntries) +
                    " entries; the rest are left out");
            full_ = true;
            return;
        }
        if (text.size() > Playlist::MostPathBytes)
            return LineProblem(line, "a line of " + std::to_string(text.size()) +
                                         " bytes is too long for a path; left out");
        if (utf8 && !CodePage1251::IsUtf8(text))
            return LineProblem(line, "the line is not UTF-8; left out");
        if (AsciiText::HasControl(text))
            return LineProblem(line, "the line holds control characters; left out");
        const std::string entry = utf8 ? std::string(text) : CodePage1251::ToUtf8(text);
        const std::optional<std::string> path = Resolved(entry);
        if (!path)
            return LineProblem(line,
                               "\"" + entry + "\" is not a readable file:// address; left out");
        if (const auto loop = LoopOf(*path))
            return LineProblem(line, "\"" + entry + "\" names " + loop + "; left out");
        const bool picture = Rotation::KindOf(*path) == TMediaKind::Picture;
        rotation_.Entries.push_back({*path, picture ? seconds : std::nullopt, std::move(hours)});
    }

    TRotation Done() && {
        if (rotation_.Entries.empty())
            Problem(" names nothing to show");
        if (unsaid_ > 0)
            rotation_.Problems.push_back("the playlist \"" + std::string(path_) + "\": " +
                                         std::to_string(unsaid_) + " more problems not listed");
        return std::move(rotation_);
    }

private:
    // "#EXTINF:<seconds>,<title>"; -1 or 0, a time not known, leaves the default.
    void TakeExtInf(std::string_view text, size_t line) {
        text.remove_prefix(ExtInf.size());
        const std::string_view number = AsciiText::Trim(text.substr(0, text.find(',')));
        double value = 0;
        const auto [end, error] =
            std::from_chars(number.data(), number.data() + number.size(), value);
        const bool read =
            !number.empty() && error == std::errc() && end == number.data() + number.size();
        if (read && value <= 0) {
            seconds_.reset();
        } else if (read && std::isfinite(value) && value <= MostSeconds) {
            seconds_ = std::max(1, static_cast<int>(std::lround(value)));
        } else {
            seconds_.reset();
            LineProblem(line, "#EXTINF gives no time from 1 to " + std::to_string(MostSeconds) +
                                  " seconds; the default holds");
        }
    }

    // "#VELMORA-HOURS:<hours>" for the next entry; hours that cannot be read leave it shown at
    // all hours.
    void TakeHours(std::string_view text, size_t line, bool utf8) {
        hours_ = Hours::THours::Parse(text.substr(HoursTag.size()));
        if (hours_)
            return;
        const std::string said = utf8 ? std::string(text) : CodePage1251::ToUtf8(text);
        const bool quotable = said.size() <= Playlist::MostPathBytes &&
                              CodePage1251::IsUtf8(said) && !AsciiText::HasControl(said);
        LineProblem(line,
                    (quotable ? "\"" + said + "\"" : std::string("the line")) +
                        " gives no hours that can be read; the next entry shows at all hours");
    }

    // The entry's layout path: absolute as it stands, relative beside the playlist.
    std::optional<std::string> Resolved(const std::string& entry) const {
        if (CodePage1251::StartsWithText(entry, FileScheme))
            return FromFileAddress(entry);
        if (LayoutPath::IsWebAddress(entry) || LayoutPath::IsWindowsPath(entry))
            return entry;
        // "\Ads\a.mp4" beside "C:\Ads\mall.m3u" is on the playlist's drive; "/srv/a.mp4" is POSIX.
        const bool drive = windows_ && path_.size() >= 2 && path_[1] == ':';
        if (drive && entry.front() == '\\')
            return std::string(path_.substr(0, 2)) + entry;
        if (entry.front() == '/')
            return entry;
        std::string relative = entry;
        // An entry written on Windows, read beside a POSIX path or a web address.
        if (!windows_)
            std::replace(relative.begin(), relative.end(), '\\', '/');
        return Rotation::Within(FolderOf(path_), relative);
    }

    // What a looping entry names, or nothing.
    const char* LoopOf(const std::string& path) const {
        if (LayoutPath::IsWindowsPath(path) != windows_)
            return nullptr;
        const std::vector<std::string_view> parts = PartsOf(path);
        if (parts.size() > parts_.size())
            return nullptr;
        for (size_t i = 0; i < parts.size(); ++i) {
            if (!SameName(parts[i], parts_[i], windows_))
                return nullptr;
        }
        return parts.size() == parts_.size() ? "the playlist itself"
                                             : "a folder that holds the playlist";
    }

    std::string_view path_;
    bool windows_;
    std::vector<std::string_view> parts_;
    std::optional<int> seconds_;         // from the #EXTINF before the next entry
    std::optional<Hours::THours> hours_; // from the #VELMORA-HOURS before the next entry
    TRotation rotation_;
    size_t unsaid_ = 0;
    bool full_ = false;
};

} // namespace

namespace Playlist {

TRotation Read(std::string_view bytes, std::string_view path) {
    TReading reading(path);
    if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF") {
        reading.Problem(" is UTF-16, which the display does not read: save it as UTF-8");
        return std::move(reading).Done();
    }
    const bool bom = bytes.substr(0, Utf8Bom.size()) == Utf8Bom;
    if (bom)
        bytes.remove_prefix(Utf8Bom.size());
    const bool utf8 = bom || Rotation::ExtensionOf(path) == "m3u8" || CodePage1251::IsUtf8(bytes);
    TLines lines(bytes);
    std::string_view line;
    while (!reading.Full() && lines.Next(line))
        reading.Take(line, lines.Number(), utf8);
    return std::move(reading).Done();
}

} // namespace Playlist
