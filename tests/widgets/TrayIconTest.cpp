#include "widgets/TrayIcon.h"

#include "widgets/SkinPictures.h"
#include "widgets/TrayHost.h"
#include "widgets/WidgetSnapshot.h"

#include <QAction>
#include <QApplication>
#include <QDBusMessage>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

// The five items as the main window makes them.
std::vector<QAction*> AddItems(QMenu& menu) {
    std::vector<QAction*> items;
    const char* captions[] = {"Server: Start", "Server: Stop", "Website", "Program page", "Exit"};
    for (int i = 1; i <= 5; ++i) {
        auto* action = new QAction(QString::fromLatin1(captions[i - 1]), &menu);
        action->setObjectName(QStringLiteral("TrayMenu_%1").arg(i));
        menu.addAction(action);
        items.push_back(action);
    }
    return items;
}

QImage ShownMenu(TTrayMenu& menu) {
    menu.popup(QPoint(100, 100));
    QApplication::processEvents();
    const QImage image = RenderWidget(menu);
    menu.hide();
    return image;
}

} // namespace

TEST(TrayIcon, CarriesTheProgramIconAndName) {
    TTrayIcon tray;
    EXPECT_EQ(tray.Icon()->toolTip(), QStringLiteral("Velmora"));
    ASSERT_FALSE(tray.Icon()->icon().isNull());
    EXPECT_EQ(tray.Icon()->icon().pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32),
              Skin::ProgramIcon().convertToFormat(QImage::Format_ARGB32));
    EXPECT_FALSE(tray.IsVisible());
    // The menu is opened by hand, never left to the desktop.
    EXPECT_EQ(tray.Icon()->contextMenu(), nullptr);
}

QDBusMessage HostCall(const char* method, int x, int y) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        ":1.7", "/StatusNotifierItem", "org.kde.StatusNotifierItem", QString::fromLatin1(method));
    call << x << y;
    return call;
}

// An XEmbed tray sends the mouse itself: every press is a trigger, the second one of a double
// click is followed by the double click.
TEST(TrayIcon, OnAnXEmbedTrayOnlyTheDoubleClickRestoresAndTheMenuOpensAtTheCursor) {
    TTrayIcon tray;
    AddItems(*tray.Menu());
    QSignalSpy restores(&tray, &TTrayIcon::restoreRequested);

    tray.HandleActivation(QSystemTrayIcon::Trigger);
    tray.HandleActivation(QSystemTrayIcon::MiddleClick);
    EXPECT_EQ(restores.count(), 0);
    EXPECT_FALSE(tray.Menu()->isVisible());

    tray.HandleActivation(QSystemTrayIcon::DoubleClick);
    EXPECT_EQ(restores.count(), 1);
    EXPECT_FALSE(tray.Menu()->isVisible());

    tray.HandleActivation(QSystemTrayIcon::Context);
    EXPECT_TRUE(tray.Menu()->isVisible());
    tray.Menu()->hide();

    tray.PopupMenu(QPoint(200, 150));
    EXPECT_TRUE(tray.Menu()->isVisible());
    EXPECT_TRUE(tray.Menu()->geometry().contains(QPoint(201, 151)));
    tray.Menu()->hide();
}

