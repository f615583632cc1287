#pragma once

#include "app/WebLinks.h"

#include <array>
#include <string_view>

// What an item of the tray menu does. None is ever disabled: a start while the server listens
// and a stop while clients are connected do nothing by the server control's own rules.
enum class TTrayAction { StartServer, StopServer, OpenWebPage, CloseProgram };

struct TTrayItem {
    // The item's object name; the language table gives the item its caption and hint by it.
    std::string_view Name;
    TTrayAction Action;
    // The page an OpenWebPage item opens, in the interface language.
    WebLinks::TWebLink Page = WebLinks::TWebLink::HomePage;
};

namespace TrayMenu {

// The items from top to bottom. The third opens the page the title bar's web button opens.
inline constexpr std::array<TTrayItem, 5> Items{{
    {"TrayMenu_1", TTrayAction::StartServer},
    {"TrayMenu_2", TTrayAction::StopServer},
    {"TrayMenu_3", TTrayAction::OpenWebPage, WebLinks::TWebLink::HomePage},
    {"TrayMenu_4", TTrayAction::OpenWebPage, WebLinks::TWebLink::ProgramPage},
    {"TrayMenu_5", TTrayAction::CloseProgram},
}};

} // namespace TrayMenu
