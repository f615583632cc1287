#include "display/ui/DisplayWindow.h"

#include "display/LayoutContent.h"
#include "display/ui/DisplayView.h"
#include "display/ui/ScreenCover.h"
#include "layoutview/PanelColor.h"
#include "mediacache/fetch/MediaCache.h"
#include "widgets/ShownText.h"

#include <QGuiApplication>
#include <QLabel>
#include <QShortcut>
#include <QWindow>

namespace {

QLabel* Overlay(QWidget* parent, const QColor& background) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(palette);
    return label;
}

} // namespace

TDisplayWindow::TDisplayWindow(const TDisplayOptions& options, QWidget* parent)
    : QWidget(parent), options_(options), media_({}, options.Maps) {
    setWindowTitle(QStringLiteral("Velmora display"));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, PanelColor);
    setPalette(palette);
    setCursor(Qt::BlankCursor);

    standby_ = Overlay(this, PanelColor);
    banner_ = Overlay(this, QColor(0, 0, 0, 200));
    banner_->hide();
    dark_ = Overlay(this, Qt::black);
    dark_->hide();
    bannerTimer_.setSingleShot(true);
    connect(&bannerTimer_, &QTimer::timeout, banner_, &QWidget::hide);
    swapTimer_.setSingleShot(true);
    connect(&swapTimer_, &QTimer::timeout, this, [this] {
        if (pending_)
            SwapIn(pending_);
    });

    connect(&readAgainTimer_, &QTimer::timeout, this, [this] { StartReads(true); });
    readAgainTimer_.start(RotationReadAgain);

    auto* quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_E), this);
    quit->setContext(Qt::ApplicationShortcut);
    connect(quit, &QShortcut::activated, this, &QWidget::close);
}

TDisplayWindow::~TDisplayWindow() = default;

TDisplayView* TDisplayWindow::ShownView() const {
    return shown_;
}

TDisplayView* TDisplayWindow::PendingView() const {
    return pending_;
}

double TDisplayWindow::Scale() const {
    return DisplayArrangement::ScaleFor(contentsRect().height(), options_.Scale);
}

void TDisplayWindow::Present() {
    if (options_.WindowedWidth > 0) {
        resize(options_.WindowedWidth, options_.WindowedHeight);
        show();
    } else {
        cover_ = std::make_unique<TScreenCover>(*this, options_.Screen);
        cover_->Show();
    }
    WatchForFirstExpose();
}

// The window's first expose paints it and hands it to the screen before the event returns, so
// the signal follows it through the event loop (with an opaque child over all of the window, its
// own paintEvent may never come).
void TDisplayWindow::WatchForFirstExpose() {
    if (windowHandle()->isExposed())
        QMetaObject::invokeMethod(this, &TDisplayWindow::FirstScreenShown, Qt::QueuedConnection);
    else
        windowHandle()->installEventFilter(this);
}

bool TDisplayWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == windowHandle() && event->type() == QEvent::Expose &&
        windowHandle()->isExposed()) {
        windowHandle()->removeEventFilter(this);
        QMetaObject::invokeMethod(this, &TDisplayWindow::FirstScreenShown, Qt::QueuedConnection);
    }
    return QWidget::eventFilter(watched, event);
}

void TDisplayWindow::ShowStandby(const QString& text) {
    standby_->setText(text);
    standby_->setVisible(!shown_);
    PlaceOverlays();
}

void TDisplayWindow::SetMediaCache(TMediaCache* cache) {
    cache_ = cache;
    media_ = TLayoutMedia(cache_->Folder(), options_.Maps);
    connect(cache_, &TMediaCache::Resolved, this, &TDisplayWindow::Resolved);
    connect(cache_, &TMediaCache::Arrived, this, &TDisplayWindow::Arrived);
    connect(cache_, &TMediaCache::Uncached, this, [this](const QString& name) {
        if (media_.Uncached(name.toStdString()))
            Build(media_.Content());
        else
            Proceed();
    });
}

void TDisplayWindow::ShowLayout(int displayType, const std::string& configText) {
    TWantedLayout layout = LayoutOf(displayType, TLayoutConfig::Parse(configText), options_.Maps);
    for (const std::string& problem : layout.Problems)
        TDisplayView::Report(problem);
    media_.Want(std::move(layout));
    built_ = false;
    Proceed();
}

