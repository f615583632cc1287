#pragma once

#include <QImage>

class QWidget;

// Renders a widget with its children into an image of the widget's size, without showing it on
// a screen; what lies outside the widget's own painting stays transparent. At a device pixel
// ratio the image has the device pixels of a screen of that ratio.
QImage RenderWidget(QWidget& widget, qreal ratio = 1);
