#pragma once

#include <QColor>

// The background of every panel, text box and the button bar of the layout window:
// RGB(54, 106, 179), the Windows colour value 11758134 (hexadecimal B36A36, blue-green-red).
inline const QColor PanelColor(54, 106, 179);
