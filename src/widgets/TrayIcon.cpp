#include "widgets/TrayIcon.h"

#include "SkinStyle.h"
#include "widgets/DevicePixels.h"
#include "widgets/GradientPanel.h"
#include "widgets/SkinDraw.h"
#include "widgets/SkinPictures.h"
#include "widgets/SkinZones.h"
#include "widgets/TrayHost.h"

#include <QActionEvent>
#include <QApplication>
#include <QCursor>
#include <QPainter>
#include <QProxyStyle>
#include <QRegularExpression>
#include <QStyleOptionMenuItem>

namespace {

constexpr int kItemHeight = 20;
constexpr int kPictureLeft = 6;
constexpr int kPictureSize = Skin::TrayPictureSize.width();
constexpr int kTextLeft = kPictureLeft + kPictureSize + 8;
const QColor kMenuBorder(Skin::HintBorderColor);
const QColor kItemText(0x10, 0x30, 0x5A);

// Draws the menu's face and items in the skin's look; everything else falls to the base style.
class TTrayMenuStyle final : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        switch (metric) {
        case PM_SmallIconSize:
            return kPictureSize;
        case PM_MenuPanelWidth:
            return 1;
        case PM_MenuHMargin:
            return 0;
        case PM_MenuVMargin:
            return 2;
        default:
            return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override {
        if (type != CT_MenuItem)
            return QProxyStyle::sizeFromContents(type, option, size, widget);
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (item != nullptr && item->menuItemType == QStyleOptionMenuItem::Separator)
            return QSize(size.width(), 7);
        const QString text = item != nullptr ? item->text.section(QLatin1Char('\t'), 0, 0) : "";
        const int width = kTextLeft + option->fontMetrics.horizontalAdvance(text) + 18;
        return QSize(std::max(width, 120), std::max(kItemHeight, option->fontMetrics.height() + 6));
    }

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* p,
                       const QWidget* widget) const override {
        if (element == PE_PanelMenu || element == PE_FrameMenu) {
            // A border of whole device pixels along the menu's edges.
            const TDevicePainting device(*p);
            const QRect menu = device.Map(QRectF(option->rect));
            if (element == PE_PanelMenu)
                p->fillRect(menu, SkinDraw::Vertical(QRectF(menu), QColor(0xF6, 0xF9, 0xFE),
                                                     QColor(0xE0, 0xEA, 0xF7)));
            FillFrame(*p, menu, device.Grid().Line(), kMenuBorder);
            return;
        }
        QProxyStyle::drawPrimitive(element, option, p, widget);
    }

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* p,
                     const QWidget* widget) const override {
        if (element == CE_MenuEmptyArea) {
            p->fillRect(option->rect, QColor(0xEE, 0xF3, 0xFB));
            return;
        }
        if (element != CE_MenuItem) {
            QProxyStyle::drawControl(element, option, p, widget);
            return;
        }
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (item == nullptr)
            return;
        const QRect r = item->rect;
        p->save();
        p->fillRect(r, QColor(0xEE, 0xF3, 0xFB));
        if (item->menuItemType == QStyleOptionMenuItem::Separator) {
            p->setPen(QColor(0xA8, 0xC0, 0xE0));
            p->drawLine(r.left() + kTextLeft, r.center().y(), r.right() - 4, r.center().y());
            p->restore();
            return;
        }
        const bool enabled = item->state & State_Enabled;
        const bool selected = enabled && (item->state & State_Selected);
        if (selected) {
            p->setRenderHint(QPainter::Antialiasing, true);
            const QRectF band = QRectF(r).adjusted(1.5, 0.5, -1.5, -0.5);
            p->setPen(QPen(QColor(TTrayMenu::BandBottomColor), 1.0));
            p->setBrush(
                SkinDraw::Vertical(band, QColor(0x6C, 0xD0, 0xFF), QColor(0x1C, 0x7C, 0xD4)));
            p->drawRoundedRect(band, 3, 3);
        }
        if (!item->icon.isNull()) {
            // Drawn for the device pixels the picture's place covers.
            const TDevicePainting device(*p);
            const QRect place = device.Map(QRectF(r.left() + kPictureLeft,
                                                  r.top() + (r.height() - kPictureSize) / 2,
                                                  kPictureSize, kPictureSize));
            const QPixmap picture =
                item->icon.pixmap(place.size(), 1.0, enabled ? QIcon::Normal : QIcon::Disabled);
            p->drawPixmap(QRect(place.topLeft(), picture.size()), picture, picture.rect());
        }
        p->setFont(item->font);
        p->setPen(!enabled ? QColor(0x90, 0x9C, 0xAC) : selected ? QColor(Qt::white) : kItemText);
        const QString text = item->text.section(QLatin1Char('\t'), 0, 0);
        p->drawText(r.adjusted(kTextLeft, 0, -4, 0),
                    Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, text);
        p->restore();
    }
};

