#pragma once

// The pictures of a highlighted button, as indices of its picture list: the normal one, the one
// under the cursor and, for a button that cannot always be used, the one while it cannot.
struct THoverPictures {
    int Normal;
    int Hover;
    int Unusable = -1;
};

// When a picture button of the main window counts as under the cursor, and which picture it then
// shows. Every picture button of the main window, the shell's and the server's alike, follows
// this one rule (`THoverScene` applies it to the widgets).
namespace HoverRule {

// Strictly inside its place, all four comparisons strict, with the window's position as the
// origin of the place. The highlight follows the cursor alone, also while another window covers
// the main window.
constexpr bool UnderCursor(int windowLeft, int windowTop, int buttonLeft, int buttonTop, int width,
                           int height, int cursorX, int cursorY) {
    const int left = windowLeft + buttonLeft;
    const int top = windowTop + buttonTop;
    return left < cursorX && cursorX < left + width && top < cursorY && cursorY < top + height;
}

// A button that cannot be used shows so whatever the cursor does.
constexpr int PictureFor(const THoverPictures& pictures, bool underCursor, bool usable = true) {
    if (!usable)
        return pictures.Unusable;
    return underCursor ? pictures.Hover : pictures.Normal;
}

} // namespace HoverRule
