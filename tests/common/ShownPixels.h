#pragma once

#include <QBackingStore>
#include <QImage>
#include <QTest>
#include <QWidget>

// The device pixel ratio the test process runs at (QT_SCALE_FACTOR).
inline qreal ProcessScaleFactor() {
    return qEnvironmentVariableIsSet("QT_SCALE_FACTOR")
               ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble()
               : 1.0;
}

// What a shown window puts on its screen, in the screen's device pixels: the offscreen platform
// keeps each window's backing store as an image, painted as a screen would be. Null when the
// window does not come up within the wait.
inline QImage ShownPixels(QWidget& window) {
    if (!window.isVisible())
        window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return {};
    window.repaint();
    QBackingStore* store = window.backingStore();
    const auto* image =
        store != nullptr ? dynamic_cast<const QImage*>(store->paintDevice()) : nullptr;
    return image != nullptr ? image->copy() : QImage();
}
