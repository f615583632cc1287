#include "layoutview/PictureBox.h"

#include "layouts/LayoutGeometry.h"

#include <QPainter>

TPictureBox::TPictureBox(QWidget* parent) : QWidget(parent) {}

void TPictureBox::SetPicture(TPicture picture) {
    picture_ = std::move(picture);
    update();
}

void TPictureBox::LoadFromFile(const QString& path) {
    SetPicture(LoadPicture(path));
}

QRect TPictureBox::PictureRect() const {
    const QSizeF size = picture_.Size();
    const auto fitted = LayoutGeometry::FitPicture(width(), height(), size.width(), size.height());
    return QRect(fitted.Left, fitted.Top, fitted.Width, fitted.Height);
}

void TPictureBox::paintEvent(QPaintEvent*) {
    if (picture_.IsEmpty())
        return;
    QPainter painter(this);
    picture_.Draw(painter, PictureRect());
}
