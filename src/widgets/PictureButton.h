#pragma once

#include "widgets/ClickTracker.h"
#include "widgets/PictureView.h"

// A button that is nothing but a picture: it shows one picture at the picture's own size and
// reports a left click. The owner swaps the picture (for instance to highlight the button under
// the cursor); the button keeps no hover state of its own.
class TPictureButton : public TPictureView {
    Q_OBJECT

public:
    explicit TPictureButton(QWidget* parent = nullptr);

    // A named button showing `picture` at a place of its parent.
    static TPictureButton* Create(QWidget& parent, const char* objectName,
                                  const TDrawnPicture& picture, QPoint place) {
        return TPictureView::Create<TPictureButton>(parent, objectName, picture, place);
    }

signals:
    // The left button was pressed on the button and released inside it.
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    TClickTracker click_;
};
