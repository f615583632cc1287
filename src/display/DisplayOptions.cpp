#include "display/DisplayOptions.h"

#include "platform/CodePage1251.h"
#include "platform/IniFile.h"
#include "platform/ProgramPaths.h"

#include <algorithm>
#include <arpa/inet.h>
#include <charconv>
#include <cmath>
#include <optional>

namespace {

constexpr const char* Section = "Display";
constexpr const char* MapsSection = "PathMaps";

// A Windows-1251 text from the UTF-8 the terminal or an editor gives.
std::string WireText(const std::string& what, const std::string& utf8) {
    auto bytes = CodePage1251::FromUtf8(utf8);
    if (!bytes)
        throw EDisplayOptionsError(what + " \"" + utf8 +
                                   "\" holds characters that the layouts cannot carry");
    return *bytes;
}

std::optional<long> WholeNumber(std::string_view text) {
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

int Bounded(const std::string& option, const std::string& text, long low, long high) {
    const auto value = WholeNumber(text);
    if (!value || *value < low || *value > high)
        throw EDisplayOptionsError(option + " takes a whole number from " + std::to_string(low) +
                                   " to " + std::to_string(high) + ", not \"" + text + "\"");
    return static_cast<int>(*value);
}

// The server listens on IPv4 only. An IPv6 address holds two colons or more (or stands in
// brackets to set a port apart), which HOST:PORT never does.
void RefuseIPv6(const std::string& text) {
    if (text.front() == '[' || std::count(text.begin(), text.end(), ':') >= 2)
        throw EDisplayOptionsError("--server takes an IPv4 address or a host name, as the server "
                                   "listens on IPv4 only, not the IPv6 address \"" +
                                   text + "\"");
}

void SetServer(TDisplayOptions& options, const std::string& text) {
    if (!text.empty())
        RefuseIPv6(text);
    std::string host = text;
    uint16_t port = TDisplayOptions::DefaultPort;
    if (const auto colon = text.rfind(':'); colon != std::string::npos) {
        host = text.substr(0, colon);
        port = static_cast<uint16_t>(Bounded("--server's port", text.substr(colon + 1), 1, 65535));
    }
    if (host.empty())
        throw EDisplayOptionsError("--server takes HOST or HOST:PORT, not \"" + text + "\"");
    options.Host = host;
    options.Port = port;
}

void SetScale(TDisplayOptions& options, const std::string& text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value) || value < 0.1 || value > 10)
        throw EDisplayOptionsError("--scale takes a number from 0.1 to 10, not \"" + text + "\"");
    options.Scale = value;
}

void SetWindowed(TDisplayOptions& options, const std::string& text) {
    const auto x = text.find('x');
    if (x == std::string::npos)
        throw EDisplayOptionsError("--windowed takes WIDTHxHEIGHT, not \"" + text + "\"");
    options.WindowedWidth = Bounded("--windowed's width", text.substr(0, x), 100, 16384);
    options.WindowedHeight = Bounded("--windowed's height", text.substr(x + 1), 100, 16384);
}

// A size in bytes, or with a binary unit: "4G", "500M", "4GiB", "512MiB".
void SetCacheSize(TDisplayOptions& options, const std::string& text) {
    const auto digits = text.find_first_not_of("0123456789");
    const std::string number = text.substr(0, digits);
    std::string unit = digits == text.npos ? "" : text.substr(digits);
    if (unit.size() == 3 && unit.substr(1) == "iB")
        unit.resize(1);
    const size_t unitAt = unit.size() == 1 ? std::string_view("KMGT").find(unit[0]) : 0;
    const auto value = WholeNumber(number);
    const bool valid = value && unit.size() <= 1 && unitAt != std::string_view::npos;
    const int power = unit.empty() ? 0 : static_cast<int>(unitAt) + 1;
    constexpr int64_t Most = int64_t{1} << 50;
    const bool inRange = valid && *value <= (Most >> (10 * power));
    const int64_t bytes = inRange ? *value << (10 * power) : 0;
    if (bytes < (int64_t{1} << 20))
        throw EDisplayOptionsError("--cache-size takes a size of 1M or more, in bytes or with K, "
                                   "M, G or T (4G), not \"" +
                                   text + "\"");
    options.CacheBytes = bytes;
}

TPathMap MapOf(const std::string& from, const std::string& to) {
    if (from.empty() || to.empty())
        throw EDisplayOptionsError("--map takes FROM=TO with neither side empty");
    return TPathMap{WireText("The map's FROM", from), to};
}

void SetName(TDisplayOptions& options, const std::string& value) {
    if (value.find_first_of("\r\n") != std::string::npos)
        throw EDisplayOptionsError("The name cannot hold a line break");
    options.Name = WireText("The name", value);
}

void AddMap(TDisplayOptions& options, const std::string& value) {
    const auto eq = value.find('=');
    if (eq == std::string::npos)
        throw EDisplayOptionsError("--map takes FROM=TO, not \"" + value + "\"");
    options.Maps.push_back(MapOf(value.substr(0, eq), value.substr(eq + 1)));
}

