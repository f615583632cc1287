#include "widgets/PictureView.h"

#include <QPainter>

TPictureView::TPictureView(QWidget* parent) : QWidget(parent) {}

void TPictureView::SetPicture(const TDrawnPicture& picture) {
    picture_ = picture;
    const QSize size = picture_.Size();
    if (!size.isEmpty() && size != this->size())
        resize(size);
    update();
}

QSize TPictureView::sizeHint() const {
    return picture_.Size();
}

void TPictureView::paintEvent(QPaintEvent*) {
    if (picture_.IsNull())
        return;
    QPainter p(this);
    const TDevicePainting device(p);
    const QRect target = device.Map(QRectF(QPointF(), QSizeF(picture_.Size())));
    // Pixel for pixel: the picture was drawn for exactly these device pixels.
    p.drawPixmap(target, picture_.Pixmap(device.Grid()), QRect(QPoint(), target.size()));
}
