#include "layouts/LayoutStore.h"

#include "platform/CodePage1251.h"
#include "platform/IniFile.h"
#include "platform/ProgramIni.h"
#include "platform/ProgramPaths.h"

#include <exception>

int CurrentDisplayType = 1;

namespace {

// The data folder as the layouts hold file names, when the code page can carry its name.
std::optional<std::string> DataFolder() {
    return CodePage1251::FromUtf8(ProgramPaths::DataFolder());
}

std::optional<std::string> DefaultFileName(int n, const char* extension) {
    const std::optional<std::string> folder = DataFolder();
    if (!folder)
        return std::nullopt;
    return *folder + std::to_string(n + 1) + extension;
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

std::optional<std::string> DefaultImageFileName(int n) {
    return DefaultFileName(n, ".bmp");
}

std::optional<std::string> DefaultMediaFileName(int n) {
    return DefaultFileName(n, ".avi");
}

std::string UnusableDataFolderMessage() {
    return "The program folder \"" + ProgramPaths::ExecutableFolder() +
           "\" has characters in its name that a layout cannot store; the default pictures and "
           "videos of its data folder cannot be used";
}

} // namespace LayoutStore

TLayoutLoadResult LoadLayout(TLayoutElements& elements, std::string_view clientName,
                             int displayType) {
    const TIniFile ini(ProgramPaths::IniPath());
    const std::string section = LayoutStore::SectionName(clientName, displayType);
    TLayoutLoadResult result;
    // A stored name, else the default; an unusable default leaves the entry empty.
    const auto valueOrDefault = [&](const std::string& key,
                                    const std::optional<std::string>& fallback) {
        std::string value = ini.ReadString(section, key, "");
        if (!value.empty())
            return value;
        if (!fallback)
            result.DataFolderUnusable = true;
        return fallback.value_or("");
    };

    for (int n = 0; n < elements.ImageCount(); ++n) {
        const std::string fileName =
            valueOrDefault(LayoutStore::ImageKey(n), LayoutStore::DefaultImageFileName(n));
        elements.SetImageFileName(n, fileName);
        if (fileName.empty())
            continue;
        try {
            elements.LoadImage(n, fileName);
        } catch (const std::exception&) {
            // A missing or damaged picture leaves its box empty; the layout still opens.
        }
    }
    for (int n = 0; n < elements.TextBoxCount(); ++n)
        elements.SetText(n, ini.ReadString(section, LayoutStore::TextKey(n), ""));
    for (int n = 0; n < elements.MediaPlayerCount(); ++n)
        elements.SetMediaFileName(n, valueOrDefault(LayoutStore::MediaPlayerKey(n),
                                                    LayoutStore::DefaultMediaFileName(n)));
    return result;
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
