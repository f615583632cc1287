#pragma once

#include <optional>
#include <string>

// The maker's web pages that the title button and the tray menu open.
namespace WebLinks {

// The maker's web server; the pages below live on it.
inline constexpr const char* MakerWebServer = "https://www.quillbrook.example";

enum class TWebLink { HomePage, ProgramPage };

// The address of a web page in the interface language, none for a language without one.
std::optional<std::string> WebPage(TWebLink link, int languageIndex);

} // namespace WebLinks
