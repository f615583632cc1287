// The button picture list of the main window: title buttons, server buttons, check pictures,
// arrows, frames and the small icons.
#include "SkinStyle.h"
#include "widgets/SkinDraw.h"
#include "widgets/SkinGlyphs.h"
#include "widgets/SkinPictures.h"
#include "widgets/SkinZones.h"

#include <QFont>
#include <QRadialGradient>
#include <array>
#include <stdexcept>
#include <string>

namespace Skin {

namespace {

using SkinDraw::RoundRect;
using SkinDraw::TTileLook;

constexpr QSize kTitleSize{22, 23};
constexpr QSize kServerSize{32, 32};
constexpr QSize kFrameSize{104, 80};
constexpr QSize kCheckSize{23, 23};
constexpr QSize kArrowSize{17, 21};
constexpr QSize kFieldSize{63, 21};
constexpr QSize kIconSize{16, 16};

const QColor kGold(TitleNameColor);
const QColor kPaleGreen(LabelColor);
const QColor kGlyphLight(0xD7, 0xED, 0xFF);
const QColor kGlyphShadow(4, 20, 44, 200);

// Raised controls of the title band and the panels.
TTileLook NormalLook() {
    return {
        QColor(0x2C, 0x62, 0xA6), QColor(0x14, 0x3F, 0x78), QColor(0x06, 0x1F, 0x40), 1.0, 70, 70};
}
TTileLook HoverLook() {
    return {QColor(0x5A, 0x9B, 0xE6), QColor(0x25, 0x63, 0xAE), kGold, 1.2, 85, 80};
}
TTileLook DangerLook() {
    return {
        QColor(0xF0, 0x75, 0x60), QColor(0xB0, 0x2A, 0x1C), QColor(0xFF, 0xD2, 0x7A), 1.2, 85, 80};
}
TTileLook ServerLook() {
    return {
        QColor(0x3A, 0x74, 0xBD), QColor(0x18, 0x48, 0x7F), QColor(0x06, 0x1F, 0x40), 1.0, 65, 70};
}
TTileLook ServerHoverLook() {
    return {QColor(0x5C, 0x9D, 0xEA), QColor(0x25, 0x66, 0xB2), kGold, 1.5, 85, 90};
}

using SkinDraw::TCanvas;

// Draws a title-button symbol twice: a dark copy one pixel lower, then the symbol itself.
template <typename Draw>
void WithShadow(QPainter& p, const QColor& colour, Draw draw) {
    p.save();
    p.translate(0, 1);
    draw(kGlyphShadow);
    p.restore();
    draw(colour);
}

using TTitleGlyph = void (*)(QPainter&, const QColor&);

void HelpMark(QPainter& p, const QColor& c) {
    const QFont font = Skin::PixelFont(15, true);
    p.setFont(font);
    p.setPen(c);
    p.drawText(QRectF(0, 0, 22, 23), Qt::AlignCenter, QStringLiteral("?"));
}

void GlobeMark(QPainter& p, const QColor& c) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(c, 1.3));
    p.drawEllipse(QPointF(11, 11.5), 6.2, 6.2);
    p.setPen(QPen(c, 1.1));
    p.drawEllipse(QPointF(11, 11.5), 2.6, 6.2);
    p.drawLine(QPointF(4.8, 11.5), QPointF(17.2, 11.5));
}

void MinMark(QPainter& p, const QColor& c) {
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPath(RoundRect(QRectF(6.5, 14, 9, 2.8), 1));
}