// A D-Bus host calls Activate for its primary click and never reports a double click; Qt turns
// the call into a trigger and drops the position, which the host's own call still carries.
TEST(TrayIcon, OnADBusHostTheActivationRestoresAndTheMenuOpensWhereTheHostAsks) {
    TTrayIcon tray;
    AddItems(*tray.Menu());
    QSignalSpy restores(&tray, &TTrayIcon::restoreRequested);

    TrayHost::Note(HostCall("Activate", 900, 700));
    tray.HandleActivation(QSystemTrayIcon::Trigger);
    EXPECT_EQ(restores.count(), 1);
    tray.HandleActivation(QSystemTrayIcon::Trigger);
    EXPECT_EQ(restores.count(), 1) << "a host's call counts once";

    TrayHost::Note(HostCall("ContextMenu", 300, 200));
    tray.HandleActivation(QSystemTrayIcon::Context);
    ASSERT_TRUE(tray.Menu()->isVisible());
    EXPECT_EQ(tray.Menu()->pos(), QPoint(300, 200));
    tray.Menu()->hide();

    // Calls of other interfaces, paths or shapes are not the host's.
    QDBusMessage other = QDBusMessage::createMethodCall(":1.7", "/StatusNotifierItem",
                                                        "org.example.Other", "Activate");
    other << 1 << 2;
    TrayHost::Note(other);
    TrayHost::Note(HostCall("Scroll", 1, 2));
    TrayHost::Note(QDBusMessage::createMethodCall(":1.7", "/StatusNotifierItem",
                                                  "org.kde.StatusNotifierItem", "Activate"));
    EXPECT_FALSE(TrayHost::TakeRequest().has_value());
}

TEST(TrayIcon, TheMenuBelongsToTheWindow) {
    QWidget window;
    auto* tray = new TTrayIcon(&window);
    EXPECT_EQ(tray->Menu()->parentWidget(), &window);
    EXPECT_TRUE(tray->Menu()->windowFlags().testFlag(Qt::Popup));
}

TEST(TrayMenu, ItemsGetTheirPicturesUnlessGivenOthers) {
    TTrayMenu menu;
    auto* own = new QAction(QStringLiteral("own"), &menu);
    own->setObjectName(QStringLiteral("TrayMenu_3"));
    QPixmap mine(11, 11);
    mine.fill(Qt::magenta);
    own->setIcon(QIcon(mine));
    menu.addAction(own);
    const std::vector<QAction*> items = AddItems(menu);
    for (int i = 0; i < 5; ++i) {
        const QImage shown =
            items[static_cast<size_t>(i)]->icon().pixmap(11, 11).toImage().convertToFormat(
                QImage::Format_ARGB32);
        EXPECT_EQ(shown, Skin::TrayMenuPicture(i + 1).convertToFormat(QImage::Format_ARGB32))
            << i + 1;
    }
    EXPECT_EQ(own->icon().pixmap(11, 11).toImage().pixelColor(5, 5), QColor(Qt::magenta));
}

TEST(TrayMenu, BandRunsFromDarkAtTheBottomToLightAtTheTop) {
    TTrayMenu menu;
    const std::vector<QAction*> items = AddItems(menu);
    const QImage image = ShownMenu(menu);
    const QRect band = menu.BandRect();
    ASSERT_EQ(band.width(), TTrayMenu::BandWidth);
    ASSERT_GT(band.height(), 60);
    const int x = band.left() + 1; // beside the caption
    EXPECT_EQ(image.pixelColor(x, band.top()), QColor(0x37, 0xBE, 0xFF));
    EXPECT_EQ(image.pixelColor(x, band.bottom()), QColor(0x02, 0x3D, 0x7D));

    // The items stand to the right of the band.
    for (QAction* item : items)
        EXPECT_GE(menu.actionGeometry(item).left(), band.right() + 1);
}

TEST(TrayMenu, CaptionReadsUpwardsFromTheBottomOfTheBand) {
    TTrayMenu menu;
    AddItems(menu);
    const QImage image = ShownMenu(menu);
    const QRect band = menu.BandRect();
    // Find the caption's pixels: the pale text colour (or close to it) inside the band.
    QRect text;
    for (int y = band.top(); y <= band.bottom(); ++y)
        for (int x = band.left(); x <= band.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 0xC0 && c.green() > 0xD8 && c.blue() > 0xF0)
                text |= QRect(x, y, 1, 1);
        }
    ASSERT_FALSE(text.isEmpty());
    EXPECT_GT(text.height(), 2 * text.width());      // turned upright
    EXPECT_GT(text.center().y(), band.center().y()); // starting at the bottom
    EXPECT_GE(text.bottom(), band.bottom() - 12);
}
