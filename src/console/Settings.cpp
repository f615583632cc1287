#include "Settings.h"

#include "platform/Autostart.h"
#include "platform/IniFile.h"
#include "platform/KeyStore.h"
#include "platform/ProgramPaths.h"

#include <exception>
#include <optional>

namespace {

// Every option in the order it is read and written, with its default when absent.
struct TOptionRow {
    std::string_view Name;
    uint8_t TOptionFlags::*Flag;
    uint8_t Default;
};

constexpr TOptionRow OptionRows[] = {
    {"LogOK", &TOptionFlags::LogOK, 1},
    {"HintShow", &TOptionFlags::HintShow, 1},
    {"MinFormShow", &TOptionFlags::MinFormShow, 0},
    {"AutoRun", &TOptionFlags::AutoRun, 0},
};

} // namespace

namespace Settings {

TOptionFlags ReadOptions(TKeyStore& key) {
    TOptionFlags options; // all off: what is not read stays off
    try {
        key.OpenKey(true);
        for (const TOptionRow& row : OptionRows) {
            options.*row.Flag =
                key.ValueExists(row.Name) ? (key.ReadBool(row.Name) ? 1 : 0) : row.Default;
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
            key.WriteBool(row.Name, options.*row.Flag != 0);
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

int OptionCheckPicture(uint8_t flag) {
    return flag == 1 ? OptionCheckOnPicture : OptionCheckOffPicture;
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
    ToggleAutoRun(autoRun, autostart, ProgramPaths::ProgramTitle(), ProgramPaths::ExecutablePath());
}

TServerParams ReadServerParams(const TIniFile& ini) {
    TServerParams params;
    params.Port = ini.ReadInteger(ServerParamsSection, ServerPortKey, DefaultServerPort);
    if (params.Port == 0)
        params.Port = DefaultServerPort;
    params.AutoStart = ini.ReadBool(ServerParamsSection, ServerAutoStartKey, false);
    return params;
}

TServerParams ReadServerParams() {
    return ReadServerParams(TIniFile(ProgramPaths::IniPath()));
}

std::string PortText(int port) {
    return std::to_string(port);
}

int PortFromText(std::string_view text) {
    return StrToIntDef(text, DefaultServerPort);
}

void WriteServerParams(TIniFile& ini, std::string_view portText, bool autoStart) {
    std::optional<EIniFileException> failure;
    try {
        ini.WriteInteger(ServerParamsSection, ServerPortKey, PortFromText(portText));
    } catch (const EIniFileException& e) {
        failure = e;
    }
    try {
        ini.WriteBool(ServerParamsSection, ServerAutoStartKey, autoStart);
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
        if (key.ValueExists(LanguageValue))
            return key.ReadInteger(LanguageValue);
    } catch (const std::exception&) {
        // An unreadable language is English.
    }
    return 0;
}

int ReadLanguage() {
    TKeyStore key;
    return ReadLanguage(key);
}

bool SaveLanguage(TKeyStore& key, int languageIndex) {
    try {
        key.OpenKey(true);
        key.WriteInteger(LanguageValue, languageIndex);
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
