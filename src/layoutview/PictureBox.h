#pragma once

#include "layoutview/PictureLoader.h"

#include <QWidget>

// Shows one picture scaled to fit its bounds with its proportions kept, enlarged or reduced,
// drawn from its top-left corner. Where the picture does not reach, what lies behind shows.
class TPictureBox : public QWidget {
    Q_OBJECT
public:
    explicit TPictureBox(QWidget* parent = nullptr);

    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

    const TPicture& Picture() const { return picture_; }
    void SetPicture(TPicture picture);

    // Loads the file (see LoadPicture); on failure the box keeps what it showed and the error
    // goes to the caller.
    void LoadFromFile(const QString& path);

    // The rectangle the picture takes inside the box.
    QRect PictureRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int tag_ = 0;
    TPicture picture_;
};
