#include "display/ui/ScreenCover.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <qpa/qplatformnativeinterface.h>

namespace {

const QMargins OverhangMargins(0, 0, TScreenCover::Overhang, TScreenCover::Overhang);

// Qt's Wayland platform takes margins that widen the surface around the window's geometry
// (what client-side shadows use); other platforms offer no such function. Qt hands it over
// under a generic function type.
void WidenWaylandSurface(QWindow* window) {
    using TSetMargins = void (*)(QWindow*, const QMargins&);
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    const auto function =
        native != nullptr ? native->nativeResourceFunctionForWindow("setmargins") : nullptr;
    if (function != nullptr)
        reinterpret_cast<TSetMargins>(reinterpret_cast<void (*)()>(function))(window,
                                                                              OverhangMargins);
}

} // namespace

TScreenCover::TScreenCover(QWidget& window, int screenNumber)
    : window_(window), screenNumber_(screenNumber), system_(Current()) {}

TScreenCover::TWindowSystem TScreenCover::Current() {
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("wayland"))
        return TWindowSystem::Wayland;
    // XWayland names its screens' outputs XWAYLAND0, XWAYLAND1, ...
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (platform == QLatin1String("xcb") && primary != nullptr &&
        primary->name().startsWith(QLatin1String("XWAYLAND")))
        return TWindowSystem::XWayland;
    return TWindowSystem::Other;
}

QScreen* TScreenCover::Chosen() const {
    const QList<QScreen*> screens = QGuiApplication::screens();
    return screenNumber_ >= 0 && screenNumber_ < screens.size() ? screens[screenNumber_]
                                                                : QGuiApplication::primaryScreen();
}

void TScreenCover::Show() {
    window_.setWindowFlag(Qt::FramelessWindowHint);
    if (system_ == TWindowSystem::XWayland)
        window_.setWindowFlag(Qt::X11BypassWindowManagerHint);
    if (system_ != TWindowSystem::Other)
        window_.setContentsMargins(OverhangMargins);
    if (system_ == TWindowSystem::Wayland) {
        window_.winId();
        WidenWaylandSurface(window_.windowHandle());
    }
    Place();
    // A screen that comes or goes is settled once the event that tells of it is over.
    for (const auto signal : {&QGuiApplication::screenAdded, &QGuiApplication::screenRemoved,
                              &QGuiApplication::primaryScreenChanged})
        connect(qGuiApp, signal, this, &TScreenCover::Place, Qt::QueuedConnection);
    if (system_ == TWindowSystem::XWayland) {
        window_.show();
        // No window manager hands a bypassing window the keyboard (Ctrl+Alt+E); it takes it.
        window_.activateWindow();
    } else {
        window_.showFullScreen();
    }
}

// On Wayland the compositor gives a full-screen window its output's size, and another output
// when its own goes; on X11 a window manager does, but without one the window takes the screen's
// place itself.
void TScreenCover::Place() {
    QScreen* screen = Chosen();
    if (screen == nullptr)
        return;
    Follow(screen);
    window_.setScreen(screen);
    switch (system_) {
    case TWindowSystem::Wayland:
        break;
    case TWindowSystem::XWayland:
        window_.setGeometry(screen->geometry().marginsAdded(OverhangMargins));
        break;
    case TWindowSystem::Other:
        window_.setGeometry(screen->geometry());
        break;
    }
}

void TScreenCover::Follow(QScreen* screen) {
    if (followed_ == screen)
        return;
    disconnect(geometryWatch_);
    followed_ = screen;
    geometryWatch_ = connect(screen, &QScreen::geometryChanged, this, &TScreenCover::Place);
}
