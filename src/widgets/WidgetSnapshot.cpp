#include "widgets/WidgetSnapshot.h"

#include <QLayout>
#include <QWidget>

QImage RenderWidget(QWidget& widget) {
    widget.ensurePolished();
    if (widget.layout() != nullptr)
        widget.layout()->activate();
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}
