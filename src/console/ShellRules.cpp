#include "ShellRules.h"

#include "platform/FileIo.h"

namespace ShellRules {

std::vector<TRect> WindowRegion() {
    return {
        {6, 1, 796, 2},     {4, 2, 798, 3},     {3, 3, 799, 4},
        {2, 4, 800, 6},     {1, 6, 801, 596},   {2, 596, 800, 598},
        {3, 598, 799, 599}, {4, 599, 798, 600}, {6, 600, 796, 601},
    };
}

int WindowLeft(int virtualScreenWidth, int windowWidth) {
    return (virtualScreenWidth - windowWidth) / 2;
}

bool UnderCursor(int windowLeft, int windowTop, int buttonLeft, int buttonTop, int width,
                 int height, int cursorX, int cursorY) {
    const int left = windowLeft + buttonLeft;
    const int top = windowTop + buttonTop;
    return left < cursorX && cursorX < left + width && top < cursorY && cursorY < top + height;
}

std::optional<std::string> HelpFileName(int languageIndex) {
    switch (languageIndex) {
    case 0:
        return "Help_e.txt";
    case 1:
        return "Help_r.txt";
    default:
        return std::nullopt;
    }
}

std::optional<std::string> FindHelpFile(const std::string& fileName,
                                        const std::string& currentFolder,
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

std::optional<std::string> WebPage(TWebLink link, int languageIndex) {
    if (languageIndex != 0 && languageIndex != 1)
        return std::nullopt;
    const bool english = languageIndex == 0;
    const char* path = link == TWebLink::HomePage ? (english ? "/index_e.html" : "/index.html")
                                                  : (english ? "/engl/velmora/velmora.html"
                                                             : "/russ/velmora/velmora.html");
    return std::string(MakerWebServer) + path;
}

} // namespace ShellRules
