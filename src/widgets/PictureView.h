#pragma once

#include "widgets/DrawnPicture.h"

#include <QWidget>

// A widget that is nothing but a picture, shown at the picture's logical size and drawn for the
// device pixels it covers, so it is sharp at every device pixel ratio and follows the window to a
// screen of another ratio. Mouse presses go on to the parent.
class TPictureView : public QWidget {
    Q_OBJECT

public:
    explicit TPictureView(QWidget* parent = nullptr);

    // A named view (or a kind of view) showing `picture` at a place of its parent.
    template <class TView = TPictureView>
    static TView* Create(QWidget& parent, const char* objectName, const TDrawnPicture& picture,
                         QPoint place) {
        auto* view = new TView(&parent);
        view->setObjectName(objectName);
        view->SetPicture(picture);
        view->move(place);
        return view;
    }

    // Shows `picture`; the view takes the picture's size.
    void SetPicture(const TDrawnPicture& picture);
    const TDrawnPicture& Picture() const { return picture_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TDrawnPicture picture_;
};
