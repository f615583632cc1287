#pragma once

#include "platform/Product.h"

#include <QColor>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>

class QProxyStyle;

// The tray icon's pop-up menu, drawn by the program: a vertical band down the left side with the
// caption "Velmora" reading from bottom to top, and each item with its 11 x 11 picture. Actions
// named TrayMenu_1 to TrayMenu_5 that come without an icon get the skin's tray pictures.
class TTrayMenu : public QMenu {
    Q_OBJECT

public:
    static constexpr int BandWidth = 22;
    static constexpr int BandSteps = 64;
    static constexpr QRgb BandBottomColor = qRgb(0x02, 0x3D, 0x7D);
    static constexpr QRgb BandTopColor = qRgb(0x37, 0xBE, 0xFF);
    static constexpr QRgb BandTextColor = qRgb(0xD7, 0xED, 0xFF);
    static constexpr const char* Caption = Product::Name;

    explicit TTrayMenu(QWidget* parent = nullptr);
    ~TTrayMenu() override;

    // The band, in the menu's coordinates.
    QRect BandRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void actionEvent(QActionEvent* event) override;

private:
    QProxyStyle* style_; // owned by the menu as its QObject child
};

class TTrayHostWatcher;

// The program's tray icon: the program icon with the hint "Velmora". It asks for the window to
// come back on a double click on an XEmbed tray and on a D-Bus host's activation (its primary
// click; such hosts never report a double click), and when the notification area goes away while
// the icon is shown. Its menu opens where the host asks, or at the cursor on an XEmbed tray.
class TTrayIcon : public QObject {
    Q_OBJECT

public:
    // The menu belongs to the window, so that a desktop that places pop-ups relative to their
    // parent (Wayland) can show it.
    explicit TTrayIcon(QWidget* window = nullptr);
    ~TTrayIcon() override;

    // Whether the desktop has a notification area to hold the icon now.
    bool IsAvailable() const;

    TTrayMenu* Menu() const { return menu_; }
    QSystemTrayIcon* Icon() const { return icon_; }

    void Show();
    void Hide();
    bool IsVisible() const;

    // What the tray reports is handled here; public so that it can be driven without a tray.
    void HandleActivation(QSystemTrayIcon::ActivationReason reason);
    // Opens the menu at `globalPos`, after pending events are processed.
    void PopupMenu(const QPoint& globalPos);

signals:
    void restoreRequested();

private:
    QSystemTrayIcon* icon_;
    QPointer<TTrayMenu> menu_;
    TTrayHostWatcher* host_;
};