void CloseMark(QPainter& p, const QColor& c) {
    p.setPen(QPen(c, 2.3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(7.2, 7.7), QPointF(14.8, 15.3));
    p.drawLine(QPointF(14.8, 7.7), QPointF(7.2, 15.3));
}

QImage TitleButton(const TDeviceGrid& grid, TTitleGlyph glyph, bool hover, bool danger) {
    TCanvas c(kTitleSize, grid);
    SkinDraw::Tile(c, QRectF(QPointF(), kTitleSize), 4,
                   hover ? (danger ? DangerLook() : HoverLook()) : NormalLook());
    WithShadow(c.p, hover ? QColor(Qt::white) : kGlyphLight,
               [&](const QColor& colour) { glyph(c.p, colour); });
    return c.Finish();
}

using TServerGlyph = void (*)(QPainter&);

QImage ServerButton(const TDeviceGrid& grid, TServerGlyph glyph, bool hover) {
    TCanvas c(kServerSize, grid);
    SkinDraw::Tile(c, QRectF(QPointF(), kServerSize), 7, hover ? ServerHoverLook() : ServerLook());
    if (hover) {
        // A soft light behind the symbol.
        QRadialGradient glow(QPointF(16, 16), 13);
        glow.setColorAt(0, QColor(255, 255, 255, 90));
        glow.setColorAt(1, QColor(255, 255, 255, 0));
        c.p.setPen(Qt::NoPen);
        c.p.setBrush(glow);
        c.p.drawEllipse(QPointF(16, 16), 13, 13);
    }
    glyph(c.p);
    return c.Finish();
}

const QColor kPersonTop(0xEE, 0xF6, 0xFF);
const QColor kPersonBottom(0x8F, 0xBC, 0xEE);

void StartGlyph(QPainter& p) {
    SkinGlyph::Play(p, QRectF(6.5, 5, 22, 22));
}
void StopGlyph(QPainter& p) {
    SkinGlyph::Stop(p, QRectF(5, 5, 22, 22));
}
void KickGlyph(QPainter& p) {
    SkinGlyph::Person(p, QRectF(2, 5, 20, 22), kPersonTop, kPersonBottom);
    SkinGlyph::ExitArrow(p, QRectF(15.5, 11, 15, 15));
}
void KickAllGlyph(QPainter& p) {
    SkinGlyph::Person(p, QRectF(9.5, 3, 15, 16.5), kPersonBottom, QColor(0x4C, 0x7F, 0xC0));
    SkinGlyph::Person(p, QRectF(1.5, 7.5, 18, 20), kPersonTop, kPersonBottom);
    SkinGlyph::ExitArrow(p, QRectF(17, 13.5, 13.5, 13.5));
}
void RefreshGlyph(QPainter& p) {
    SkinGlyph::Refresh(p, QRectF(3.5, 3.5, 25, 25));
}
void SetupGlyph(QPainter& p) {
    SkinGlyph::Monitor(p, QRectF(2.5, 3, 23, 23), QColor(0x8C, 0xD8, 0xFF),
                       QColor(0x1F, 0x6F, 0xC4));
    SkinGlyph::Pencil(p, QRectF(13, 12.5, 18, 18));
}

constexpr std::array<TServerGlyph, 6> kServerGlyphs{StartGlyph,   StopGlyph,    KickGlyph,
                                                    KickAllGlyph, RefreshGlyph, SetupGlyph};

QImage DisplayFrame(const TDeviceGrid& grid) {
    TCanvas c(kFrameSize, grid);
    SkinDraw::Tile(c, QRectF(QPointF(), kFrameSize), 5,
                   {QColor(0x6A, 0x9A, 0xD6), QColor(0x1C, 0x4A, 0x86), QColor(0x06, 0x1F, 0x40),
                    1.0, 60, 90});
    // The display picture covers (4, 4, 96, 72); the well shows a dark rim around it.
    SkinDraw::Well(c, QRectF(3, 3, 98, 74), 1.5, QColor(0x0B, 0x1E, 0x38));
    // Small screws in the corners of the frame.
    c.p.setPen(Qt::NoPen);
    for (QPointF s : {QPointF(2, 2), QPointF(102, 2), QPointF(2, 78), QPointF(102, 78)}) {
        c.p.setBrush(QColor(255, 255, 255, 60));
        c.p.drawEllipse(s, 1.0, 1.0);
    }
    return c.Finish();
}

QImage CheckPicture(const TDeviceGrid& grid, bool on) {
    TCanvas c(kCheckSize, grid);
    const QRectF box(3, 3, 17, 17);
    c.InDevicePixels();
    const QRectF sunken(c.Map(box));
    const qreal line = c.Line(1);
    // Light catches the lower edge of the sunken box.
    c.p.setPen(QPen(QColor(255, 255, 255, 55), line));
    c.p.setBrush(Qt::NoBrush);
    c.p.drawPath(
        RoundRect(sunken.adjusted(-line / 2, line / 2, line / 2, line * 1.5), 4 * c.Ratio()));
    c.p.setPen(QPen(QColor(0x05, 0x20, 0x3F), line));
    c.p.setBrush(SkinDraw::Vertical(sunken, QColor(0x0A, 0x36, 0x68), QColor(0x1C, 0x6A, 0xBA)));
    c.p.drawPath(
        RoundRect(sunken.adjusted(line / 2, line / 2, -line / 2, -line / 2), 3.5 * c.Ratio()));
    // A shadow just inside the top edge.
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(QColor(0, 0, 0, 70));
    c.p.drawRect(QRect(c.X(5), c.Y(4), c.X(18) - c.X(5), c.Line(1)));
    c.InLogicalPixels();
    if (on) {
        QPainterPath check;
        check.moveTo(6.8, 11.4);
        check.lineTo(10.2, 14.9);
        check.lineTo(16.8, 6.4);
        c.p.setBrush(Qt::NoBrush);
        c.p.setPen(
            QPen(QColor(0x04, 0x1A, 0x33, 230), 4.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        c.p.drawPath(check);
        c.p.setPen(QPen(
            QBrush(SkinDraw::Vertical(box, QColor(0xEC, 0xFF, 0xD2), QColor(0x84, 0xD8, 0x5E))),
            2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        c.p.drawPath(check);
    }
    return c.Finish();
}

QImage TypeArrow(const TDeviceGrid& grid, int dx) {
    TCanvas c(kArrowSize, grid);
    SkinDraw::Tile(c, QRectF(QPointF(), kArrowSize), 4, NormalLook());
    SkinGlyph::Triangle(c.p, QRectF(0.5, 2.5, 16, 16), dx, kPaleGreen);
    return c.Finish();
}

// The language arrows and the field between them form one control: [< | field | >]. The arrows
// are rounded on their outer side and flat where they meet the field.
QImage LangArrow(const TDeviceGrid& grid, int dx, bool hover) {
    TCanvas c(kArrowSize, grid);
    TTileLook look = hover ? HoverLook() : NormalLook();
    look.border = QColor(0x06, 0x1F, 0x40);
    look.borderWidth = 1.0;
    // Rounded as a tile eight pixels wider on the outer side, cut square where the field begins.
    const int border = c.Line(look.borderWidth);
    const QRectF wide = dx < 0 ? QRectF(0, 0, 25, 21) : QRectF(-8, 0, 25, 21);
    const QPainterPath shape =
        SkinDraw::TileShape(c, wide, 5, border)
            .intersected(SkinDraw::TileShape(c, QRectF(QPointF(), kArrowSize), 0, border));
    SkinDraw::Tile(c, shape, look);
    SkinGlyph::Triangle(c.p, QRectF(dx < 0 ? 0 : 1, 2.5, 16, 16), dx, hover ? kGold : kPaleGreen);
    return c.Finish();
}

QImage LangField(const TDeviceGrid& grid) {
    TCanvas c(kFieldSize, grid);
    // Wider than the picture so its sides join the arrows without a border of their own.
    SkinDraw::Tile(c, QRectF(-3, 0, 69, 21), 0, NormalLook());
    // `Edit_Lang` covers (5, 4, 53, 14).
    SkinDraw::Well(c, QRectF(4, 3, 55, 16), 2, QColor(EditColor));
    return c.Finish();
}

QImage Icon(const TDeviceGrid& grid, void (*glyph)(QPainter&, const QRectF&)) {
    TCanvas c(kIconSize, grid);
    glyph(c.p, QRectF(0, 0, 16, 16));
    return c.Finish();
}

template <typename Draw>
QImage IconWith(const TDeviceGrid& grid, Draw draw) {
    TCanvas c(kIconSize, grid);
    draw(c.p, QRectF(0, 0, 16, 16));
    return c.Finish();
}

QImage DrawButtonPicture(int index, const TDeviceGrid& grid) {
    namespace G = SkinGlyph;
    switch (index) {
    case Btn::HelpHover:
    case Btn::HelpNormal:
        return TitleButton(grid, HelpMark, index == Btn::HelpHover, false);
    case Btn::InternetHover:
    case Btn::InternetNormal:
        return TitleButton(grid, GlobeMark, index == Btn::InternetHover, false);
    case Btn::MinHover:
    case Btn::MinNormal:
        return TitleButton(grid, MinMark, index == Btn::MinHover, false);
    case Btn::CloseHover:
    case Btn::CloseNormal:
        return TitleButton(grid, CloseMark, index == Btn::CloseHover, true);
    case Btn::DisplayFrame:
        return DisplayFrame(grid);
    case Btn::CheckOff:
    case Btn::CheckOn:
        return CheckPicture(grid, index == Btn::CheckOn);
    case Btn::TypeLeft:
        return TypeArrow(grid, -1);
    case Btn::TypeRight:
        return TypeArrow(grid, +1);
    case Btn::IconPlay:
        return Icon(grid, G::Play);
    case Btn::IconPause:
        return Icon(grid, G::Pause);
    case Btn::IconStop:
        return Icon(grid, G::Stop);
    case Btn::IconFolder:
        return Icon(grid, G::Folder);
    case Btn::IconPicture:
        return Icon(grid, G::Picture);
    case Btn::IconFilm:
        return Icon(grid, G::Film);
    case Btn::IconText:
        return Icon(grid, G::Text);
    case Btn::IconInfo:
        return Icon(grid, G::Info);
    case Btn::IconWarning:
        return Icon(grid, G::Warning);
    case Btn::IconError:
        return Icon(grid, G::Error);
    case Btn::IconOk:
        return Icon(grid, G::Ok);
    case Btn::IconCancel:
        return Icon(grid, G::Cancel);
    case Btn::IconAdd:
        return Icon(grid, G::Add);
    case Btn::IconRemove:
        return Icon(grid, G::Remove);
    case Btn::IconUp:
        return Icon(grid, G::ArrowUp);
    case Btn::IconDown:
        return Icon(grid, G::ArrowDown);
    case Btn::IconSave:
        return Icon(grid, G::Save);
    case Btn::IconRefresh:
        return Icon(grid, G::Refresh);
    case Btn::IconMonitor:
        return IconWith(grid, [](QPainter& p, const QRectF& r) {
            G::Monitor(p, r, QColor(0x8C, 0xD8, 0xFF), QColor(0x1F, 0x6F, 0xC4));
        });
    case Btn::IconGlobe:
        return Icon(grid, G::Globe);
    case Btn::IconUser:
        return IconWith(grid, [](QPainter& p, const QRectF& r) {
            G::Person(p, r, QColor(0x9C, 0xCC, 0xFF), QColor(0x2D, 0x6A, 0xC0));
        });
    case Btn::IconClock:
        return Icon(grid, G::Clock);
    case Btn::IconGear:
        return Icon(grid, G::Gear);
    case Btn::IconLock:
        return Icon(grid, G::Lock);
    case Btn::IconHelp:
        return Icon(grid, G::Help);
    case Btn::LangRightNormal:
    case Btn::LangRightHover:
        return LangArrow(grid, +1, index == Btn::LangRightHover);
    case Btn::LangLeftNormal:
    case Btn::LangLeftHover:
        return LangArrow(grid, -1, index == Btn::LangLeftHover);
    case Btn::LangField:
        return LangField(grid);
    case Btn::IconClientOnline:
        return IconWith(grid, [](QPainter& p, const QRectF& r) {
            G::Monitor(p, r, QColor(0xA6, 0xF5, 0xA0), QColor(0x1E, 0x91, 0x40));
        });
    case Btn::IconClientOffline:
        return IconWith(grid, [](QPainter& p, const QRectF& r) {
            G::Monitor(p, r, QColor(0x5A, 0x64, 0x74), QColor(0x22, 0x28, 0x32));
            p.setPen(QPen(QColor(0x20, 0x10, 0x10), 0.8));
            p.setBrush(QColor(0xE0, 0x3C, 0x2C));
            p.drawEllipse(QPointF(12, 11), 2.6, 2.6);
        });
    case Btn::IconServerRunning:
        return IconWith(grid, [](QPainter& p, const QRectF& r) {
            G::Lamp(p, r, QColor(IndicatorRunningColor));
        });
    case Btn::IconServerStopped:
        return IconWith(grid, [](QPainter& p, const QRectF& r) {
            G::Lamp(p, r, QColor(IndicatorStoppedColor));
        });
    case Btn::IconEnglish:
        return IconWith(grid, [](QPainter& p, const QRectF& r) {
            G::Badge(p, r, QStringLiteral("EN"), QColor(0x6C, 0xA8, 0xF0),
                     QColor(0x1F, 0x4F, 0x9A));
        });
    case Btn::IconRussian:
        return IconWith(grid, [](QPainter& p, const QRectF& r) {
            G::Badge(p, r, QStringLiteral("RU"), QColor(0xF0, 0x80, 0x6C),
                     QColor(0xA8, 0x2A, 0x1C));
        });
    case Btn::IconDocument:
        return Icon(grid, G::Document);
    case Btn::IconKey:
        return Icon(grid, G::Key);
    case Btn::IconCalendar:
        return Icon(grid, G::Calendar);
    case Btn::IconNetwork:
        return Icon(grid, G::Network);
    case Btn::IconMessage:
        return Icon(grid, G::Envelope);
    case Btn::IconPreview:
        return Icon(grid, G::Eye);
    case Btn::IconEdit:
        return Icon(grid, G::Pencil);
    case Btn::IconDelete:
        return Icon(grid, G::Trash);
    case Btn::IconHome:
        return Icon(grid, G::Home);
    case Btn::IconBook:
        return Icon(grid, G::Book);
    default:
        break;
    }
    if (index >= Btn::StartNormal && index <= Btn::SetupHover) {
        const auto button = static_cast<size_t>((index - Btn::StartNormal) / 2);
        return ServerButton(grid, kServerGlyphs[button], (index - Btn::StartNormal) % 2 == 1);
    }
    if (index >= Btn::StartDisabled && index <= Btn::SetupDisabled)
        return SkinDraw::Disabled(ServerButton(
            grid, kServerGlyphs[static_cast<size_t>(index - Btn::StartDisabled)], false));
    throw std::out_of_range("Picture index out of range (" + std::to_string(index) + ")");
}

} // namespace

QImage ButtonPicture(int index, const TDeviceGrid& grid) {
    if (index < 0 || index >= Btn::Count)
        throw std::out_of_range("Picture index out of range (" + std::to_string(index) + ")");
    return DrawButtonPicture(index, grid);
}

QSize ButtonPictureSize(int index) {
    if (index < 0 || index >= Btn::Count)
        throw std::out_of_range("Picture index out of range (" + std::to_string(index) + ")");
    if (index <= Btn::CloseNormal)
        return kTitleSize;
    if (index <= Btn::SetupHover || (index >= Btn::StartDisabled && index <= Btn::SetupDisabled))
        return kServerSize;
    switch (index) {
    case Btn::DisplayFrame:
        return kFrameSize;
    case Btn::CheckOff:
    case Btn::CheckOn:
        return kCheckSize;
    case Btn::TypeLeft:
    case Btn::TypeRight:
    case Btn::LangRightNormal:
    case Btn::LangRightHover:
    case Btn::LangLeftNormal:
    case Btn::LangLeftHover:
        return kArrowSize;
    case Btn::LangField:
        return kFieldSize;
    default:
        return kIconSize;
    }
}

} // namespace Skin