void TDisplayWindow::Proceed() {
    StartReads(false);
    // The cache answers without a look at any source. Asked while the screen is off too, so that
    // a layout sent at night has its copies when the screen comes on.
    if (cache_ != nullptr && media_.MustAsk())
        media_.Asked(cache_->Want(media_.Sources()));
    if (!screenOn_)
        return; // what is wanted is built when the screen comes on
    if (!media_.Settled()) {
        if (!built_)
            delete pending_; // an older layout's: the shown one stays until this one is built
        return;
    }
    TLayoutContent content = media_.Content();
    TDisplayView* view = pending_ ? pending_.data() : shown_.data();
    if (built_ && view != nullptr) {
        // A rotation read again: its items skipped are tried again, even when none changed.
        if (view->Takes(content))
            view->Take(std::move(content));
        else if (view->Content() != content)
            Build(std::move(content));
        return;
    }
    built_ = true;
    Build(std::move(content));
}

void TDisplayWindow::StartReads(bool again) {
    for (auto& [box, read] : media_.Reads(again)) {
        reads_.Start(std::move(read), [this, box = box, generation = media_.Generation()](
                                          TRotationReadResult result) {
            for (const std::string& line : media_.ReadDone(generation, box, std::move(result)))
                TDisplayView::Report(line);
            Proceed();
        });
    }
}

void TDisplayWindow::Resolved(quint64 token, const QStringList& usable) {
    std::vector<std::string> names;
    for (const QString& name : usable)
        names.push_back(name.toStdString());
    if (media_.Resolved(token, names))
        Proceed();
}

void TDisplayWindow::Arrived(const QString& name) {
    if (media_.Arrived(name.toStdString()))
        Build(media_.Content());
    else
        Proceed();
}

void TDisplayWindow::Build(TLayoutContent content) {
    if (!screenOn_) {
        built_ = false;
        return;
    }
    delete pending_;
    // A refresh that names the shown rotation keeps its place in it.
    if (shown_ && shown_->Takes(content)) {
        shown_->Take(std::move(content));
        emit LayoutShown();
        return;
    }
    auto* view = new TDisplayView(std::move(content), options_.Scale, this);
    view->SetPictureTime(std::chrono::seconds(options_.PictureSeconds));
    // Built at full size but hidden: nothing of it reaches the screen before the swap.
    view->hide();
    view->setGeometry(contentsRect());
    pending_ = view;
    connect(view, &TDisplayView::Ready, this, [this, view] {
        if (pending_ == view)
            SwapIn(view);
    });
    swapTimer_.start(LongestSwapMs);
    view->Prepare();
}

void TDisplayWindow::SwapIn(TDisplayView* view) {
    swapTimer_.stop();
    pending_ = nullptr;
    view->show();
    view->raise();
    delete shown_;
    shown_ = view;
    standby_->hide();
    dark_->hide();
    banner_->raise();
    emit LayoutShown();
}

void TDisplayWindow::ShowMessage(const std::string& text) {
    if (!screenOn_) {
        heldMessage_ = text;
        return;
    }
    banner_->setText(ShownText::FromBytes(text));
    QFont font = banner_->font();
    font.setPointSize(LayoutArrangement::Scaled(18, Scale()));
    banner_->setFont(font);
    PlaceOverlays();
    banner_->show();
    banner_->raise();
    bannerTimer_.start(options_.MessageSeconds * 1000);
}

void TDisplayWindow::SetScreenOn(bool on) {
    if (on == screenOn_)
        return;
    screenOn_ = on;
    if (!on) {
        dark_->setGeometry(rect());
        dark_->show();
        dark_->raise();
        readAgainTimer_.stop();
        swapTimer_.stop();
        bannerTimer_.stop();
        banner_->hide();
        delete pending_;
        delete shown_;
        built_ = false;
        return;
    }
    readAgainTimer_.start(RotationReadAgain);
    standby_->show();
    // Black until the layout is swapped in, so that the standby line does not flash before it;
    // at most as long as a swap waits.
    QTimer::singleShot(LongestSwapMs, dark_, [this] {
        if (screenOn_)
            dark_->hide();
    });
    if (heldMessage_)
        ShowMessage(*std::exchange(heldMessage_, std::nullopt));
    StartReads(true);
    Proceed();
}

void TDisplayWindow::PlaceOverlays() {
    const QRect shown = contentsRect();
    standby_->setGeometry(shown);
    dark_->setGeometry(rect()); // the pixel past the screen's edges too
    const int height =
        std::max(banner_->heightForWidth(shown.width()), banner_->sizeHint().height()) +
        LayoutArrangement::Scaled(24, Scale());
    banner_->setGeometry(shown.left(), shown.bottom() + 1 - height, shown.width(), height);
}

void TDisplayWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    for (TDisplayView* view : {shown_.data(), pending_.data()}) {
        if (view != nullptr)
            view->setGeometry(contentsRect());
    }
    PlaceOverlays();
}
