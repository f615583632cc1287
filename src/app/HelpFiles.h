#pragma once

#include <optional>
#include <string>

// The operator's guide in the interface language.
namespace HelpFiles {

// The help file of the interface language, none for a language without one.
std::optional<std::string> FileName(int languageIndex);

// Where a help file is found: in the current folder first, then beside the executable (a
// program started from the desktop's menu runs in the home folder). Nothing when in neither.
std::optional<std::string> Find(const std::string& fileName, const std::string& currentFolder,
                                const std::string& executableFolder);

} // namespace HelpFiles
