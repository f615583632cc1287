#include "display/ui/ScreenSaverInhibitor.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QGuiApplication>
#include <cstdio>

#ifdef VELMORA_HAVE_XSS
#include <X11/extensions/scrnsaver.h>
#endif

namespace {

constexpr const char* Service = "org.freedesktop.ScreenSaver";
constexpr const char* Path = "/org/freedesktop/ScreenSaver";
// A session bus that does not answer must not hold the display's start.
constexpr int CallTimeoutMs = 2000;

QDBusMessage Call(QDBusConnection& bus, const char* method, const QVariantList& arguments) {
    QDBusMessage message = QDBusMessage::createMethodCall(Service, Path, Service, method);
    message.setArguments(arguments);
    return bus.call(message, QDBus::Block, CallTimeoutMs);
}

} // namespace

TScreenSaverInhibitor::TScreenSaverInhibitor(QDBusConnection bus) : bus_(std::move(bus)) {
    if (InhibitThroughSession())
        way_ = TWay::SessionService;
    else if (SuspendXScreenSaver(true))
        way_ = TWay::XServer;
    else
        std::fputs("velmora-display: no way to keep the screen saver away was found\n", stderr);
}

TScreenSaverInhibitor::~TScreenSaverInhibitor() {
    if (way_ == TWay::SessionService)
        Call(bus_, "UnInhibit", {cookie_});
    else if (way_ == TWay::XServer)
        SuspendXScreenSaver(false);
}

bool TScreenSaverInhibitor::InhibitThroughSession() {
    if (!bus_.isConnected())
        return false;
    const QDBusMessage reply =
        Call(bus_, "Inhibit",
             {QStringLiteral("velmora-display"), QStringLiteral("Showing advertisements")});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    cookie_ = reply.arguments().first().toUInt();
    return true;
}

bool TScreenSaverInhibitor::SuspendXScreenSaver(bool suspend) {
#ifdef VELMORA_HAVE_XSS
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->display() == nullptr)
        return false;
    int event = 0, error = 0;
    if (!XScreenSaverQueryExtension(x11->display(), &event, &error))
        return false;
    XScreenSaverSuspend(x11->display(), suspend ? True : False);
    XFlush(x11->display());
    return true;
#else
    (void)suspend;
    return false;
#endif
}
