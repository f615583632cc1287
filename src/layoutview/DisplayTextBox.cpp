#include "layoutview/DisplayTextBox.h"

#include "layoutview/PanelColor.h"
#include "widgets/ShownText.h"

#include <QLabel>
#include <QLineEdit>
#include <QValidator>

namespace {

// Accepts only what Windows-1251 can carry, so a character that would be lost is refused as it
// is typed or pasted rather than replaced when the layout is saved.
class TCodePage1251Validator : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& input, int&) const override {
        return ShownText::ToBytes(input) ? Acceptable : Invalid;
    }
};

void PaintBackground(QWidget& control, QPalette::ColorRole role) {
    QPalette palette = control.palette();
    palette.setColor(role, PanelColor);
    control.setPalette(palette);
    control.setAutoFillBackground(true);
}

// The height one line of the control's font needs. An edit box knows it from its font alone; a
// label would size itself by its current text, which is empty when the height is chosen.
int LineHeight(const QWidget& control) {
    if (qobject_cast<const QLineEdit*>(&control) != nullptr)
        return control.sizeHint().height();
    return QFontMetrics(control.font()).height() + 2;
}

} // namespace

TDisplayTextBox::TDisplayTextBox(QWidget* parent, int kind) : kind_(kind) {
    if (kind == EditKind) {
        edit_ = new QLineEdit(parent);
        edit_->setValidator(new TCodePage1251Validator(edit_));
        PaintBackground(*edit_, QPalette::Base);
    } else if (kind == StaticKind) {
        label_ = new QLabel(parent);
        label_->setTextFormat(Qt::PlainText);
        label_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        PaintBackground(*label_, QPalette::Window);
    }
    if (QWidget* control = Control()) {
        control->resize(control->width(), LineHeight(*control));
        control->show();
    }
}

TDisplayTextBox::~TDisplayTextBox() {
    delete Control();
}

QWidget* TDisplayTextBox::Control() const {
    if (edit_)
        return edit_;
    return label_;
}

void TDisplayTextBox::SetLeft(int left) {
    if (QWidget* control = Control())
        control->move(left, control->y());
}

void TDisplayTextBox::SetTop(int top) {
    if (QWidget* control = Control())
        control->move(control->x(), top);
}

int TDisplayTextBox::Width() const {
    const QWidget* control = Control();
    return control != nullptr ? control->width() : 0;
}

void TDisplayTextBox::SetWidth(int width) {
    if (QWidget* control = Control())
        control->resize(width, control->height());
}

int TDisplayTextBox::Height() const {
    const QWidget* control = Control();
    return control != nullptr ? control->height() : 0;
}

void TDisplayTextBox::SetHeight(int height) {
    if (QWidget* control = Control())
        control->resize(control->width(), height);
}

void TDisplayTextBox::SetFontSize(int points) {
    QWidget* control = Control();
    if (control == nullptr || points <= 0)
        return;
    QFont font = control->font();
    font.setPointSize(points);
    control->setFont(font);
    control->resize(control->width(), LineHeight(*control));
}

std::string TDisplayTextBox::Text() const {
    QString text;
    if (edit_)
        text = edit_->text();
    else if (label_)
        text = label_->text();
    else
        return {};
    // The edit box lets through only what the code page carries; the label shows only what was
    // decoded from it.
    return ShownText::ToBytes(text).value_or(std::string());
}

void TDisplayTextBox::SetText(const std::string& text) {
    const QString shown = ShownText::FromBytes(text);
    if (edit_)
        edit_->setText(shown);
    else if (label_)
        label_->setText(shown);
}
