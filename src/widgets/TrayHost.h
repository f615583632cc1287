#pragma once

#include <QObject>
#include <QPoint>
#include <optional>

class QDBusMessage;
class QTimer;

// The desktop's side of the tray icon.
//
// Two kinds of notification area exist. An XEmbed tray on the X server (older X11 panels) sends
// the icon the mouse itself, a double click included. A D-Bus desktop (KDE Plasma, LXQt, GNOME
// with the app-indicator extension, every Wayland session) has a StatusNotifierWatcher on the
// session bus and a host, the panel, that calls the icon: Activate(x, y) for the primary click
// and ContextMenu(x, y) for the menu, never a double click. Qt's D-Bus tray turns those calls into
// activations but drops the position the host gives; TrayHost notes each call as it arrives, so
// that the icon knows that an activation came from a host and where the host wants the menu.
namespace TrayHost {

enum class TRequestKind { Activate, ContextMenu };

struct TRequest {
    TRequestKind Kind;
    QPoint At; // in the host's screen pixels
};

// Starts noting the host's calls to this program's icon; once per program, from the window
// thread, after the application object exists.
void NoteRequests();

// Notes one incoming method call if it is a host's call to the icon (the hook's work).
void Note(const QDBusMessage& call);

// The host's call that led to the activation being handled, taken so it is used once.
std::optional<TRequest> TakeRequest();

// A host's screen position in the window system's coordinates (they differ on a scaled screen).
QPoint ToLogical(QPoint hostPixels);

} // namespace TrayHost

// Whether a notification area is there to hold the icon, followed while the icon is shown. On a
// D-Bus desktop that means a watcher with a host registered; a panel that restarts or ends takes
// its host away, and with it every icon. Without a watcher it means an XEmbed tray, which says
// nothing when it goes, so it is looked for once a second while watched.
class TTrayHostWatcher : public QObject {
    Q_OBJECT

public:
    explicit TTrayHostWatcher(QObject* parent = nullptr);

    bool IsAvailable() const;

    // While watching, a notification area that goes away is reported once by hostLost().
    void SetWatching(bool watching);

signals:
    void hostLost();

public slots:
    // The watcher's name changed owner, or its host came or went: ask again. A slot by name, as
    // the bus's signals are connected by name.
    void Refresh();

private:
    void QueryNow();
    void SetState(bool watcherPresent, bool hostRegistered);
    void PollXEmbed();

    bool watcherPresent_ = false;
    bool hostRegistered_ = false;
    bool watching_ = false;
    unsigned generation_ = 0;
    QTimer* poll_;
};
