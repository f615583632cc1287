#include "app/WebLinks.h"

namespace WebLinks {

std::optional<std::string> WebPage(TWebLink link, int languageIndex) {
    if (languageIndex != 0 && languageIndex != 1)
        return std::nullopt;
    const bool english = languageIndex == 0;
    const char* path = link == TWebLink::HomePage ? (english ? "/index_e.html" : "/index.html")
                                                  : (english ? "/engl/velmora/velmora.html"
                                                             : "/russ/velmora/velmora.html");
    return std::string(MakerWebServer) + path;
}

} // namespace WebLinks
