// Renders the skin for a look by eye: the main window background with the controls' pictures
// placed where the window puts them, and a sheet of every picture enlarged.
// Usage: widgets_skin_preview <output folder>
#include "widgets/SkinPictures.h"
#include "widgets/SkinZones.h"

#include <QApplication>
#include <QFont>
#include <QPainter>
#include <cstdio>

namespace {

QFont Verdana(int px, bool bold = false, bool underline = false) {
    QFont f(Skin::FontFamily);
    f.setPixelSize(px);
    f.setBold(bold);
    f.setUnderline(underline);
    return f;
}

QImage Window() {
    QImage image = Skin::MainBackground().convertToFormat(QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing);
    auto pic = [&](int index, int x, int y) { p.drawImage(x, y, Skin::ButtonPicture(index)); };

    p.setFont(Verdana(27));
    p.setPen(QColor(Skin::TitleShadowColor));
    p.drawText(QRect(9, 3, 300, 40), Qt::AlignLeft | Qt::AlignTop, "Velmora");
    p.setPen(QColor(Skin::TitleNameColor));
    p.drawText(QRect(8, 2, 300, 40), Qt::AlignLeft | Qt::AlignTop, "Velmora");
    pic(Skin::Btn::HelpNormal, 702, 5);
    pic(Skin::Btn::InternetHover, 726, 5);
    pic(Skin::Btn::MinNormal, 750, 5);
    pic(Skin::Btn::CloseHover, 774, 5);
    p.fillRect(750, 37, 22, 9, QColor(0x0A, 0x2C, 0x57));
    p.fillRect(751, 38, 20, 7, QColor(Skin::IndicatorRunningColor));

    p.setFont(Verdana(19, true));
    p.setPen(QColor(Skin::ServerTitleColor));
    p.drawText(QRect(15, 60, 300, 30), Qt::AlignLeft | Qt::AlignTop, "Server");
    p.setPen(QColor(Skin::SettingsTitleColor));
    p.drawText(QRect(22, 420, 300, 30), Qt::AlignLeft | Qt::AlignTop, "Settings");

    // Server controls, roughly where a main window would put them.
    p.fillRect(20, 100, 180, 290, QColor(Skin::EditColor));
    p.setFont(Verdana(11));
    p.setPen(QColor(Skin::LabelColor));
    for (int i = 0; i < 16; ++i) {
        pic(i == 4 ? Skin::Btn::CheckOn : Skin::Btn::CheckOff, 22, 102 + i * 18 - 3);
        p.drawText(QRect(46, 102 + i * 18, 150, 16), Qt::AlignVCenter,
                   QString("Client %1").arg(i + 1));
    }
    for (int i = 0; i < 6; ++i)
        pic(Skin::Btn::StartNormal + 2 * i + (i == 2 ? 1 : 0), 220 + i * 40, 100);
    for (int i = 0; i < 6; ++i)
        pic(Skin::Btn::StartDisabled + i, 220 + i * 40, 140);
    pic(Skin::Btn::DisplayFrame, 480, 100);
    p.drawImage(484, 104, Skin::DisplayTypePicture(7));
    pic(Skin::Btn::TypeLeft, 480, 186);
    pic(Skin::Btn::TypeRight, 567, 186);
    p.setFont(Verdana(11, false, true));
    p.drawText(QRect(220, 200, 200, 16), Qt::AlignLeft, "Port:");
    p.fillRect(260, 198, 60, 16, QColor(Skin::EditColor));
    p.setFont(Verdana(11));
    p.drawText(QRect(264, 198, 60, 16), Qt::AlignVCenter, "5678");

    // Settings controls at their fixed places.
    p.setFont(Verdana(11, false, true));
    p.drawText(QRect(42, 474, 150, 16), Qt::AlignLeft, "Interface:");
    pic(Skin::Btn::LangLeftNormal, 30, 490);
    pic(Skin::Btn::LangField, 47, 490);
    pic(Skin::Btn::LangRightHover, 110, 490);
    p.setFont(Verdana(11));
    p.drawText(QRect(52, 494, 53, 14), Qt::AlignCenter, "English");
    p.setFont(Verdana(11, false, true));
    pic(Skin::Btn::CheckOff, 250, 470);
    p.drawText(QRect(276, 474, 150, 16), Qt::AlignLeft, "Start minimised");
    pic(Skin::Btn::CheckOn, 250, 500);
    p.drawText(QRect(276, 504, 150, 16), Qt::AlignLeft, "Start with system");
    pic(Skin::Btn::CheckOn, 422, 470);
    p.drawText(QRect(448, 474, 150, 16), Qt::AlignLeft, "Show hints");
    p.end();
    // Outside the window's region nothing is visible.
    QImage shaped(image.size(), QImage::Format_ARGB32);
    shaped.fill(Qt::transparent);
    QPainter s(&shaped);
    s.setClipRegion(Skin::WindowOutline());
    s.drawImage(0, 0, image);
    return shaped;
}

QImage Sheet() {
    const int cell = 140;
    QImage sheet(10 * cell, 10 * cell, QImage::Format_RGB32);
    sheet.fill(QColor(Skin::PanelBodyColor));
    QPainter p(&sheet);
    p.setFont(Verdana(11));
    p.setPen(Qt::white);
    auto put = [&](int slot, const QImage& img, const QString& label) {
        const int x = (slot % 10) * cell, y = (slot / 10) * cell;
        int s = 4;
        while (s > 1 && (img.width() * s > cell - 6 || img.height() * s > cell - 20))
            --s;
        p.drawImage(QRect(x + 3, y + 3, img.width() * s, img.height() * s), img);
        p.drawText(QRect(x, y + cell - 16, cell, 16), Qt::AlignCenter, label);
    };
    for (int i = 0; i < Skin::Btn::Count; ++i)
        put(i, Skin::ButtonPicture(i), QString::number(i));
    for (int i = 0; i < Skin::DisplayPictureCount; ++i)
        put(80 + i, Skin::DisplayTypePicture(i), QString("type %1").arg(i));
    put(90, Skin::ProgramIcon(), "icon");
    for (int i = 1; i <= 5; ++i)
        put(90 + i, Skin::TrayMenuPicture(i), QString("tray %1").arg(i));
    return sheet;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    const bool ok =
        Window().save(folder + "/skin-window.png") && Sheet().save(folder + "/skin-sheet.png");
    std::printf("%s\n", ok ? "written" : "could not write the pictures");
    return ok ? 0 : 1;
}
