#include "layouts/LayoutStore.h"

#include "platform/CodePage1251.h"
#include "platform/IniFile.h"
#include "platform/ProgramIni.h"
#include "platform/ProgramPaths.h"

#include <exception>

int CurrentDisplayType = 1;

namespace {

// The data folder as the layouts hold file names. A folder whose name the code page cannot
// carry stays as the file system spells it.
std::string DataFolder() {
    const std::string folder = ProgramPaths::DataFolder();
    return CodePage1251::FromUtf8(folder).value_or(folder);
}

} // namespace

namespace LayoutStore {

std::string SectionName(std::string_view clientName, int displayType) {
    return ProgramIni::LayoutSection(clientName, displayType);
}

std::string ImageKey(int n) {
    return "Images_" + std::to_string(n) + "_FileName";
}

std::string TextKey(int n) {
    return "Edits_" + std::to_string(n) + "_Text";
}

std::string MediaPlayerKey(int n) {
    return "MediaPlayers_" + std::to_string(n) + "_FileName";
}

std::string DefaultImageFileName(int n) {
    return DataFolder() + std::to_string(n + 1) + ".bmp";
}

std::string DefaultMediaFileName(int n) {
    return DataFolder() + std::to_string(n + 1) + ".avi";
}

} // namespace LayoutStore

void LoadLayout(TLayoutElements& elements, std::string_view clientName, int displayType) {
    const TIniFile ini(ProgramPaths::IniPath());
    const std::string section = LayoutStore::SectionName(clientName, displayType);

    for (int n = 0; n < elements.ImageCount(); ++n) {
        std::string fileName = ini.ReadString(section, LayoutStore::ImageKey(n), "");
        if (fileName.empty())
            fileName = LayoutStore::DefaultImageFileName(n);
        elements.SetImageFileName(n, fileName);
        try {
            elements.LoadImage(n, fileName);
        } catch (const std::exception&) {
            // A missing or damaged picture leaves its box empty; the layout still opens.
        }
    }
    for (int n = 0; n < elements.TextBoxCount(); ++n)
        elements.SetText(n, ini.ReadString(section, LayoutStore::TextKey(n), ""));
    for (int n = 0; n < elements.MediaPlayerCount(); ++n) {
        std::string fileName = ini.ReadString(section, LayoutStore::MediaPlayerKey(n), "");
        if (fileName.empty())
            fileName = LayoutStore::DefaultMediaFileName(n);
        elements.SetMediaFileName(n, fileName);
    }
}

void SaveLayout(const TLayoutElements& elements, std::string_view clientName, int displayType) {
    TIniFile ini(ProgramPaths::IniPath());
    const std::string section = LayoutStore::SectionName(clientName, displayType);

    for (int n = 0; n < elements.ImageCount(); ++n)
        ini.WriteString(section, LayoutStore::ImageKey(n), elements.ImageFileName(n));
    for (int n = 0; n < elements.TextBoxCount(); ++n)
        ini.WriteString(section, LayoutStore::TextKey(n), elements.Text(n));
    for (int n = 0; n < elements.MediaPlayerCount(); ++n)
        ini.WriteString(section, LayoutStore::MediaPlayerKey(n), elements.MediaFileName(n));
}
