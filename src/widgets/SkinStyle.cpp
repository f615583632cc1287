#include "SkinStyle.h"

#include "SkinZones.h"

#include <QLabel>
#include <QLineEdit>
#include <QPalette>

namespace Skin {

QFont PixelFont(int pixelSize, bool bold, bool underline) {
    QFont font(FontFamily);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setUnderline(underline);
    return font;
}

void StyleLabel(QLabel& label) {
    label.setFont(PixelFont(11, false, true));
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, QColor(LabelColor));
    label.setPalette(palette);
    label.setAutoFillBackground(false);
    label.setAttribute(Qt::WA_TranslucentBackground);
}

void StyleEdit(QLineEdit& edit) {
    edit.setFont(PixelFont(11));
    edit.setFrame(false);
    QPalette palette = edit.palette();
    palette.setColor(QPalette::Text, QColor(LabelColor));
    palette.setColor(QPalette::Base, QColor(EditColor));
    palette.setColor(QPalette::Highlight, QColor(LabelColor));
    palette.setColor(QPalette::HighlightedText, QColor(EditColor));
    edit.setPalette(palette);
}

void Place(QWidget& widget, int left, int top, int width, int height) {
    widget.setGeometry(left, top, width, height);
}

} // namespace Skin
