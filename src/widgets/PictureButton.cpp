#include "widgets/PictureButton.h"

#include <QMouseEvent>
#include <QPainter>

TPictureButton::TPictureButton(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::PointingHandCursor);
}

TPictureButton* TPictureButton::Create(QWidget& parent, const char* objectName,
                                       const QPixmap& picture, QPoint place) {
    auto* button = new TPictureButton(&parent);
    button->setObjectName(objectName);
    button->SetPicture(picture);
    button->move(place);
    return button;
}

void TPictureButton::SetPicture(const QPixmap& picture) {
    picture_ = picture;
    const QSize size = picture_.deviceIndependentSize().toSize();
    if (!size.isEmpty() && size != this->size())
        resize(size);
    update();
}

QSize TPictureButton::sizeHint() const {
    return picture_.deviceIndependentSize().toSize();
}

void TPictureButton::paintEvent(QPaintEvent*) {
    if (picture_.isNull())
        return;
    QPainter p(this);
    p.drawPixmap(0, 0, picture_);
}

void TPictureButton::mousePressEvent(QMouseEvent* event) {
    click_.Press(*event);
}

void TPictureButton::mouseReleaseEvent(QMouseEvent* event) {
    if (click_.Release(*event, rect()))
        emit clicked();
}
