#pragma once

#include <string>
#include <string_view>

// Where a setting is kept between runs.
enum class TSettingStore {
    KeyStore,   // the per-user settings key
    ProgramIni, // the .ini beside the executable
};

// One persisted setting: its name, where it is stored and what it is when absent.
struct TSettingRow {
    std::string_view Name;
    TSettingStore Store;
    // The .ini section; for a section per client, the part before the client key.
    std::string_view Section;
    int Default;
};

// Every setting the program keeps, one row each. The layouts, kept in sections of their own with
// keys per element, are described with the layout store.
namespace SettingsTable {

inline constexpr TSettingRow LogOK{"LogOK", TSettingStore::KeyStore, "", 1};
inline constexpr TSettingRow HintShow{"HintShow", TSettingStore::KeyStore, "", 1};
inline constexpr TSettingRow MinFormShow{"MinFormShow", TSettingStore::KeyStore, "", 0};
inline constexpr TSettingRow AutoRun{"AutoRun", TSettingStore::KeyStore, "", 0};
// The interface language: 0 English, 1 Russian. The name is spelled so.
inline constexpr TSettingRow Languare{"Languare", TSettingStore::KeyStore, "", 0};

inline constexpr TSettingRow ServerPort{"ServerPort", TSettingStore::ProgramIni, "ServerParams",
                                        5678};
inline constexpr TSettingRow ServerAutoStart{"ServerAutoStart", TSettingStore::ProgramIni,
                                             "ServerParams", 0};
// A client's display type, in the section "ClientDisplay_" + client key.
inline constexpr TSettingRow DisplayType{"DisplayType", TSettingStore::ProgramIni, "ClientDisplay_",
                                         1};

// The port the operator's text asks for, read by the .ini integer rule; the default port when
// it is not a whole number.
int PortFromText(std::string_view text);
// The port as the port field shows it.
std::string PortText(int port);

} // namespace SettingsTable
