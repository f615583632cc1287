#pragma once

// When a picture button of the main window counts as under the cursor: strictly inside its
// place, all four comparisons strict, with the window's position as the origin of the place.
// The highlight follows the cursor alone, also while another window covers the main window.
namespace HoverRule {

constexpr bool UnderCursor(int windowLeft, int windowTop, int buttonLeft, int buttonTop, int width,
                           int height, int cursorX, int cursorY) {
    const int left = windowLeft + buttonLeft;
    const int top = windowTop + buttonTop;
    return left < cursorX && cursorX < left + width && top < cursorY && cursorY < top + height;
}

} // namespace HoverRule
