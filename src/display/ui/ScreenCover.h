#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>

class QScreen;
class QWidget;

// Keeps a window over the whole of one screen, without a frame, on every window system, and
// again after the screen changes its size or a screen comes or goes.
//
// A compositor may show a window whose buffer has exactly the output's size by scanning the
// buffer out instead of composing the output. Debian 12's cage (wlroots 0.15) does so for any
// such window, and on its headless backend the output then keeps the last frame it composed:
// black, or whatever stood there before. So on Wayland, and on X11 through XWayland, the window
// reaches one pixel past the screen's right and bottom edges and never matches the output, while
// its contents (QWidget::contentsRect) stand on the screen's part alone. On Wayland the extra
// pixel lies outside the window's geometry, where a compositor draws shadows; under XWayland the
// window bypasses the window manager, which would otherwise give it the output's size. On X11
// itself the window is the screen's size, full screen.
class TScreenCover : public QObject {
    Q_OBJECT
public:
    // How far the window reaches past the screen's right and bottom edges where it must.
    static constexpr int Overhang = 1;

    // The window is covered on the screen of that number (the primary one when there is none).
    TScreenCover(QWidget& window, int screenNumber);

    // Places the window over its screen and shows it.
    void Show();

private:
    enum class TWindowSystem { Wayland, XWayland, Other };

    static TWindowSystem Current();
    QScreen* Chosen() const;
    void Place();
    void Follow(QScreen* screen);

    QWidget& window_;
    const int screenNumber_;
    const TWindowSystem system_;
    QPointer<QScreen> followed_;
    QMetaObject::Connection geometryWatch_;
};
