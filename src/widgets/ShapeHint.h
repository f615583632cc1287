#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class QWidget;

// A one-shot timer as the hint presenter uses it. The presenter runs on real timers; tests hand
// in timers they fire themselves, so nothing depends on the wall clock.
class THintTimer {
public:
    virtual ~THintTimer() = default;
    virtual void Start(int milliseconds) = 0;
    virtual void Stop() = 0;
    virtual bool IsActive() const = 0;
    void SetCallback(std::function<void()> callback) { callback_ = std::move(callback); }

protected:
    void Fire() {
        if (callback_)
            callback_();
    }

private:
    std::function<void()> callback_;
};

class THintWindow;

// The application-wide pop-up hint presenter, in place of Qt's own tool tips. It watches every
// widget of the application: when the cursor has rested ShowDelay ms on a control whose
// toolTip() is not empty, the control's text pops up below the cursor in a plain framed window,
// and goes again after HideDelay ms, when the cursor leaves the control, or when a mouse button
// is pressed. It does not come back on the same control until the cursor has moved to another.
class TShapeHint : public QObject {
    Q_OBJECT

public:
    static constexpr int ShowDelay = 500;
    static constexpr int HideDelay = 2500;

    // Installs itself on the application (which must exist) and removes itself when destroyed.
    explicit TShapeHint(QObject* parent = nullptr);
    TShapeHint(std::unique_ptr<THintTimer> showTimer, std::unique_ptr<THintTimer> hideTimer,
               QObject* parent = nullptr);
    ~TShapeHint() override;

    // The application-wide hint switch: while off no hint is shown anywhere; the controls keep
    // their hint texts.
    void SetHintsEnabled(bool enabled);
    bool HintsEnabled() const { return enabled_; }

    bool IsHintVisible() const;
    QString HintText() const;
    // The control whose hint is showing or about to show, if any.
    QWidget* HintOwner() const { return owner_; }
    // The hint window itself (for looking at it; it is created on first use).
    QWidget* HintWindow();

    void HideHint();

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* TargetOf(QWidget* widget) const;
    void PointerAt(QWidget* widget, QPoint globalPos);
    void ShowNow();
    void Cancel();

    std::unique_ptr<THintTimer> showTimer_;
    std::unique_ptr<THintTimer> hideTimer_;
    std::unique_ptr<THintWindow> window_;
    QPointer<QWidget> owner_;
    QPoint cursor_;
    bool enabled_ = true;
    bool doneForOwner_ = false; // shown or dismissed on the current control already
};
