#include "widgets/WidgetSnapshot.h"

#include "widgets/DevicePixels.h"

#include <QLayout>
#include <QWidget>

QImage RenderWidget(QWidget& widget, qreal ratio) {
    widget.ensurePolished();
    if (widget.layout() != nullptr)
        widget.layout()->activate();
    QImage image(TDeviceGrid(ratio).Extent(widget.size()), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}
