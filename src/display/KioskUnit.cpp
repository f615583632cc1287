#include "display/KioskUnit.h"

#include "display/DisplayOptions.h"
#include "platform/AsciiText.h"
#include "platform/ProgramPaths.h"

#include <cstdio>

namespace KioskUnit {

std::string Getty() {
    return std::string("getty@") + Console + ".service";
}

std::string SettingsPath(const TKioskAccount& account) {
    return DisplayOptions::SettingsPath(ProgramPaths::ConfigHomeOf(account.Home));
}

std::string CommandWord(const std::string& word) {
    std::string body;
    bool quoted = word.empty();
    for (const char c : word) {
        if (AsciiText::IsControl(c)) {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned char>(c));
            body += escape;
            quoted = true;
        } else if (c == '\\' || c == '"') {
            body += '\\';
            body += c;
            quoted = true;
        } else if (c == '%' || c == '$') {
            body.append(2, c);
        } else {
            body += c;
            quoted = quoted || c == ' ' || c == '\'';
        }
    }
    return quoted ? '"' + body + '"' : body;
}

std::string Text(const TKioskAccount& account, const std::string& executable,
                 const std::vector<std::string>& arguments) {
    const std::string console = Console;
    std::string command = CommandWord(executable) + " " + DisplayOptions::KioskSession;
    for (const std::string& argument : arguments)
        command += " " + CommandWord(argument);
    return "# Velmora display kiosk: velmora-display full screen under cage, the Wayland kiosk\n"
           "# compositor, on " +
           console + " for the account " + account.Name +
           ", from boot on, without anybody logging in.\n"
           "# Written by velmora-display --install-kiosk; velmora-display --remove-kiosk disables\n"
           "# and removes it and gives " +
           console +
           " its login prompt back.\n"
           "# The display's server and slot name: [Display] Server= and Name= in\n# " +
           SettingsPath(account) +
           "\n"
           "[Unit]\n"
           "Description=Velmora display kiosk on " +
           console +
           "\n"
           "Documentation=man:velmora-display(1)\n"
           "# Logins allowed, logind there to give the account its session and the seat, a boot\n"
           "# splash off the screen.\n"
           "After=systemd-user-sessions.service systemd-logind.service "
           "plymouth-quit-wait.service\n"
           "Wants=systemd-logind.service\n"
           "# The kiosk takes the console from its login prompt.\n"
           "Conflicts=" +
           Getty() + "\nAfter=" + Getty() +
           "\n"
           "ConditionPathExists=/dev/tty0\n"
           "# Never give up restarting: nobody may look at the display for weeks.\n"
           "StartLimitIntervalSec=0\n"
           "\n"
           "[Service]\n"
           "User=" +
           account.Name +
           "\n"
           "# The video group reaches the seat through seatd where it stands in for polkit, and\n"
           "# the HDMI-CEC adapters (/dev/cec*) that turn the TV off and on.\n"
           "SupplementaryGroups=video\n"
           "# A login session: logind gives the account the seat, through which cage takes the\n"
           "# screen and the input devices, and XDG_RUNTIME_DIR.\n"
           "PAMName=login\n"
           "TTYPath=/dev/" +
           console +
           "\n"
           "TTYReset=yes\n"
           "TTYVHangup=yes\n"
           "TTYVTDisallocate=yes\n"
           "StandardInput=tty\n"
           "# The console is input only: what the display says goes to the journal.\n"
           "StandardOutput=journal\n"
           "StandardError=journal\n"
           "Environment=XDG_SESSION_TYPE=wayland\n"
           "# Qt's Wayland plugin where it is installed, else X11 through XWayland.\n"
           "Environment=\"QT_QPA_PLATFORM=wayland;xcb\"\n"
           "# The login session moves the unit's processes into a session scope, where systemd\n"
           "# hears the main process alone. The kiosk session is that process: it runs cage with\n"
           "# the display and passes on the display's readiness, status lines and watchdog pings,\n"
           "# which stop when the display hangs or its video stands still. It also turns the\n"
           "# console's blanking off; cage itself blanks nothing.\n"
           "Type=notify\n"
           "NotifyAccess=main\n"
           "WatchdogSec=30\n"
           "# Where the session keeps its choice of renderer between restarts, until the next "
           "boot.\n"
           "RuntimeDirectory=velmora-kiosk\n"
           "RuntimeDirectoryPreserve=restart\n"
           "ExecStart=" +
           command +
           "\n"
           "Restart=always\n"
           "RestartSec=2\n"
           "\n"
           "[Install]\n"
           "# As the login prompts: reached by a machine that boots to the console and by one\n"
           "# that boots to a desktop.\n"
           "WantedBy=multi-user.target\n";
}

} // namespace KioskUnit
