#include "platform/SettingsTable.h"

#include "platform/IniFile.h"

namespace SettingsTable {

int PortFromText(std::string_view text) {
    return StrToIntDef(text, ServerPort.Default);
}

std::string PortText(int port) {
    return std::to_string(port);
}

} // namespace SettingsTable
