#pragma once

#include <QMouseEvent>
#include <QRect>

// Turns a left-button press on a widget and its release inside the widget into one click, as
// buttons and clickable labels of the kit report it. Events it does not use are ignored, so they
// go on to the parent.
class TClickTracker {
public:
    // A press: accepted (and tracked) for the left button only.
    void Press(QMouseEvent& event) {
        if (event.button() != Qt::LeftButton) {
            event.ignore();
            return;
        }
        pressed_ = true;
        event.accept();
    }

    // A release: true when it completes a click inside `area`.
    bool Release(QMouseEvent& event, const QRect& area) {
        if (event.button() != Qt::LeftButton || !pressed_) {
            event.ignore();
            return false;
        }
        pressed_ = false;
        event.accept();
        return area.contains(event.position().toPoint());
    }

private:
    bool pressed_ = false;
};
