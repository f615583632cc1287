#pragma once

#include "widgets/HoverRule.h"

#include <QPoint>
#include <QRect>

class QWidget;
class TPictureButton;
class TPictureList;

// One tick of the main window's hover highlighting: where the window and the cursor stand on the
// screen. The window is taken at its position, as the client origin (it has no frame).
class THoverScene {
public:
    THoverScene(QPoint windowPos, QPoint cursor, bool windowVisible);
    // The window's position and visibility and the cursor, now.
    static THoverScene Now(const QWidget& window);

    // Whether a place in window coordinates is under the cursor; nothing is while the window is
    // hidden.
    bool Under(const QRect& place) const;

    // Gives the button its picture from the list by the hover rule, testing `place` (window
    // coordinates) against the cursor; a picture it already shows is not set again.
    void Show(TPictureButton& button, const QRect& place, const TPictureList& list,
              const THoverPictures& pictures, bool usable = true) const;
    // The same with the button's own place.
    void Show(TPictureButton& button, const TPictureList& list, const THoverPictures& pictures,
              bool usable = true) const;

private:
    QPoint windowPos_;
    QPoint cursor_;
    bool windowVisible_;
};
