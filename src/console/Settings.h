#pragma once

#include "platform/SettingsTable.h"

#include <cstdint>
#include <string>
#include <string_view>

class TAutostart;
class TIniFile;
class TKeyStore;

// The four window options of the main window, named after their values in the settings key.
// Each holds 0 or 1 once read; flipping treats anything but 1 as off.
struct TOptionFlags {
    uint8_t LogOK = 0;
    uint8_t HintShow = 0;
    uint8_t MinFormShow = 0;
    uint8_t AutoRun = 0;
};

// The server's own settings from section "ServerParams" of the program .ini.
struct TServerParams {
    int Port = SettingsTable::ServerPort.Default;
    bool AutoStart = false;
};

// Reading and writing the operator's settings: the window options and the interface language
// in the per-user settings key, the server port and auto-start in the program .ini, and the
// autostart entry that follows the autorun option.
namespace Settings {

// The options at main window creation. A value that is absent takes its default (LogOK and
// HintShow on, MinFormShow and AutoRun off). A value that cannot be read (another type, a
// damaged file) ends the reading silently: the options read so far keep their values and the
// rest stay off.
TOptionFlags ReadOptions(TKeyStore& key);
TOptionFlags ReadOptions();

// The options at main window destruction, as 1 or 0; a failure is ignored.
void WriteOptions(TKeyStore& key, const TOptionFlags& options);
void WriteOptions(const TOptionFlags& options);

// 1 becomes 0, anything else becomes 1.
uint8_t Flipped(uint8_t flag);

// Flips the autorun option, then writes the autostart entry when it is now on or removes it
// when it is now off. Raises ERegistryException "Failed to set data for '<title>'" when the entry
// cannot be written; the option has flipped all the same. A failed removal is silent.
void ToggleAutoRun(uint8_t& autoRun, TAutostart& autostart, std::string_view title,
                   std::string_view executablePath);
// The same for this program: its title and executable, in the user's autostart folder.
void ToggleAutoRun(uint8_t& autoRun);

// "ServerPort" (default 5678, and 0 also gives 5678) and "ServerAutoStart" (default off).
TServerParams ReadServerParams(const TIniFile& ini);
TServerParams ReadServerParams();

// Writes "ServerPort" from the port field's text and "ServerAutoStart" as 1 or 0. Both are
// tried; raises EIniFileException afterwards when either could not be written.
void WriteServerParams(TIniFile& ini, std::string_view portText, bool autoStart);
void WriteServerParams(std::string_view portText, bool autoStart);

// The interface language from "Languare": 0 when absent or unreadable. Opens the key with
// creation allowed, as every access to it does.
int ReadLanguage(TKeyStore& key);
int ReadLanguage();

// Writes the interface language to "Languare". Raises ERegistryException "Failed to set data for
// 'Languare'" when it cannot be written.
void WriteLanguage(TKeyStore& key, int languageIndex);
void WriteLanguage(int languageIndex);

// The same, silent: false when it could not be written (the splash object's save at the end).
bool SaveLanguage(TKeyStore& key, int languageIndex);
bool SaveLanguage(int languageIndex);

} // namespace Settings
