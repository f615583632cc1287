#include "widgets/PictureButton.h"

#include <QMouseEvent>

TPictureButton::TPictureButton(QWidget* parent) : TPictureView(parent) {
    setCursor(Qt::PointingHandCursor);
}

TPictureButton* TPictureButton::Create(QWidget& parent, const char* objectName,
                                       const TDrawnPicture& picture, QPoint place) {
    auto* button = new TPictureButton(&parent);
    button->setObjectName(objectName);
    button->SetPicture(picture);
    button->move(place);
    return button;
}

void TPictureButton::mousePressEvent(QMouseEvent* event) {
    click_.Press(*event);
}

void TPictureButton::mouseReleaseEvent(QMouseEvent* event) {
    if (click_.Release(*event, rect()))
        emit clicked();
}
