#pragma once

#include <string>
#include <string_view>
#include <vector>

// Starting the program with the desktop session: one desktop entry per program in the user's
// autostart folder, $XDG_CONFIG_HOME/autostart/<program title>.desktop, whose Exec line is the
// full path of the executable with the arguments given (none for the operator's program).
class TAutostart {
public:
    // The autostart folder of the current configuration folder.
    TAutostart();
    explicit TAutostart(std::string folder);

    const std::string& Folder() const { return folder_; }
    std::string EntryFileName(std::string_view title) const;

    bool EntryExists(std::string_view title) const;

    // Writes the entry, creating the autostart folder (the desktop's standard per-user folder)
    // when it is absent. Raises ERegistryException "Failed to set data for '<title>'" when the
    // folder cannot be created or the entry cannot be written.
    void WriteEntry(std::string_view title, std::string_view executablePath,
                    const std::vector<std::string>& arguments = {});

    // Removes the entry. A missing entry is no error; false only when an existing entry could
    // not be removed.
    bool DeleteEntry(std::string_view title);

private:
    std::string folder_;
};

namespace DesktopEntry {

// The whole entry file for a program title, executable path and arguments.
std::string Text(std::string_view title, std::string_view executablePath,
                 const std::vector<std::string>& arguments = {});

// The value of an Exec key that runs exactly this program path with these arguments: each word
// quoted by the Desktop Entry rules when it holds a reserved character, "%" doubled, then the
// string escapes applied.
std::string ExecValue(std::string_view executablePath,
                      const std::vector<std::string>& arguments = {});

// A string value with the Desktop Entry escapes (\\, \n, \t, \r, and \s for a leading blank).
std::string EscapeString(std::string_view text);

} // namespace DesktopEntry
