#include "widgets/PictureButton.h"

#include <QMouseEvent>

TPictureButton::TPictureButton(QWidget* parent) : TPictureView(parent) {
    setCursor(Qt::PointingHandCursor);
}

void TPictureButton::mousePressEvent(QMouseEvent* event) {
    click_.Press(*event);
}

void TPictureButton::mouseReleaseEvent(QMouseEvent* event) {
    if (click_.Release(*event, rect()))
        emit clicked();
}
