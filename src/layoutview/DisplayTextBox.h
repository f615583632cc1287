#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <string>

// One text of a display layout: an edit box the operator types into, or a read-only static text
// as a display shows it. The text is held as Windows-1251 bytes, as it is stored and sent; the
// edit box refuses a character that code page cannot carry as it is typed.
class TDisplayTextBox {
public:
    static constexpr int EditKind = 1;
    static constexpr int StaticKind = 2;

    // Creates the control of that kind in parent, with empty text on the panel colour. Any other
    // kind creates no control.
    TDisplayTextBox(QWidget* parent, int kind);
    ~TDisplayTextBox();
    TDisplayTextBox(const TDisplayTextBox&) = delete;
    TDisplayTextBox& operator=(const TDisplayTextBox&) = delete;

    QLineEdit* EditControl() const { return edit_; }
    QLabel* StaticControl() const { return label_; }
    int Kind() const { return kind_; }

    void SetLeft(int left);
    void SetTop(int top);
    int Width() const;
    void SetWidth(int width);
    int Height() const;
    void SetHeight(int height);
    // Font size in points; the height follows it, as a single line of that font needs.
    void SetFontSize(int points);
    std::string Text() const;
    void SetText(const std::string& text);

private:
    QWidget* Control() const;

    QPointer<QLineEdit> edit_;
    QPointer<QLabel> label_;
    int kind_ = 0;
};
