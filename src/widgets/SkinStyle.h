#pragma once

#include <QFont>

class QLabel;
class QLineEdit;
class QWidget;

// The look the skin gives to the plain controls of its windows.
namespace Skin {

// The skin's font at a size in pixels, so text keeps its place whatever the screen's DPI.
QFont PixelFont(int pixelSize, bool bold = false, bool underline = false);

// Labels: Verdana 11 px, underlined, pale green, transparent background.
void StyleLabel(QLabel& label);

// Edit fields: Verdana 11 px, pale green on #125BA1, no border.
void StyleEdit(QLineEdit& edit);

// Places a widget at its window coordinates with its size.
void Place(QWidget& widget, int left, int top, int width, int height);

} // namespace Skin
