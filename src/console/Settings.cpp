#include "Settings.h"

#include "platform/Autostart.h"
#include "platform/IniFile.h"
#include "platform/KeyStore.h"
#include "platform/ProgramPaths.h"

#include <exception>
#include <optional>

namespace {

// Every option in the order it is read and written, with the flag that holds it.
struct TOptionRow {
    const TSettingRow* Setting;
    uint8_t TOptionFlags::*Flag;
};

constexpr TOptionRow OptionRows[] = {
    {&SettingsTable::LogOK, &TOptionFlags::LogOK},
    {&SettingsTable::HintShow, &TOptionFlags::HintShow},
    {&SettingsTable::MinFormShow, &TOptionFlags::MinFormShow},
    {&SettingsTable::AutoRun, &TOptionFlags::AutoRun},
};

constexpr const TSettingRow& Port = SettingsTable::ServerPort;
constexpr const TSettingRow& AutoStart = SettingsTable::ServerAutoStart;
constexpr const TSettingRow& Language = SettingsTable::Languare;

} // namespace

namespace Settings {

TOptionFlags ReadOptions(TKeyStore& key) {
    TOptionFlags options; // all off: what is not read stays off
    try {
        key.OpenKey(true);
        for (const TOptionRow& row : OptionRows) {
            const std::string_view name = row.Setting->Name;
            options.*row.Flag = key.ValueExists(name) ? (key.ReadBool(name) ? 1 : 0)
                                                      : static_cast<uint8_t>(row.Setting->Default);
        }
    } catch (const std::exception&) {
        // Settings fall back without a message.
    }
    return options;
}

TOptionFlags ReadOptions() {
    TKeyStore key;
    return ReadOptions(key);
}

void WriteOptions(TKeyStore& key, const TOptionFlags& options) {
    try {
        key.OpenKey(true);
        for (const TOptionRow& row : OptionRows)
            key.WriteBool(row.Setting->Name, options.*row.Flag != 0);
    } catch (const std::exception&) {
        // The program is ending; there is nobody left to tell.
    }
}

void WriteOptions(const TOptionFlags& options) {
    TKeyStore key;
    WriteOptions(key, options);
}

uint8_t Flipped(uint8_t flag) {
    return flag == 1 ? 0 : 1;
}

void ToggleAutoRun(uint8_t& autoRun, TAutostart& autostart, std::string_view title,
                   std::string_view executablePath) {
    autoRun = Flipped(autoRun);
    if (autoRun == 1)
        autostart.WriteEntry(title, executablePath);
    else
        autostart.DeleteEntry(title);
}

void ToggleAutoRun(uint8_t& autoRun) {
    TAutostart autostart;
    ToggleAutoRun(autoRun, autostart, ProgramPaths::ProgramTitle(), ProgramPaths::StartCommand());
}

TServerParams ReadServerParams(const TIniFile& ini) {
    TServerParams params;
    params.Port = ini.ReadInteger(Port.Section, Port.Name, Port.Default);
    if (params.Port == 0)
        params.Port = Port.Default;
    params.AutoStart = ini.ReadBool(AutoStart.Section, AutoStart.Name, AutoStart.Default != 0);
    return params;
}

TServerParams ReadServerParams() {
    return ReadServerParams(TIniFile(ProgramPaths::IniPath()));
}

void WriteServerParams(TIniFile& ini, std::string_view portText, bool autoStart) {
    std::optional<EIniFileException> failure;
    try {
        ini.WriteInteger(Port.Section, Port.Name, SettingsTable::PortFromText(portText));
    } catch (const EIniFileException& e) {
        failure = e;
    }
    try {
        ini.WriteBool(AutoStart.Section, AutoStart.Name, autoStart);
    } catch (const EIniFileException& e) {
        if (!failure)
            failure = e;
    }
    if (failure)
        throw *failure;
}

void WriteServerParams(std::string_view portText, bool autoStart) {
    TIniFile ini(ProgramPaths::IniPath());
    WriteServerParams(ini, portText, autoStart);
}

int ReadLanguage(TKeyStore& key) {
    try {
        key.OpenKey(true);
        if (key.ValueExists(Language.Name))
            return key.ReadInteger(Language.Name);
    } catch (const std::exception&) {
        // An unreadable language is English.
    }
    return Language.Default;
}

int ReadLanguage() {
    TKeyStore key;
    return ReadLanguage(key);
}

void WriteLanguage(TKeyStore& key, int languageIndex) {
    // A key that cannot be made leaves the write to fail with the value's name.
    key.OpenKey(true);
    key.WriteInteger(Language.Name, languageIndex);
}

void WriteLanguage(int languageIndex) {
    TKeyStore key;
    WriteLanguage(key, languageIndex);
}

bool SaveLanguage(TKeyStore& key, int languageIndex) {
    try {
        WriteLanguage(key, languageIndex);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool SaveLanguage(int languageIndex) {
    TKeyStore key;
    return SaveLanguage(key, languageIndex);
}

} // namespace Settings
