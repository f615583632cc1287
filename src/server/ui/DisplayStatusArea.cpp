#include "DisplayStatusArea.h"

#include "protocol/StatusKeys.h"
#include "widgets/CheckListBox.h"
#include "widgets/ShownText.h"
#include "widgets/SkinStyle.h"

#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>

namespace {

// The key labels in the order of StatusKeys::InWindowOrder, named as the language table finds
// them.
constexpr std::array<const char*, 8> KeyLabelNames{"Lbl_Shown",   "Lbl_Place",      "Lbl_Screen",
                                                   "Lbl_Media",   "Lbl_Problem",    "Lbl_Uptime",
                                                   "Lbl_Version", "Lbl_Temperature"};
static_assert(KeyLabelNames.size() == StatusKeys::InWindowOrder.size());

QLabel* MakeLabel(QWidget& window, const QString& name, QRect place) {
    auto* label = new QLabel(&window);
    label->setObjectName(name);
    Skin::StyleLabel(*label);
    QFont font = label->font();
    font.setUnderline(false);
    label->setFont(font);
    label->setGeometry(place);
    label->hide();
    return label;
}

} // namespace

TDisplayStatusArea::TDisplayStatusArea(QWidget& window, TCheckListBox& clients)
    : clients_(clients) {
    Img_Shot = new QLabel(&window);
    Img_Shot->setObjectName("Img_Shot");
    Img_Shot->setGeometry(PictureLeft, PictureTop, PictureWidth, PictureHeight);
    Img_Shot->setAlignment(Qt::AlignCenter);
    Img_Shot->hide();
    Lbl_NoStatus =
        MakeLabel(window, "Lbl_NoStatus", QRect(LinesLeft, LinesTop, LinesWidth, LineHeight));
    for (size_t i = 0; i < KeyCount; ++i) {
        const int top = LinesTop + static_cast<int>(i) * LineHeight;
        keyLabels_[i] =
            MakeLabel(window, KeyLabelNames[i], QRect(LinesLeft, top, LabelWidth, LineHeight));
        valueLabels_[i] =
            MakeLabel(window, QString(KeyLabelNames[i]) + "Value",
                      QRect(LinesLeft + LabelWidth, top, LinesWidth - LabelWidth, LineHeight));
    }
}

void TDisplayStatusArea::ShowStatusArea(bool visible) {
    visible_ = visible;
    Img_Shot->setVisible(visible);
    ShowStatusValues(values_);
}

bool TDisplayStatusArea::ShowPicture(const std::string& jpeg) {
    QImage image;
    if (!image.loadFromData(reinterpret_cast<const uchar*>(jpeg.data()),
                            static_cast<int>(jpeg.size()), "JPEG"))
        return false;
    Img_Shot->setPixmap(QPixmap::fromImage(
        image.scaled(Img_Shot->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    return true;
}

void TDisplayStatusArea::ClearPicture() {
    Img_Shot->clear();
}

void TDisplayStatusArea::ShowStatusValues(const std::optional<std::vector<std::string>>& values) {
    values_ = values;
    Lbl_NoStatus->setVisible(visible_ && !values);
    for (size_t i = 0; i < KeyCount; ++i) {
        const bool shown = visible_ && values && i < values->size();
        keyLabels_[i]->setVisible(shown);
        valueLabels_[i]->setVisible(shown);
        const QString text = shown ? ShownText::FromBytes((*values)[i]) : QString();
        QLabel& value = *valueLabels_[i];
        // A value longer than its place ends in an ellipsis; its hint holds it whole.
        value.setText(value.fontMetrics().elidedText(text, Qt::ElideRight, value.width()));
        value.setToolTip(value.text() != text ? text : QString());
    }
}

void TDisplayStatusArea::SetRowHint(int row, const std::string& summary) {
    QListWidgetItem* item = clients_.View()->item(row);
    const QString hint = ShownText::FromBytes(summary);
    if (item != nullptr && item->toolTip() != hint)
        item->setToolTip(hint);
}
