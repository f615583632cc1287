#pragma once

#include <optional>
#include <string>
#include <vector>

// The arithmetic and fixed rules of the main window's shell, kept apart from the window so they
// are tested directly.
namespace ShellRules {

// A rectangle by its edges, right and bottom excluded.
struct TRect {
    int left, top, right, bottom;
};

// The main window's visible outline: an 800 x 600 rectangle at (1, 1) with stepped corners,
// as nine rectangles.
std::vector<TRect> WindowRegion();

// Where the main window stands at every showing: centred on the virtual screen (half the
// difference, rounded toward zero, so a narrower screen gives a negative left edge), 10 pixels
// from the top.
int WindowLeft(int virtualScreenWidth, int windowWidth);
constexpr int WindowTop = 10;

// Whether a picture button counts as under the cursor: strictly inside, all four comparisons
// strict, with the window's position as the origin of the button's place.
bool UnderCursor(int windowLeft, int windowTop, int buttonLeft, int buttonTop, int width,
                 int height, int cursorX, int cursorY);

// The help file of the interface language, none for a language without one.
std::optional<std::string> HelpFileName(int languageIndex);

// Where a help file is found: in the current folder first, then beside the executable (a
// program started from the desktop's menu runs in the home folder). Nothing when in neither.
std::optional<std::string> FindHelpFile(const std::string& fileName,
                                        const std::string& currentFolder,
                                        const std::string& executableFolder);

// The maker's web server; the pages below live on it.
inline constexpr const char* MakerWebServer = "https://www.quillbrook.example";

enum class TWebLink { HomePage, ProgramPage };

// The address of a web page in the interface language, none for a language without one.
std::optional<std::string> WebPage(TWebLink link, int languageIndex);

} // namespace ShellRules
