#pragma once

#include <QSize>
#include <string>

class QWidget;

// A picture of the display's window as drawn, video frames included, at most MostSize keeping
// its proportions, as a JPEG that fits in the SHOT parts (its quality lowered step by step until
// it does). Drawn straight at that size, so a full-HD window costs no full-size copy. Black, at
// that size, while the screen is off. Window thread.
namespace ScreenShot {

inline constexpr QSize MostSize{320, 200};

// Empty only when no quality fits.
std::string Jpeg(QWidget& window, bool screenOn);

} // namespace ScreenShot