// Every option that takes a value, and its key in the settings file's section.
struct TOption {
    const char* Name;
    const char* Key; // null: not in the section (path maps have a section of their own)
    void (*Set)(TDisplayOptions&, const std::string&);
};

constexpr TOption Options[] = {
    {"--server", "Server", SetServer},
    {"--name", "Name", SetName},
    {"--kick-quiet", "KickQuiet",
     [](TDisplayOptions& o, const std::string& v) {
         o.KickQuietSeconds = Bounded("--kick-quiet", v, 0, 86400);
     }},
    {"--message-seconds", "MessageSeconds",
     [](TDisplayOptions& o, const std::string& v) {
         o.MessageSeconds = Bounded("--message-seconds", v, 1, 3600);
     }},
    {"--source", "Source",
     [](TDisplayOptions& o, const std::string& v) {
         in_addr address{};
         if (::inet_pton(AF_INET, v.c_str(), &address) != 1)
             throw EDisplayOptionsError("--source takes an IPv4 address, not \"" + v + "\"");
         o.Source = v;
     }},
    {"--scale", "Scale", SetScale},
    {"--screen", "Screen",
     [](TDisplayOptions& o, const std::string& v) { o.Screen = Bounded("--screen", v, 0, 63); }},
    {"--windowed", "Windowed", SetWindowed},
    {"--media-check", "MediaCheck",
     [](TDisplayOptions& o, const std::string& v) {
         o.MediaCheckSeconds = Bounded("--media-check", v, 10, 86400);
     }},
    {"--picture-seconds", "PictureSeconds",
     [](TDisplayOptions& o, const std::string& v) {
         o.PictureSeconds = Bounded("--picture-seconds", v, TDisplayOptions::FewestPictureSeconds,
                                    TDisplayOptions::MostPictureSeconds);
     }},
    {"--cache-size", "CacheSize", SetCacheSize},
    {"--screen-hours", "ScreenHours",
     [](TDisplayOptions& o, const std::string& v) {
         o.ScreenHours = Hours::THours::Parse(v);
         if (!o.ScreenHours)
             throw EDisplayOptionsError("--screen-hours takes hours such as \"Mon-Fri "
                                        "07:00-22:00, Sat 09:00-18:00\", not \"" +
                                        v + "\"");
     }},
    {"--cec", "Cec", [](TDisplayOptions& o, const std::string& v) { o.Cec = v; }},
    {"--map", nullptr, AddMap},
};

// The options that choose what the program does instead of showing layouts. --install-kiosk,
// which takes the account, is the one that takes a value.
constexpr const char* InstallKiosk = "--install-kiosk";
constexpr std::pair<const char*, TDisplayAction> Actions[] = {
    {"--install-autostart", TDisplayAction::InstallAutostart},
    {"--remove-autostart", TDisplayAction::RemoveAutostart},
    {"--remove-kiosk", TDisplayAction::RemoveKiosk},
    {DisplayOptions::KioskSession, TDisplayAction::KioskSession},
};

std::optional<TDisplayAction> ActionOf(const std::string& argument) {
    for (const auto& [name, action] : Actions) {
        if (argument == name)
            return action;
    }
    return std::nullopt;
}

const TOption* Find(const std::string& name) {
    for (const TOption& option : Options) {
        if (name == option.Name)
            return &option;
    }
    return nullptr;
}

void ApplySettings(TDisplayOptions& options, const TIniFile& settings) {
    for (const TOption& option : Options) {
        const std::string value =
            option.Key != nullptr ? settings.ReadString(Section, option.Key, "") : "";
        if (value.empty())
            continue;
        try {
            option.Set(options, value);
        } catch (const EDisplayOptionsError& e) {
            throw EDisplayOptionsError(settings.FileName() + ", " + option.Key + ": " + e.what());
        }
    }
    for (const auto& [from, to] : settings.ReadSectionValues(MapsSection))
        options.Maps.push_back(MapOf(from, to));
}

} // namespace

