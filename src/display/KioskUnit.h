#pragma once

#include <stdexcept>
#include <string>
#include <sys/types.h>
#include <vector>

// A kiosk that cannot be installed, removed or run; the message says why.
class EKioskError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The account a kiosk shows the display as.
struct TKioskAccount {
    std::string Name;
    uid_t Uid = 0;
    std::string Home;
};

// The system unit that makes a machine a display: velmora-display's kiosk session (cage with the
// display) on the first console for a kiosk account, from boot on, without anybody logging in.
// A system unit rather than a user unit: a user's units start only once that user has a
// session, and here the unit is what gives the account its session; and only a system unit can
// take the console from its login prompt.
namespace KioskUnit {

constexpr const char* Name = "velmora-kiosk.service";
// The administrator's units, where the unit is written (under the machine's root folder).
constexpr const char* Folder = "/etc/systemd/system";
// The console the kiosk takes from its login prompt.
constexpr const char* Console = "tty1";

// The login prompt on the console: "getty@tty1.service".
std::string Getty();

// The display's settings file as the unit runs it, in the account's home.
std::string SettingsPath(const TKioskAccount& account);

// The unit's text: the executable's kiosk session with the arguments, for the account.
std::string Text(const TKioskAccount& account, const std::string& executable,
                 const std::vector<std::string>& arguments);

// One word of a unit's command line, as systemd reads it back: in double quotes when it holds a
// blank, a quote, a backslash or a control character (backslashes and quotes escaped, control
// characters as \xNN), "%" and "$" doubled so that they are neither specifiers nor variables.
std::string CommandWord(const std::string& word);

} // namespace KioskUnit
