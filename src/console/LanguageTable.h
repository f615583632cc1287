#pragma once

#include <string>
#include <string_view>
#include <vector>

// The texts of the main window in the current interface language, UTF-8. Empty until the table
// is first filled.
struct TLanguageTable {
    std::string LanguageName;
    std::string InterfaceLabel;
    std::string ClientsNetworkLabel;
    std::string PortNumberLabel;
    std::string ClientNameLabel;
    std::string DisplayTypeLabel;
    std::string ServerTitle;
    std::string SettingsTitle;
    std::string HelpHint;
    std::string WebsiteText;
    std::string MinimizeHint;
    std::string ExitText;
    std::string ProgramPageText;
    std::string ServerStartText;
    std::string ServerStopText;
    std::string HintShowHint;
    std::string HintShowCaption;
    std::string AutoRunHint;
    std::string AutoRunCaption;
    std::string MinFormShowHint;
    std::string MinFormShowCaption;
    std::string LogOKHint;
    std::string LogOKCaption;
    // The selected display's status area.
    std::string NoStatusText;
    std::string ShownLabel;
    std::string PlaceLabel;
    std::string ScreenLabel;
    std::string MediaLabel;
    std::string ProblemLabel;
    std::string UptimeLabel;
    std::string VersionLabel;
    std::string TemperatureLabel;
};

// What a text is written into: the caption or text of a control, or its pop-up hint.
enum class TLanguageTarget { Caption, Hint };

// One text for one control of the main window, named by the control's object name.
struct TLanguageAssignment {
    std::string_view Control;
    TLanguageTarget Target;
    std::string Text;

    bool operator==(const TLanguageAssignment&) const = default;
};

namespace LanguageTable {

inline constexpr int English = 0;
inline constexpr int Russian = 1;

// Sets every entry to its text in that language (0 English, 1 Russian). Any other index sets
// nothing, so every entry keeps what it held.
void Fill(TLanguageTable& table, int languageIndex);

// The language either arrow switches to: English becomes Russian, anything else English.
int Switched(int languageIndex);

// The texts to write into the main window, in the order they are written.
std::vector<TLanguageAssignment> Assignments(const TLanguageTable& table);
// The texts of the selected display's status area, written after those of Assignments.
std::vector<TLanguageAssignment> StatusAssignments(const TLanguageTable& table);

} // namespace LanguageTable
