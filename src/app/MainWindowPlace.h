#pragma once

// Where the main window stands at every showing: centred on the virtual screen (half the
// difference, rounded toward zero, so a narrower screen gives a negative left edge), 10 pixels
// from the top.
namespace MainWindowPlace {

constexpr int Left(int virtualScreenWidth, int windowWidth) {
    return (virtualScreenWidth - windowWidth) / 2;
}

inline constexpr int Top = 10;

} // namespace MainWindowPlace