namespace DisplayOptions {

std::string SettingsPath() {
    return SettingsPath(ProgramPaths::ConfigHome());
}

std::string SettingsPath(const std::string& configHome) {
    return configHome + "/Quillbrook/VelmoraDisplay/display.ini";
}

std::string MediaCacheFolder() {
    return ProgramPaths::CacheHome() + "/Quillbrook/VelmoraDisplay/media";
}

TDisplayCommand Parse(const std::vector<std::string>& arguments, const TIniFile& settings) {
    TDisplayCommand command;
    TDisplayOptions fromLine;
    std::vector<TPathMap> lineMaps;
    std::vector<std::pair<std::string, std::string>> given;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            command.Action = TDisplayAction::Help;
            return command;
        }
        if (const auto action = ActionOf(argument)) {
            command.Action = *action;
            continue;
        }
        if (argument.rfind("--", 0) != 0)
            throw EDisplayOptionsError("Unexpected argument \"" + argument +
                                       "\"; --help lists the options");
        const auto eq = argument.find('=');
        const std::string option = argument.substr(0, eq);
        const bool kioskAccount = option == InstallKiosk;
        if (!kioskAccount && Find(option) == nullptr)
            throw EDisplayOptionsError("Unknown option \"" + option + "\"; --help lists them");
        std::string value;
        if (eq != argument.npos)
            value = argument.substr(eq + 1);
        else if (i + 1 < arguments.size())
            value = arguments[++i];
        else
            throw EDisplayOptionsError(argument + " needs a value; --help lists the options");
        if (kioskAccount) {
            command.Action = TDisplayAction::InstallKiosk;
            command.KioskAccount = value;
        } else {
            given.emplace_back(option, value);
        }
    }
    ApplySettings(command.Options, settings);
    // The command line's maps are tried before the file's.
    std::vector<TPathMap> fileMaps = std::move(command.Options.Maps);
    command.Options.Maps.clear();
    for (const auto& [option, value] : given) {
        Find(option)->Set(command.Options, value);
        command.OptionArguments.push_back(option + "=" + value);
    }
    command.Options.Maps.insert(command.Options.Maps.end(), fileMaps.begin(), fileMaps.end());
    return command;
}

std::string HelpText() {
    return "Usage: velmora-display [OPTION]...\n"
           "Shows the layout that the Velmora server gives this display, full screen.\n"
           "\n"
           "  --server HOST[:PORT]    the operator's server (port 5678 unless given): an IPv4\n"
           "                          address or a name with one, as the server listens on\n"
           "                          IPv4 only\n"
           "  --name NAME             the slot this display registers under, e.g. \"Client 3\"\n"
           "  --map FROM=TO           media paths beginning with FROM are found in TO: a\n"
           "                          folder, or a web address (http://10.0.0.5/media/);\n"
           "                          Windows paths (C:\\Media) match in any letter case and\n"
           "                          their backslashes become slashes; may be repeated.\n"
           "                          What a map takes is copied into the media cache\n"
           "                          and shown from there, also while TO is away\n"
           "  --media-check SECONDS   ask the sources whether the shown files changed this\n"
           "                          often, and on each layout (600)\n"
           "  --picture-seconds N     show a picture of a rotation (a playlist or a folder)\n"
           "                          this long, unless the playlist gives its own time (" +
           std::to_string(TDisplayOptions::DefaultPictureSeconds) +
           ")\n"
           "  --cache-size SIZE       the media cache's limit, e.g. 500M or 4G (4G); the\n"
           "                          least recently shown files go first\n"
           "  --screen-hours HOURS    the screen is on within these hours only, e.g.\n"
           "                          \"Mon-Fri 07:00-22:00, Sat 09:00-18:00\"; outside\n"
           "                          them it is off (black, nothing decoded, the TV in\n"
           "                          standby over HDMI-CEC, DPMS off on X11)\n"
           "  --cec DEVICE            the HDMI-CEC adapter that turns the TV off and on\n"
           "                          (/dev/cec0), or off; default: the first that can\n"
           "                          act as a source\n"
           "  --source ADDRESS        the local IPv4 address to connect from; the server\n"
           "                          knows a display by its address, so several displays\n"
           "                          on one machine each need one (127.0.0.2, ...)\n"
           "  --kick-quiet SECONDS    stay away this long after the operator's kick (60)\n"
           "  --message-seconds N     show a message this long over the layout (15)\n"
           "  --scale FACTOR          layout pixels per screen pixel; 1 keeps raw pixels\n"
           "                          (default: the screen's height over 638)\n"
           "  --screen N              show on screen N (0 is the first)\n"
           "  --windowed WxH          a window of that size instead of full screen,\n"
           "                          e.g. --windowed 816x638, to try it on a desktop\n"
           "  --install-autostart     start with the desktop session, with these options\n"
           "  --remove-autostart      no longer start with the desktop session\n"
           "  --install-kiosk USER    make this machine a kiosk (as root): a system unit\n"
           "                          runs the display under cage on tty1 for the account\n"
           "                          USER from boot on, with these options, instead of\n"
           "                          the login prompt there (getty@tty1 is disabled)\n"
           "  --remove-kiosk          take the kiosk away again (as root): the unit is\n"
           "                          disabled and removed, getty@tty1 enabled again\n"
           "  --kiosk-session         what the kiosk unit runs: cage with the display,\n"
           "                          passing the display's word on to systemd\n"
           "  --help                  this text\n"
           "\n"
           "Ctrl+Alt+E ends the display.\n"
           "\n"
           "The same settings may stand in " +
           SettingsPath() +
           ",\n"
           "section [Display] (Server, Name, Source, KickQuiet, MessageSeconds, Scale, Screen,\n"
           "Windowed, MediaCheck, PictureSeconds, CacheSize, ScreenHours, Cec)\n"
           "and section [PathMaps] (one FROM=TO line each); the command line wins.\n"
           "The media cache is " +
           MediaCacheFolder() + ".\n";
}

} // namespace DisplayOptions
