#pragma once

#include "display/DisplayOptions.h"
#include "display/LayoutContent.h"
#include "display/LayoutMedia.h"
#include "layoutview/RotationReads.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

class QLabel;
class TDisplayView;
class TMediaCache;
class TScreenCover;

// The display's one window: over the whole of its screen without a frame (TScreenCover), or a
// window of a chosen size; no cursor. What it shows stands in its contents rectangle, the part
// of the window on the screen. It shows the current layout, and a new one only once it is built
// whole, so the screen never goes black or half drawn between two. Before any layout it shows a
// line saying what it waits for; messages stand as a banner over the layout for a while. With a
// media cache, the files that maps take show from their copies (TLayoutMedia decides when a
// layout is built). A rotation's playlist or folder is read off the window thread (TRotationReads)
// before its layout is built, and read again every RotationReadAgain: what changed shows from the
// next change of item on. With the screen off (its hours) it shows black and nothing else: no
// layout is built and no video decodes; what arrives meanwhile shows when it comes on.
class TDisplayWindow : public QWidget {
    Q_OBJECT
public:
    // A new layout replaces the shown one at the latest this long after it arrived, even while
    // its video is still opening.
    static constexpr int LongestSwapMs = 400;
    static constexpr std::chrono::seconds RotationReadAgain{10};

    explicit TDisplayWindow(const TDisplayOptions& options, QWidget* parent = nullptr);
    ~TDisplayWindow() override;

    // The cache the files of maps come from; none: they are shown at the source.
    void SetMediaCache(TMediaCache* cache);
    // Places the window on its screen and shows it.
    void Present();
    // The line shown while there is no layout.
    void ShowStandby(const QString& text);
    // Builds the layout off screen and swaps it in once ready.
    void ShowLayout(int displayType, const std::string& configText);
    // The message (Windows-1251) over the layout for the message time.
    void ShowMessage(const std::string& text);
    // Off: black, the views and their engines gone. On: the wanted layout is built again.
    void SetScreenOn(bool on);
    bool ScreenOn() const { return screenOn_; }

    TDisplayView* ShownView() const;
    TDisplayView* PendingView() const;
    QLabel* Banner() const { return banner_; }
    QLabel* Standby() const { return standby_; }
    QWidget* Dark() const { return dark_; }
    double Scale() const;
    // What the wanted layout takes of the media cache.
    const TLayoutMedia& Media() const { return media_; }

signals:
    // The shown layout changed (tests wait for it).
    void LayoutShown();
    // The window stands on the screen for the first time, painted (the standby line or a
    // layout): the display's first screen is up.
    void FirstScreenShown();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Reads what the wanted layout waits for, asks the cache, and builds the layout, or gives its
    // view the rotations' new items, once it is settled.
    void Proceed();
    void StartReads(bool again);
    void Build(TLayoutContent content);
    void Resolved(quint64 token, const QStringList& usable);
    void Arrived(const QString& name);
    void SwapIn(TDisplayView* view);
    void PlaceOverlays();
    void WatchForFirstExpose();

    const TDisplayOptions options_;
    std::unique_ptr<TScreenCover> cover_;
    QPointer<TDisplayView> shown_;
    QPointer<TDisplayView> pending_;
    QLabel* standby_ = nullptr;
    QLabel* banner_ = nullptr;
    QWidget* dark_ = nullptr; // over everything while the screen is off
    bool screenOn_ = true;
    std::optional<std::string> heldMessage_; // arrived while the screen was off
    QTimer bannerTimer_;
    QTimer swapTimer_;
    TMediaCache* cache_ = nullptr;
    TLayoutMedia media_;
    bool built_ = false; // the wanted layout has its view
    TRotationReads reads_;
    QTimer readAgainTimer_;
};
