#pragma once

#include "platform/SettingsTable.h"

#include <string>
#include <string_view>

// Section names of the program .ini that several parts of the program share: the display type
// of a client, which the display server reads and the main window writes, and the layout of a
// client under a display type, which the layout window writes and the display server sends.
namespace ProgramIni {

// The client name with every space removed; names that differ only in spaces share sections.
inline std::string ClientKey(std::string_view clientName) {
    std::string key;
    key.reserve(clientName.size());
    for (const char c : clientName) {
        if (c != ' ')
            key.push_back(c);
    }
    return key;
}

// "ClientDisplay_" + client key.
inline std::string ClientDisplaySection(std::string_view clientName) {
    return std::string(SettingsTable::DisplayType.Section) + ClientKey(clientName);
}

// "DisplayParams_" + client key + "_" + display type.
inline std::string LayoutSection(std::string_view clientName, int displayType) {
    return "DisplayParams_" + ClientKey(clientName) + "_" + std::to_string(displayType);
}

} // namespace ProgramIni
