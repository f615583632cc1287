#include "widgets/ShapeHint.h"

#include "SkinStyle.h"
#include "widgets/DevicePixels.h"
#include "widgets/SkinZones.h"

#include <QApplication>
#include <QEnterEvent>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QToolTip>
#include <QWidget>
#include <stdexcept>

namespace {

constexpr int kPadX = 4;
constexpr int kPadY = 2;
constexpr int kMaxTextWidth = 420;
constexpr int kBelowCursor = 20; // the hint stands clear of the cursor's picture

class TTimerOnQt final : public THintTimer {
public:
    TTimerOnQt() {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Fire(); });
    }
    void Start(int milliseconds) override { timer_.start(milliseconds); }
    void Stop() override { timer_.stop(); }
    bool IsActive() const override { return timer_.isActive(); }

private:
    QTimer timer_;
};

} // namespace

// The hint's window: a plain rectangle with a one-pixel border and the text, no shadow. It never
// takes the focus or the mouse.
class THintWindow final : public QWidget {
public:
    THintWindow()
        : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                               Qt::WindowDoesNotAcceptFocus) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_ShowWithoutActivating);
        const QFont font = Skin::PixelFont(12);
        setFont(font);
    }

    void SetText(const QString& text) {
        text_ = text;
        const QRect bounds =
            fontMetrics().boundingRect(QRect(0, 0, kMaxTextWidth, 10000), Qt::TextWordWrap, text_);
        resize(bounds.width() + 2 * kPadX + 2, bounds.height() + 2 * kPadY + 2);
        update();
    }
    const QString& Text() const { return text_; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        {
            // The border takes whole device pixels along the hint's device edges.
            const TDevicePainting device(p);
            const QRect hint = device.Map(rect());
            p.fillRect(hint, QColor(Skin::HintBackColor));
            FillFrame(p, hint, device.Grid().Line(), QColor(Skin::HintBorderColor));
        }
        p.setPen(QToolTip::palette().color(QPalette::ToolTipText));
        p.drawText(rect().adjusted(kPadX + 1, kPadY + 1, -kPadX - 1, -kPadY - 1),
                   Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, text_);
    }

private:
    QString text_;
};

TShapeHint::TShapeHint(QObject* parent)
    : TShapeHint(std::make_unique<TTimerOnQt>(), std::make_unique<TTimerOnQt>(), parent) {}

TShapeHint::TShapeHint(std::unique_ptr<THintTimer> showTimer, std::unique_ptr<THintTimer> hideTimer,
                       QObject* parent)
    : QObject(parent), showTimer_(std::move(showTimer)), hideTimer_(std::move(hideTimer)) {
    if (QCoreApplication::instance() == nullptr)
        throw std::logic_error("the hint presenter needs an application");
    showTimer_->SetCallback([this] { ShowNow(); });
    hideTimer_->SetCallback([this] { HideHint(); });
    QCoreApplication::instance()->installEventFilter(this);
}

TShapeHint::~TShapeHint() {
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->removeEventFilter(this);
}

void TShapeHint::SetHintsEnabled(bool enabled) {
    enabled_ = enabled;
    if (!enabled_) {
        Cancel();
        HideHint();
    }
}

bool TShapeHint::IsHintVisible() const {
    return window_ && window_->isVisible();
}

QString TShapeHint::HintText() const {
    return IsHintVisible() ? window_->Text() : QString();
}

QWidget* TShapeHint::HintWindow() {
    if (!window_)
        window_ = std::make_unique<THintWindow>();
    return window_.get();
}

void TShapeHint::HideHint() {
    hideTimer_->Stop();
    if (window_)
        window_->hide();
}

void TShapeHint::Cancel() {
    showTimer_->Stop();
}

QWidget* TShapeHint::TargetOf(QWidget* widget) const {
    for (QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        if (!w->toolTip().isEmpty())
            return w;
        if (w->isWindow())
            break;
    }
    return nullptr;
}

void TShapeHint::PointerAt(QWidget* widget, QPoint globalPos) {
    if (window_ && widget->window() == window_.get())
        return;
    cursor_ = globalPos;
    QWidget* target = TargetOf(widget);
    if (target != owner_) {
        Cancel();
        HideHint();
        owner_ = target;
        doneForOwner_ = false;
    }
    if (owner_ == nullptr || !enabled_ || doneForOwner_ || IsHintVisible())
        return;
    // Every move starts the wait again: the hint comes when the cursor rests.
    showTimer_->Start(ShowDelay);
}

void TShapeHint::ShowNow() {
    if (!enabled_ || owner_ == nullptr || !owner_->isVisible())
        return;
    const QString text = owner_->toolTip();
    if (text.isEmpty())
        return;
    HintWindow();
    window_->SetText(text);

    QPoint at(cursor_.x(), cursor_.y() + kBelowCursor);
    const QScreen* screen = QGuiApplication::screenAt(cursor_);
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        const QRect area = screen->availableGeometry();
        if (at.x() + window_->width() > area.right() + 1)
            at.setX(area.right() + 1 - window_->width());
        if (at.y() + window_->height() > area.bottom() + 1)
            at.setY(cursor_.y() - window_->height() - 2);
        at.setX(std::max(at.x(), area.left()));
        at.setY(std::max(at.y(), area.top()));
    }
    window_->move(at);
    window_->show();
    window_->raise();
    doneForOwner_ = true;
    hideTimer_->Start(HideDelay);
}

bool TShapeHint::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ToolTip: {
        // Qt's own tool tip never shows while this presenter runs.
        if (!watched->isWidgetType())
            break;
        auto* widget = static_cast<QWidget*>(watched);
        if (!enabled_)
            return true;
        if (TargetOf(widget) == nullptr)
            break; // not a control hint: views may show tips of their own rows
        // Qt asks after its own, longer rest: the cursor has rested long enough.
        const QPoint globalPos = static_cast<QHelpEvent*>(event)->globalPos();
        PointerAt(widget, globalPos);
        if (!doneForOwner_ && !IsHintVisible()) {
            Cancel();
            ShowNow();
        }
        return true;
    }
    case QEvent::MouseMove: {
        const auto* move = static_cast<QMouseEvent*>(event);
        if (watched->isWidgetType() && move->buttons() == Qt::NoButton)
            PointerAt(static_cast<QWidget*>(watched), move->globalPosition().toPoint());
        break;
    }
    case QEvent::Enter:
        if (watched->isWidgetType())
            PointerAt(static_cast<QWidget*>(watched),
                      static_cast<QEnterEvent*>(event)->globalPosition().toPoint());
        break;
    case QEvent::Leave:
    case QEvent::Hide:
        if (owner_ != nullptr && watched->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(watched);
            if (widget == owner_ || widget->isAncestorOf(owner_)) {
                Cancel();
                HideHint();
                owner_ = nullptr;
                doneForOwner_ = false;
            }
        }
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
        if (owner_ != nullptr) {
            Cancel();
            HideHint();
            doneForOwner_ = true;
        }
        break;
    case QEvent::ApplicationDeactivate:
        Cancel();
        HideHint();
        break;
    default:
        break;
    }
    return false;
}
