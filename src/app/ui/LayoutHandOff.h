#pragma once

struct TLayoutOpening;

// Opens the layout window as the main window's selection asks, modally, and returns when it has
// closed. The display type becomes the program-wide `CurrentDisplayType` here, just before the
// window opens, and nowhere else in the program.
void OpenLayoutWindow(const TLayoutOpening& opening);
