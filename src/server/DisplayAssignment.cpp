#include "DisplayAssignment.h"

#include "platform/IniFile.h"
#include "platform/ProgramIni.h"
#include "protocol/DisplayTypeMessage.h"

namespace DisplayAssignment {

std::string ClientKey(std::string_view clientName) {
    return ProgramIni::ClientKey(clientName);
}

std::string ClientDisplaySection(std::string_view clientName) {
    return ProgramIni::ClientDisplaySection(clientName);
}

std::string LayoutSection(std::string_view clientName, int displayType) {
    return ProgramIni::LayoutSection(clientName, displayType);
}

int GetClientDisplayType(const TIniFile& ini, std::string_view clientName) {
    return ini.ReadInteger(ClientDisplaySection(clientName), SettingsTable::DisplayType.Name,
                           SettingsTable::DisplayType.Default);
}

void SetClientDisplayType(TIniFile& ini, std::string_view clientName, int displayType) {
    ini.WriteInteger(ClientDisplaySection(clientName), SettingsTable::DisplayType.Name,
                     displayType);
}

std::string BuildDisplayConfig(const TIniFile& ini, int displayType, std::string_view clientName) {
    const std::string section = LayoutSection(clientName, displayType);
    // One read of the file gives names and values together, so a display registering while the
    // operator saves a layout gets one consistent state of the section.
    return TLayoutConfig(section, ini.ReadSectionValues(section)).Text();
}

int StepDown(int displayType) {
    const int n = displayType - 1;
    return n == 0 ? 8 : n;
}

int StepUp(int displayType) {
    const int n = displayType + 1;
    return n == 9 ? 1 : n;
}

} // namespace DisplayAssignment
