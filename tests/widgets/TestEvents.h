#pragma once

#include <QApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QWidget>

// Mouse events delivered straight to a widget, as the window system would deliver them.
inline bool SendMouse(QWidget* widget, QEvent::Type type, Qt::MouseButton button, QPoint pos,
                      Qt::MouseButtons held = Qt::NoButton) {
    QMouseEvent event(type, QPointF(pos), QPointF(widget->mapToGlobal(pos)), button, held,
                      Qt::NoModifier);
    return QApplication::sendEvent(widget, &event);
}

inline void Click(QWidget* widget, QPoint pos, Qt::MouseButton button = Qt::LeftButton) {
    SendMouse(widget, QEvent::MouseButtonPress, button, pos, button);
    SendMouse(widget, QEvent::MouseButtonRelease, button, pos);
}

// What Qt's own tool tip machinery sends once the cursor has rested on a widget.
inline bool AskForToolTip(QWidget* widget) {
    QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), widget->mapToGlobal(QPoint(5, 5)));
    return QApplication::sendEvent(widget, &help);
}
