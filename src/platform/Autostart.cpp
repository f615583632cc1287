#include "Autostart.h"

#include "FileIo.h"
#include "KeyStore.h"
#include "ProgramPaths.h"

#include <cerrno>

namespace DesktopEntry {

std::string EscapeString(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        case ' ':
            out += i == 0 ? "\\s" : " ";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string ExecValue(std::string_view executablePath) {
    static constexpr std::string_view Reserved = " \t\n\"'\\><~|&;$*?#()`";
    static constexpr std::string_view EscapedInQuotes = "\"`$\\";
    std::string argument;
    if (executablePath.find_first_of(Reserved) == std::string_view::npos) {
        argument = executablePath;
    } else {
        argument = "\"";
        for (const char c : executablePath) {
            if (EscapedInQuotes.find(c) != std::string_view::npos)
                argument += '\\';
            argument += c;
        }
        argument += '"';
    }
    std::string withPercent;
    for (const char c : argument) {
        withPercent += c;
        if (c == '%')
            withPercent += '%';
    }
    // The string escapes are undone before the quoting, so they are applied last. A leading
    // blank cannot occur: the path is absolute or starts with a quote.
    return EscapeString(withPercent);
}

std::string Text(std::string_view title, std::string_view executablePath) {
    return "[Desktop Entry]\nType=Application\nName=" + EscapeString(title) +
           "\nExec=" + ExecValue(executablePath) + "\n";
}

} // namespace DesktopEntry

TAutostart::TAutostart() : TAutostart(ProgramPaths::ConfigHome() + "/autostart") {}

TAutostart::TAutostart(std::string folder) : folder_(std::move(folder)) {}

std::string TAutostart::EntryFileName(std::string_view title) const {
    return folder_ + "/" + std::string(title) + ".desktop";
}

bool TAutostart::EntryExists(std::string_view title) const {
    return FileIo::Exists(EntryFileName(title));
}

void TAutostart::WriteEntry(std::string_view title, std::string_view executablePath) {
    if (!FileIo::MakeFolders(folder_) ||
        !FileIo::WriteAtomically(EntryFileName(title), DesktopEntry::Text(title, executablePath)))
        throw ERegistryException("Failed to set data for '" + std::string(title) + "'");
}

bool TAutostart::DeleteEntry(std::string_view title) {
    return FileIo::RemoveFile(EntryFileName(title)) || errno == ENOENT || errno == ENOTDIR;
}
