// Renders the skin for a look by eye: the main window background with the kit's controls placed
// where the window puts them, a sheet of every picture enlarged, the tray menu and a hint, at the
// device pixels of a screen of the given device pixel ratio.
// Usage: widgets_skin_preview <output folder> [device pixel ratio, 1 by default]
#include "TestEvents.h"
#include "widgets/CheckListBox.h"
#include "widgets/DevicePixels.h"
#include "widgets/GradientPanel.h"
#include "widgets/PictureButton.h"
#include "widgets/ShapeHint.h"
#include "widgets/SkinPictures.h"
#include "widgets/SkinZones.h"
#include "widgets/TrayIcon.h"
#include "widgets/WidgetSnapshot.h"

#include <QAction>
#include <QApplication>
#include <QFont>
#include <QPainter>
#include <algorithm>
#include <cstdio>

namespace {

QFont Verdana(int px, bool bold = false, bool underline = false) {
    QFont f(Skin::FontFamily);
    f.setPixelSize(px);
    f.setBold(bold);
    f.setUnderline(underline);
    return f;
}

// The main window's skin built from the kit's own controls, at the places the window uses.
class TPreviewWindow : public QWidget {
public:
    TPreviewWindow() : background_(Skin::DrawnBackground()) {
        resize(Skin::BackgroundSize);
        const TPictureList buttons = TPictureList::ButtonPictures();
        const auto button = [&](int picture, int x, int y) {
            auto* b = new TPictureButton(this);
            b->SetPicture(buttons.Picture(picture));
            b->move(x, y);
            return b;
        };
        const auto label = [&](const QString& text, QFont font, QRgb colour, int x, int y) {
            auto* l = new TGradientLabel(text, this);
            l->setFont(font);
            l->SetTextColor(QColor(colour));
            l->move(x, y);
            return l;
        };

        label("Velmora", Verdana(27), Skin::TitleNameColor, 8, 2)
            ->SetShadow(QColor(Skin::TitleShadowColor));
        button(Skin::Btn::HelpNormal, 702, 5);
        button(Skin::Btn::InternetHover, 726, 5);
        button(Skin::Btn::MinNormal, 750, 5);
        button(Skin::Btn::CloseHover, 774, 5);
        auto* frame = new TGradientPanel(this);
        frame->setGeometry(Skin::IndicatorFrame);
        frame->SetColors(QColor(0x0A, 0x2C, 0x57), QColor(0x1E, 0x54, 0x96));
        auto* indicator = new TGradientPanel(frame);
        indicator->setGeometry(1, 1, 20, 7);
        indicator->SetColor(QColor(Skin::IndicatorRunningColor));

        label("Server", Verdana(19, true), Skin::ServerTitleColor, 15, 60);
        label("Settings", Verdana(19, true), Skin::SettingsTitleColor, 22, 420);

        // Server controls, roughly where a main window would put them.
        auto* clients = new TCheckListBox(this);
        clients->setGeometry(20, 100, 180, 300);
        for (int i = 1; i <= 16; ++i)
            clients->AddRow(QStringLiteral("Client %1").arg(i));
        clients->SetChecked(4, true);
        clients->SetChecked(6, true);
        clients->SetSelectedRow(4);
        for (int i = 0; i < 6; ++i)
            button(Skin::Btn::StartNormal + 2 * i + (i == 2 ? 1 : 0), 220 + i * 40, 100);
        for (int i = 0; i < 6; ++i)
            button(Skin::Btn::StartDisabled + i, 220 + i * 40, 140);
        button(Skin::Btn::DisplayFrame, 480, 100);
        button(Skin::Btn::TypeLeft, 480, 186);
        button(Skin::Btn::TypeRight, 567, 186);
        auto* display = new TPictureButton(this);
        display->SetPicture(TPictureList::DisplayPictures().Picture(7));
        display->move(484, 104);
        label("Port:", Verdana(11, false, true), Skin::LabelColor, 220, 200);
        auto* port = new TGradientPanel(this);
        port->setGeometry(260, 198, 60, 16);
        port->SetColor(QColor(Skin::EditColor));
        label("5678", Verdana(11), Skin::LabelColor, 264, 199);

        // Settings controls at their fixed places.
        label("Interface:", Verdana(11, false, true), Skin::LabelColor, 42, 474);
        button(Skin::Btn::LangLeftNormal, 30, 490);
        button(Skin::Btn::LangField, 47, 490);
        button(Skin::Btn::LangRightHover, 110, 490);
        label("English", Verdana(11), Skin::LabelColor, 56, 494);
        button(Skin::Btn::CheckOff, 250, 470);
        label("Start minimised", Verdana(11, false, true), Skin::LabelColor, 276, 474);
        button(Skin::Btn::CheckOn, 250, 500);
        label("Start with the system", Verdana(11, false, true), Skin::LabelColor, 276, 504);
        button(Skin::Btn::CheckOn, 422, 470);
        label("Show hints", Verdana(11, false, true), Skin::LabelColor, 448, 474);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const TDevicePainting device(p);
        const QRect face = device.Map(rect());
        p.drawPixmap(face, background_.Pixmap(device.Grid()), QRect(QPoint(), face.size()));
    }

private:
    TDrawnPicture background_;
};

QImage Window(qreal ratio) {
    TPreviewWindow window;
    QImage image = RenderWidget(window, ratio);
    image.setDevicePixelRatio(1);
    // Outside the window's region nothing is visible.
    QImage shaped(image.size(), QImage::Format_ARGB32);
    shaped.fill(Qt::transparent);
    QPainter s(&shaped);
    s.setClipRegion(TDeviceGrid(ratio).MapRegion(Skin::WindowOutline()));
    s.drawImage(0, 0, image);
    return shaped;
}

QImage Enlarged(QImage image, int scale) {
    image.setDevicePixelRatio(1);
    return image.scaled(image.size() * scale, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

QImage TrayMenu(qreal ratio) {
    TTrayMenu menu;
    const char* captions[] = {"Server: Start", "Server: Stop", "Website", "Program page", "Exit"};
    for (int i = 1; i <= 5; ++i) {
        auto* action = new QAction(QString::fromLatin1(captions[i - 1]), &menu);
        action->setObjectName(QStringLiteral("TrayMenu_%1").arg(i));
        menu.addAction(action);
    }
    menu.popup(QPoint(50, 50));
    menu.setActiveAction(menu.actions().at(1));
    QApplication::processEvents();
    return Enlarged(RenderWidget(menu, ratio), 3);
}

QImage Hint(qreal ratio) {
    QWidget host;
    host.resize(100, 40);
    host.setToolTip(QStringLiteral("Server: Stop"));
    host.show();
    TShapeHint hints;
    AskForToolTip(&host);
    return Enlarged(RenderWidget(*hints.HintWindow(), ratio), 3);
}

QImage Sheet(qreal ratio) {
    const int cell = static_cast<int>(140 * std::max(1.0, ratio));
    QImage sheet(10 * cell, 10 * cell, QImage::Format_RGB32);
    sheet.fill(QColor(Skin::PanelBodyColor));
    QPainter p(&sheet);
    p.setFont(Verdana(11));
    p.setPen(Qt::white);
    const TDeviceGrid grid(ratio);
    auto put = [&](int slot, QImage img, const QString& label) {
        img.setDevicePixelRatio(1);
        const int x = (slot % 10) * cell, y = (slot / 10) * cell;
        int s = 4;
        while (s > 1 && (img.width() * s > cell - 6 || img.height() * s > cell - 20))
            --s;
        p.drawImage(QRect(x + 3, y + 3, img.width() * s, img.height() * s), img);
        p.drawText(QRect(x, y + cell - 16, cell, 16), Qt::AlignCenter, label);
    };
    for (int i = 0; i < Skin::Btn::Count; ++i)
        put(i, Skin::ButtonPicture(i, grid), QString::number(i));
    for (int i = 0; i < Skin::DisplayPictureCount; ++i)
        put(80 + i, Skin::DisplayTypePicture(i, grid), QString("type %1").arg(i));
    put(90, Skin::ProgramIcon(grid), "icon");
    for (int i = 1; i <= 5; ++i)
        put(90 + i, Skin::TrayMenuPicture(i, grid), QString("tray %1").arg(i));
    return sheet;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    const qreal ratio = argc > 2 ? QString::fromLocal8Bit(argv[2]).toDouble() : 1.0;
    if (!(ratio > 0)) {
        std::fprintf(stderr, "not a device pixel ratio: %s\n", argv[2]);
        return 2;
    }
    const bool ok = Window(ratio).save(folder + "/skin-window.png") &&
                    Sheet(ratio).save(folder + "/skin-sheet.png") &&
                    TrayMenu(ratio).save(folder + "/skin-traymenu.png") &&
                    Hint(ratio).save(folder + "/skin-hint.png");
    std::printf("%s\n", ok ? "written" : "could not write the pictures");
    return ok ? 0 : 1;
}
