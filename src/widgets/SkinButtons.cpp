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

struct TCanvas {
    explicit TCanvas(QSize size) : image(SkinDraw::NewImage(size, true)), p(&image) {
        SkinDraw::Smooth(p);
    }
    QImage Finish() {
        p.end();
        return image;
    }
    QImage image;
    QPainter p;
};

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

QImage TitleButton(TTitleGlyph glyph, bool hover, bool danger) {
    TCanvas c(kTitleSize);
    const QRectF bounds(0.5, 0.5, 21, 22);
    SkinDraw::Tile(c.p, RoundRect(bounds, 4), bounds,
                   hover ? (danger ? DangerLook() : HoverLook()) : NormalLook());
    WithShadow(c.p, hover ? QColor(Qt::white) : kGlyphLight,
               [&](const QColor& colour) { glyph(c.p, colour); });
    return c.Finish();
}

using TServerGlyph = void (*)(QPainter&);

QImage ServerButton(TServerGlyph glyph, bool hover) {
    TCanvas c(kServerSize);
    const QRectF bounds(0.5, 0.5, 31, 31);
    SkinDraw::Tile(c.p, RoundRect(bounds, 7), bounds, hover ? ServerHoverLook() : ServerLook());
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

QImage DisplayFrame() {
    TCanvas c(kFrameSize);
    const QRectF bounds(0.5, 0.5, 103, 79);
    SkinDraw::Tile(c.p, RoundRect(bounds, 5), bounds,
                   {QColor(0x6A, 0x9A, 0xD6), QColor(0x1C, 0x4A, 0x86), QColor(0x06, 0x1F, 0x40),
                    1.0, 60, 90});
    // The display picture covers (4, 4, 96, 72); the well shows a dark rim around it.
    SkinDraw::Well(c.p, QRectF(3, 3, 98, 74), 1.5, QColor(0x0B, 0x1E, 0x38));
    // Small screws in the corners of the frame.
    c.p.setPen(Qt::NoPen);
    for (QPointF s : {QPointF(2, 2), QPointF(102, 2), QPointF(2, 78), QPointF(102, 78)}) {
        c.p.setBrush(QColor(255, 255, 255, 60));
        c.p.drawEllipse(s, 1.0, 1.0);
    }
    return c.Finish();
}

QImage CheckPicture(bool on) {
    TCanvas c(kCheckSize);
    const QRectF box(3, 3, 17, 17);
    // Light catches the lower edge of the sunken box.
    c.p.setPen(QPen(QColor(255, 255, 255, 55), 1.0));
    c.p.setBrush(Qt::NoBrush);
    c.p.drawPath(RoundRect(box.adjusted(-0.5, 0.5, 0.5, 1.5), 4));
    c.p.setPen(QPen(QColor(0x05, 0x20, 0x3F), 1.0));
    c.p.setBrush(SkinDraw::Vertical(box, QColor(0x0A, 0x36, 0x68), QColor(0x1C, 0x6A, 0xBA)));
    c.p.drawPath(RoundRect(box.adjusted(0.5, 0.5, -0.5, -0.5), 3.5));
    c.p.setPen(QPen(QColor(0, 0, 0, 70), 1.0));
    c.p.drawLine(QPointF(5.5, 4.8), QPointF(17.5, 4.8));
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

QImage TypeArrow(int dx) {
    TCanvas c(kArrowSize);
    const QRectF bounds(0.5, 0.5, 16, 20);
    SkinDraw::Tile(c.p, RoundRect(bounds, 4), bounds, NormalLook());
    SkinGlyph::Triangle(c.p, QRectF(0.5, 2.5, 16, 16), dx, kPaleGreen);
    return c.Finish();
}

// The language arrows and the field between them form one control: [< | field | >]. The arrows
// are rounded on their outer side and flat where they meet the field.
QImage LangArrow(int dx, bool hover) {
    TCanvas c(kArrowSize);
    const QRectF bounds(0.5, 0.5, 16, 20);
    const QRectF wide = dx < 0 ? QRectF(0.5, 0.5, 24, 20) : QRectF(-7.5, 0.5, 24, 20);
    QPainterPath outer;
    outer.addRect(bounds);
    const QPainterPath shape = RoundRect(wide, 5).intersected(outer);
    TTileLook look = hover ? HoverLook() : NormalLook();
    look.border = QColor(0x06, 0x1F, 0x40);
    look.borderWidth = 1.0;
    SkinDraw::Tile(c.p, shape, bounds, look);
    SkinGlyph::Triangle(c.p, QRectF(dx < 0 ? 0 : 1, 2.5, 16, 16), dx, hover ? kGold : kPaleGreen);
    return c.Finish();
}

QImage LangField() {
    TCanvas c(kFieldSize);
    // Wider than the picture so its sides join the arrows without a border of their own.
    const QRectF bounds(-2, 0.5, 67, 20);
    QPainterPath shape;
    shape.addRect(bounds);
    SkinDraw::Tile(c.p, shape, bounds, NormalLook());
    // `Edit_Lang` covers (5, 4, 53, 14).
    SkinDraw::Well(c.p, QRectF(4, 3, 55, 16), 2, QColor(EditColor));
    return c.Finish();
}

QImage Icon(void (*glyph)(QPainter&, const QRectF&)) {
    TCanvas c(kIconSize);
    glyph(c.p, QRectF(0, 0, 16, 16));
    return c.Finish();
}

template <typename Draw>
QImage IconWith(Draw draw) {
    TCanvas c(kIconSize);
    draw(c.p, QRectF(0, 0, 16, 16));
    return c.Finish();
}

QImage DrawButtonPicture(int index) {
    namespace G = SkinGlyph;
    switch (index) {
    case Btn::HelpHover:
    case Btn::HelpNormal:
        return TitleButton(HelpMark, index == Btn::HelpHover, false);
    case Btn::InternetHover:
    case Btn::InternetNormal:
        return TitleButton(GlobeMark, index == Btn::InternetHover, false);
    case Btn::MinHover:
    case Btn::MinNormal:
        return TitleButton(MinMark, index == Btn::MinHover, false);
    case Btn::CloseHover:
    case Btn::CloseNormal:
        return TitleButton(CloseMark, index == Btn::CloseHover, true);
    case Btn::DisplayFrame:
        return DisplayFrame();
    case Btn::CheckOff:
    case Btn::CheckOn:
        return CheckPicture(index == Btn::CheckOn);
    case Btn::TypeLeft:
        return TypeArrow(-1);
    case Btn::TypeRight:
        return TypeArrow(+1);
    case Btn::IconPlay:
        return Icon(G::Play);
    case Btn::IconPause:
        return Icon(G::Pause);
    case Btn::IconStop:
        return Icon(G::Stop);
    case Btn::IconFolder:
        return Icon(G::Folder);
    case Btn::IconPicture:
        return Icon(G::Picture);
    case Btn::IconFilm:
        return Icon(G::Film);
    case Btn::IconText:
        return Icon(G::Text);
    case Btn::IconInfo:
        return Icon(G::Info);
    case Btn::IconWarning:
        return Icon(G::Warning);
    case Btn::IconError:
        return Icon(G::Error);
    case Btn::IconOk:
        return Icon(G::Ok);
    case Btn::IconCancel:
        return Icon(G::Cancel);
    case Btn::IconAdd:
        return Icon(G::Add);
    case Btn::IconRemove:
        return Icon(G::Remove);
    case Btn::IconUp:
        return Icon(G::ArrowUp);
    case Btn::IconDown:
        return Icon(G::ArrowDown);
    case Btn::IconSave:
        return Icon(G::Save);
    case Btn::IconRefresh:
        return Icon(G::Refresh);
    case Btn::IconMonitor:
        return IconWith([](QPainter& p, const QRectF& r) {
            G::Monitor(p, r, QColor(0x8C, 0xD8, 0xFF), QColor(0x1F, 0x6F, 0xC4));
        });
    case Btn::IconGlobe:
        return Icon(G::Globe);
    case Btn::IconUser:
        return IconWith([](QPainter& p, const QRectF& r) {
            G::Person(p, r, QColor(0x9C, 0xCC, 0xFF), QColor(0x2D, 0x6A, 0xC0));
        });
    case Btn::IconClock:
        return Icon(G::Clock);
    case Btn::IconGear:
        return Icon(G::Gear);
    case Btn::IconLock:
        return Icon(G::Lock);
    case Btn::IconHelp:
        return Icon(G::Help);
    case Btn::LangRightNormal:
    case Btn::LangRightHover:
        return LangArrow(+1, index == Btn::LangRightHover);
    case Btn::LangLeftNormal:
    case Btn::LangLeftHover:
        return LangArrow(-1, index == Btn::LangLeftHover);
    case Btn::LangField:
        return LangField();
    case Btn::IconClientOnline:
        return IconWith([](QPainter& p, const QRectF& r) {
            G::Monitor(p, r, QColor(0xA6, 0xF5, 0xA0), QColor(0x1E, 0x91, 0x40));
        });
    case Btn::IconClientOffline:
        return IconWith([](QPainter& p, const QRectF& r) {
            G::Monitor(p, r, QColor(0x5A, 0x64, 0x74), QColor(0x22, 0x28, 0x32));
            p.setPen(QPen(QColor(0x20, 0x10, 0x10), 0.8));
            p.setBrush(QColor(0xE0, 0x3C, 0x2C));
            p.drawEllipse(QPointF(12, 11), 2.6, 2.6);
        });
    case Btn::IconServerRunning:
        return IconWith(
            [](QPainter& p, const QRectF& r) { G::Lamp(p, r, QColor(IndicatorRunningColor)); });
    case Btn::IconServerStopped:
        return IconWith(
            [](QPainter& p, const QRectF& r) { G::Lamp(p, r, QColor(IndicatorStoppedColor)); });
    case Btn::IconEnglish:
        return IconWith([](QPainter& p, const QRectF& r) {
            G::Badge(p, r, QStringLiteral("EN"), QColor(0x6C, 0xA8, 0xF0),
                     QColor(0x1F, 0x4F, 0x9A));
        });
    case Btn::IconRussian:
        return IconWith([](QPainter& p, const QRectF& r) {
            G::Badge(p, r, QStringLiteral("RU"), QColor(0xF0, 0x80, 0x6C),
                     QColor(0xA8, 0x2A, 0x1C));
        });
    case Btn::IconDocument:
        return Icon(G::Document);
    case Btn::IconKey:
        return Icon(G::Key);
    case Btn::IconCalendar:
        return Icon(G::Calendar);
    case Btn::IconNetwork:
        return Icon(G::Network);
    case Btn::IconMessage:
        return Icon(G::Envelope);
    case Btn::IconPreview:
        return Icon(G::Eye);
    case Btn::IconEdit:
        return Icon(G::Pencil);
    case Btn::IconDelete:
        return Icon(G::Trash);
    case Btn::IconHome:
        return Icon(G::Home);
    case Btn::IconBook:
        return Icon(G::Book);
    default:
        break;
    }
    if (index >= Btn::StartNormal && index <= Btn::SetupHover) {
        const auto button = static_cast<size_t>((index - Btn::StartNormal) / 2);
        return ServerButton(kServerGlyphs[button], (index - Btn::StartNormal) % 2 == 1);
    }
    if (index >= Btn::StartDisabled && index <= Btn::SetupDisabled)
        return SkinDraw::Disabled(
            ServerButton(kServerGlyphs[static_cast<size_t>(index - Btn::StartDisabled)], false));
    throw std::out_of_range("Picture index out of range (" + std::to_string(index) + ")");
}

} // namespace

QImage ButtonPicture(int index) {
    if (index < 0 || index >= Btn::Count)
        throw std::out_of_range("Picture index out of range (" + std::to_string(index) + ")");
    return DrawButtonPicture(index);
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
