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

namespace {

// One word of an Exec line, quoted when it holds a reserved character, "%" doubled.
std::string ExecWord(std::string_view word) {
    static constexpr std::string_view Reserved = " \t\n\"'\\><~|&;$*?#()`";
    static constexpr std::string_view EscapedInQuotes = "\"`$\\";
    std::string quoted;
    if (!word.empty() && word.find_first_of(Reserved) == std::string_view::npos) {
        quoted = word;
    } else {
        quoted = "\"";
        for (const char c : word) {
            if (EscapedInQuotes.find(c) != std::string_view::npos)
                quoted += '\\';
            quoted += c;
        }
        quoted += '"';
    }
    std::string withPercent;
    for (const char c : quoted) {
        withPercent += c;
        if (c == '%')
            withPercent += '%';
    }
    return withPercent;
}

} // namespace

std::string ExecValue(std::string_view executablePath, const std::vector<std::string>& arguments) {
    std::string line = ExecWord(executablePath);
    for (const std::string& argument : arguments)
        line += " " + ExecWord(argument);
    // The string escapes are undone before the quoting, so they are applied last. A leading
    // blank cannot occur: the path is absolute or starts with a quote.
    return EscapeString(line);
}

std::string Text(std::string_view title, std::string_view executablePath,
                 const std::vector<std::string>& arguments) {
    return "[Desktop Entry]\nType=Application\nName=" + EscapeString(title) +
           "\nExec=" + ExecValue(executablePath, arguments) + "\n";
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

void TAutostart::WriteEntry(std::string_view title, std::string_view executablePath,
                            const std::vector<std::string>& arguments) {
    if (!FileIo::MakeFolders(folder_) ||
        !FileIo::WriteAtomically(EntryFileName(title),
                                 DesktopEntry::Text(title, executablePath, arguments)))
        throw ERegistryException("Failed to set data for '" + std::string(title) + "'");
}

bool TAutostart::DeleteEntry(std::string_view title) {
    return FileIo::RemoveFile(EntryFileName(title)) || errno == ENOENT || errno == ENOTDIR;
}