// TrayMenu_1 .. TrayMenu_5 get the tray pictures 1 .. 5 unless the owner chose an icon.
void GivePicture(QAction* action) {
    if (action == nullptr || !action->icon().isNull())
        return;
    static const QRegularExpression name(QStringLiteral("^TrayMenu_([1-5])$"));
    const QRegularExpressionMatch match = name.match(action->objectName());
    if (match.hasMatch())
        action->setIcon(Skin::DrawnTrayPicture(match.captured(1).toInt()).Icon());
}

} // namespace

TTrayMenu::TTrayMenu(QWidget* parent) : QMenu(parent), style_(new TTrayMenuStyle) {
    style_->setParent(this);
    setStyle(style_);
    const QFont font = Skin::PixelFont(12);
    setFont(font);
    // The band takes the left edge; the items stand to its right.
    setContentsMargins(BandWidth, 0, 0, 0);
}

TTrayMenu::~TTrayMenu() {
    // The style goes with the menu; stop using it first.
    setStyle(nullptr);
}

QRect TTrayMenu::BandRect() const {
    const int frame = style()->pixelMetric(QStyle::PM_MenuPanelWidth, nullptr, this);
    return QRect(frame, frame, BandWidth, height() - 2 * frame);
}

void TTrayMenu::paintEvent(QPaintEvent* event) {
    QMenu::paintEvent(event);
    QPainter p(this);
    const QRect band = BandRect();
    FillGradient(p, band, QColor(BandBottomColor), QColor(BandTopColor),
                 TGradientDirection::BottomToTop, BandSteps);
    // The caption turned a quarter to the left, reading upwards from the bottom of the band.
    p.setRenderHint(QPainter::TextAntialiasing, true);
    const QFont font = Skin::PixelFont(13, true);
    p.setFont(font);
    p.setPen(QColor(BandTextColor));
    p.translate(band.left(), band.bottom() + 1);
    p.rotate(-90);
    p.drawText(QRect(6, 0, band.height() - 6, band.width()), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromLatin1(Caption));
}

void TTrayMenu::actionEvent(QActionEvent* event) {
    if (event->type() == QEvent::ActionAdded || event->type() == QEvent::ActionChanged)
        GivePicture(event->action());
    QMenu::actionEvent(event);
}

TTrayIcon::TTrayIcon(QWidget* window)
    : QObject(window), icon_(new QSystemTrayIcon(this)), menu_(new TTrayMenu(window)),
      host_(new TTrayHostWatcher(this)) {
    icon_->setIcon(Skin::DesktopIcon());
    icon_->setToolTip(QString::fromLatin1(Product::Name));
    TrayHost::NoteRequests();
    // The menu is opened by hand rather than set as the icon's context menu, so that it keeps
    // its drawn look wherever the desktop would otherwise show a menu of its own.
    connect(icon_, &QSystemTrayIcon::activated, this, &TTrayIcon::HandleActivation);
    connect(host_, &TTrayHostWatcher::hostLost, this, &TTrayIcon::restoreRequested);
}

TTrayIcon::~TTrayIcon() {
    // Without a window the menu is the icon's own.
    if (parent() == nullptr)
        delete menu_.data();
}

bool TTrayIcon::IsAvailable() const {
    return host_->IsAvailable();
}

void TTrayIcon::Show() {
    icon_->show();
    host_->SetWatching(true);
}

void TTrayIcon::Hide() {
    host_->SetWatching(false);
    icon_->hide();
}

bool TTrayIcon::IsVisible() const {
    return icon_->isVisible();
}

void TTrayIcon::HandleActivation(QSystemTrayIcon::ActivationReason reason) {
    // What the host asked for, when the activation came from a D-Bus host.
    const std::optional<TrayHost::TRequest> request = TrayHost::TakeRequest();
    switch (reason) {
    case QSystemTrayIcon::DoubleClick:
        emit restoreRequested();
        break;
    case QSystemTrayIcon::Trigger:
        // An XEmbed tray reports every single click as a trigger before its double click.
        if (request && request->Kind == TrayHost::TRequestKind::Activate)
            emit restoreRequested();
        break;
    case QSystemTrayIcon::Context:
        if (request && request->Kind == TrayHost::TRequestKind::ContextMenu)
            PopupMenu(TrayHost::ToLogical(request->At));
        else
            PopupMenu(QCursor::pos());
        break;
    default:
        break;
    }
}

void TTrayIcon::PopupMenu(const QPoint& globalPos) {
    if (menu_ == nullptr)
        return;
    // Let the window system settle first (the tray's own press), so the menu gets the focus and
    // closes when the operator clicks elsewhere.
    QCoreApplication::processEvents();
    for (QAction* action : menu_->actions())
        GivePicture(action);
    menu_->popup(globalPos);
    menu_->activateWindow();
    menu_->raise();
}
