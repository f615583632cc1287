#pragma once

#include "widgets/ClickTracker.h"

#include <QPixmap>
#include <QWidget>

// A button that is nothing but a picture: it shows one picture at the picture's own size and
// reports a left click. The owner swaps the picture (for instance to highlight the button under
// the cursor); the button keeps no hover state of its own.
class TPictureButton : public QWidget {
    Q_OBJECT

public:
    explicit TPictureButton(QWidget* parent = nullptr);

    // A named button showing `picture` at a place of its parent.
    static TPictureButton* Create(QWidget& parent, const char* objectName, const QPixmap& picture,
                                  QPoint place);

    // Shows `picture`; the button takes the picture's size.
    void SetPicture(const QPixmap& picture);
    const QPixmap& Picture() const { return picture_; }

    QSize sizeHint() const override;

signals:
    // The left button was pressed on the button and released inside it.
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPixmap picture_;
    TClickTracker click_;
};
