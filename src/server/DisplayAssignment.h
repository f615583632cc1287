#pragma once

#include <string>
#include <string_view>

class TIniFile;

// The display type each client name has in the program .ini, and the configuration text that
// tells a display client its layout. Every call opens the file afresh; nothing is cached, so
// calls from connection threads and the window thread share no state.
namespace DisplayAssignment {

// The client name with every space removed.
std::string ClientKey(std::string_view clientName);

// "ClientDisplay_" + client key.
std::string ClientDisplaySection(std::string_view clientName);

// "DisplayParams_" + client key + "_" + display type.
std::string LayoutSection(std::string_view clientName, int displayType);

// The stored display type; 1 when absent or not a whole number.
int GetClientDisplayType(const TIniFile& ini, std::string_view clientName);

// Stores the display type; raises "Unable to write to %s" when the file cannot be written.
void SetClientDisplayType(TIniFile& ini, std::string_view clientName, int displayType);

// The layout section as text: "[section]" and one key=value line per key in file order, every
// line ending in CR LF. A missing section gives the header line alone.
std::string BuildDisplayConfig(const TIniFile& ini, int displayType, std::string_view clientName);

// The display type one step down or up with the selector's arrows: within 1 to 8 the steps wrap
// around (1 down gives 8, 8 up gives 1); a type outside that range steps by one without wrapping.
int StepDown(int displayType);
int StepUp(int displayType);

} // namespace DisplayAssignment
