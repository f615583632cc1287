#pragma once

#include "layouts/Hours.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

class TIniFile;

// A command line or settings file that cannot be used; the message names what is wrong.
class EDisplayOptionsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One rewrite of a media path's beginning: layouts carry paths of the operator's machine.
struct TPathMap {
    std::string From; // Windows-1251 bytes, as the layouts carry paths
    std::string To;   // a local path, UTF-8
};

// How the display program runs. The settings file gives the defaults; the command line wins.
struct TDisplayOptions {
    static constexpr uint16_t DefaultPort = 5678;
    static constexpr int DefaultPictureSeconds = 10;
    static constexpr int FewestPictureSeconds = 1;
    static constexpr int MostPictureSeconds = 3600;

    std::string Host; // empty: no server, the standby screen says how to set one
    uint16_t Port = DefaultPort;
    std::string Name; // the slot name, Windows-1251 bytes as the wire carries it
    // The local IPv4 address to connect from; empty: the system's choice. The server knows a
    // display by its address, so several displays on one machine each need one of their own.
    std::string Source;
    int KickQuietSeconds = 60;
    int MessageSeconds = 15;
    std::vector<TPathMap> Maps; // tried in order: the command line's, then the file's
    // The shown layout's files are checked against their sources this often (and on each layout).
    int MediaCheckSeconds = 600;
    // A rotation's picture stays this long unless its playlist gives its own time.
    int PictureSeconds = DefaultPictureSeconds;
    int64_t CacheBytes = int64_t{4} << 30; // the media cache's size limit
    // When the screen is on; unset: always. Outside them the panel is off and nothing decodes.
    std::optional<Hours::THours> ScreenHours;
    // The HDMI-CEC adapter that turns the TV off and on: empty, the first that can act as a
    // source; "off", none; else its device (/dev/cec0).
    std::string Cec;
    double Scale = 0; // 0: the screen's height over the layout window's 638
    int Screen = 0;
    int WindowedWidth = 0; // 0: full screen
    int WindowedHeight = 0;
};

enum class TDisplayAction {
    Run,
    Help,
    InstallAutostart,
    RemoveAutostart,
    InstallKiosk,
    RemoveKiosk,
    KioskSession
};

struct TDisplayCommand {
    TDisplayAction Action = TDisplayAction::Run;
    TDisplayOptions Options;
    // The arguments that set options, for an autostart entry or a kiosk unit that runs the
    // display as this command line would.
    std::vector<std::string> OptionArguments;
    std::string KioskAccount; // --install-kiosk's account
};

namespace DisplayOptions {

// What the kiosk unit runs: cage with the display (display/KioskSession).
constexpr const char* KioskSession = "--kiosk-session";

// $XDG_CONFIG_HOME/Quillbrook/VelmoraDisplay/display.ini
std::string SettingsPath();
// The settings file under another account's configuration folder.
std::string SettingsPath(const std::string& configHome);

// $XDG_CACHE_HOME/Quillbrook/VelmoraDisplay/media: the copies of what the maps take.
std::string MediaCacheFolder();

// The options of the settings file (section "Display", path maps in "PathMaps"), overridden by
// the command line (without the program name). Throws EDisplayOptionsError.
TDisplayCommand Parse(const std::vector<std::string>& arguments, const TIniFile& settings);

// What --help prints: every option, and the settings file.
std::string HelpText();

} // namespace DisplayOptions
