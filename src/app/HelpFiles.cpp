#include "app/HelpFiles.h"

#include "platform/FileIo.h"

namespace HelpFiles {

std::optional<std::string> FileName(int languageIndex) {
    switch (languageIndex) {
    case 0:
        return "Help_e.txt";
    case 1:
        return "Help_r.txt";
    default:
        return std::nullopt;
    }
}

std::optional<std::string> Find(const std::string& fileName, const std::string& currentFolder,
                                const std::string& executableFolder) {
    for (const std::string& folder : {currentFolder, executableFolder}) {
        if (folder.empty())
            continue;
        const std::string path = folder.back() == '/' ? folder + fileName : folder + "/" + fileName;
        if (FileIo::Exists(path))
            return path;
    }
    return std::nullopt;
}

} // namespace HelpFiles
