#include "layouts/ui/DisplaySetupForm.h"

#include "layouts/LayoutStore.h"
#include "layouts/Rotation.h"
#include "layoutview/DisplayTextBox.h"
#include "layoutview/ExPanel.h"
#include "layoutview/PanelColor.h"
#include "layoutview/PictureBox.h"
#include "layoutview/VideoPlayer.h"
#include "widgets/ErrorBox.h"
#include "widgets/ShownText.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <utility>

namespace {

// The window's size as the operator first sees it, and in Edit mode once shown.
constexpr QSize PlaySize(816, 638);
constexpr QSize EditSize(800, 660);
constexpr int ButtonBarHeight = 60;
// How long a window manager's frame is looked for after showing: 50 times 100 ms.
constexpr int FrameWatchInterval = 100;
constexpr int FrameWatchTicks = 50;

std::function<void()>& QuitRequestHandler() {
    static std::function<void()> handler;
    return handler;
}

[[noreturn]] void ThrowUnstorableName(const QString& fileName) {
    throw std::runtime_error(
        QStringLiteral("The file name \"%1\" holds characters that a layout cannot store")
            .arg(fileName)
            .toStdString());
}

// The window's elements as the layout store reads and writes them.
class TFormElements : public TLayoutElements {
public:
    explicit TFormElements(TfmDisplaySetup& form) : form_(form) {}

    int ImageCount() const override { return static_cast<int>(form_.Images.size()); }
    std::string ImageFileName(int n) const override {
        return form_.ImageFileNames.at(static_cast<size_t>(n));
    }
    void SetImageFileName(int n, const std::string& fileName) override {
        form_.ImageFileNames.at(static_cast<size_t>(n)) = fileName;
    }
    void LoadImage(int n, const std::string& fileName) override {
        form_.ShowPicture(*form_.Images.at(static_cast<size_t>(n)), fileName);
    }

    int TextBoxCount() const override { return static_cast<int>(form_.TextBoxes.size()); }
    std::string Text(int n) const override {
        return form_.TextBoxes.at(static_cast<size_t>(n))->Text();
    }
    void SetText(int n, const std::string& text) override {
        form_.TextBoxes.at(static_cast<size_t>(n))->SetText(text);
    }

    int MediaPlayerCount() const override { return static_cast<int>(form_.MediaPlayers.size()); }
    std::string MediaFileName(int n) const override {
        return form_.MediaPlayers.at(static_cast<size_t>(n))->FileName();
    }
    void SetMediaFileName(int n, const std::string& fileName) override {
        form_.MediaPlayers.at(static_cast<size_t>(n))->SetFileName(fileName);
    }

private:
    TfmDisplaySetup& form_;
};

} // namespace

TfmDisplaySetup::TfmDisplaySetup(QWidget* owner) : QDialog(owner) {
    QFont font = this->font();
    font.setPointSize(8);
    setFont(font);
    setWindowTitle(QStringLiteral("Дисплей № %1").arg(CurrentDisplayType));
    SetOuterSize(PlaySize.width(), PlaySize.height());
    CenterOnDesktop();

    Panel1 = new TExPanel(this);
    Panel1->SetBevelOuter(TExPanel::TBevel::Raised);
    Button1 = new QPushButton(QStringLiteral("Save"), Panel1);
    Button1->setGeometry(328, 12, 75, 25);
    Button2 = new QPushButton(QStringLiteral("Close"), Panel1);
    Button2->setGeometry(408, 12, 75, 25);
    // Enter in a text box must not save or close the window behind the operator's back.
    for (QPushButton* button : {Button1, Button2}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    pmVideo = new QMenu(this);
    N1 = pmVideo->addAction(QStringLiteral("Выбрать файл видео"));
    pmPicture = new QMenu(this);
    N2 = pmPicture->addAction(QStringLiteral("Выбрать изображение"));
    OD = TOpenDialog(this);
    ODPic = TOpenDialog(this);

    Action1 = new QAction(QStringLiteral("exit"), this);
    Action1->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_E));
    Action1->setShortcutContext(Qt::WindowShortcut);
    addAction(Action1);
    acClose = new QAction(QStringLiteral("close"), this);
    addAction(acClose);

    connect(Button1, &QPushButton::clicked, this,
            ErrorBox::Guarded(this, &TfmDisplaySetup::btSaveClick, this));
    connect(Button2, &QPushButton::clicked, acClose, &QAction::trigger);
    connect(N1, &QAction::triggered, this,
            ErrorBox::Guarded(this, &TfmDisplaySetup::N1Click, this));
    connect(N2, &QAction::triggered, this,
            ErrorBox::Guarded(this, &TfmDisplaySetup::N2Click, this));
    connect(Action1, &QAction::triggered, this, &TfmDisplaySetup::Action1Execute);
    connect(acClose, &QAction::triggered, this, &TfmDisplaySetup::acCloseExecute);
}

TfmDisplaySetup::~TfmDisplaySetup() {
    FreeLayout();
}

void TfmDisplaySetup::SetQuitRequestHandler(std::function<void()> handler) {
    QuitRequestHandler() = std::move(handler);
}

void TfmDisplaySetup::AddImage(TPictureBox& box) {
    ImageFileNames.emplace_back();
    box.SetTag(static_cast<int>(ImageFileNames.size()) - 1);
    box.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&box, &QWidget::customContextMenuRequested, this, [this, &box](const QPoint& pos) {
        popupPictureBox_ = &box;
        pmPicture->popup(box.mapToGlobal(pos));
    });
}

void TfmDisplaySetup::AddMediaPlayer(TExPanel& panel) {
    auto* player = new TVideoPlayer(this);
    player->OnNotify = [this](TVideoPlayer& p) { MediaPlayerNotify(p); };
    MediaPlayers.push_back(player);
    // The size comes once the video is decoded, after the window was shown.
    connect(player, &TVideoPlayer::NaturalSizeKnown, this,
            [this, player, &panel] { FitVideo(*player, panel); });
    panel.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&panel, &QWidget::customContextMenuRequested, this,
            [this, &panel](const QPoint& pos) { pmVideo->popup(panel.mapToGlobal(pos)); });
}

void TfmDisplaySetup::BuildLayout() {
    scene_.Build(CurrentDisplayType,
                 Mode == TMode::Edit ? TDisplayTextBox::EditKind : TDisplayTextBox::StaticKind);
    for (TExPanel* panel : Panels)
        panel->OnPaint = [this](TExPanel& p) { PaintCross(p); };
    for (TPictureBox* box : Images)
        AddImage(*box);
    TExPanel* main = scene_.Main();
    if (scene_.Plan().Main == LayoutGeometry::TMainContent::Video)
        AddMediaPlayer(*main);
    if (Mode == TMode::Edit && (!Images.empty() || !MediaPlayers.empty()))
        main->SetBevelOuter(TExPanel::TBevel::Raised);
    ArrangeLayout();
}

void TfmDisplaySetup::LoadLayout() {
    TFormElements elements(*this);
    if (!::LoadLayout(elements, LayoutClientName, CurrentDisplayType).DataFolderUnusable)
        return;
    // Said once a run: the folder's name does not change while the program runs.
    static bool told = false;
    if (!std::exchange(told, true))
        ErrorBox::Show(QString::fromStdString(LayoutStore::UnusableDataFolderMessage()));
}

void TfmDisplaySetup::SaveLayout() {
    TFormElements elements(*this);
    ::SaveLayout(elements, LayoutClientName, CurrentDisplayType);
}

void TfmDisplaySetup::ArrangeLayout() {
    // The button bar docks at the bottom while it shows (Edit mode), under the layout.
    const int bar = Panel1->isVisibleTo(this) ? ButtonBarHeight : 0;
    const auto& arrangement = scene_.Arrange(width(), height(), 1.0, bar);
    if (bar > 0)
        Panel1->setGeometry(TLayoutScene::ToQRect(arrangement.Bar));
    if (!MediaPlayers.empty())
        FitVideo(*MediaPlayers.front(), *scene_.Main());
    rotation_.Refit();
    if (!Images.empty() && Mode == TMode::Edit)
        scene_.Main()->SetCaption(ShownText::FromBytes(ImageFileNames.front()));
}

void TfmDisplaySetup::FitVideo(TVideoPlayer& player, TExPanel& panel) {
    player.ShowAtNaturalSize(QPoint(1, 1));
    const QRect natural = player.DisplayRect();
    if (const auto fitted = LayoutGeometry::FitVideo(panel.width(), panel.height(), natural.width(),
                                                     natural.height()))
        player.SetDisplayRect(TLayoutScene::ToQRect(*fitted));
    player.SetDisplay(&panel);
    if (Mode == TMode::Edit) {
        panel.SetBevelOuter(TExPanel::TBevel::Raised);
        panel.SetCaption(ShownText::FromBytes(player.FileName()));
    }
}

void TfmDisplaySetup::PaintCross(TExPanel& panel) {
    if (Mode != TMode::Edit || panel.findChild<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly))
        return;
    QPainter painter(&panel);
    painter.setPen(QPen(Qt::black, 1));
    const int right = panel.width() - 1;
    const int bottom = panel.height() - 1;
    painter.drawLine(0, 0, right, bottom);
    painter.drawLine(right, 0, 0, bottom);
}

void TfmDisplaySetup::StartPlayers() {
    for (TVideoPlayer* player : MediaPlayers) {
        if (TLayoutRotation::MayName(player->FileName()))
            rotation_.Play(player->FileName(), [this, player] { StartPlayer(*player); });
        else
            StartPlayer(*player);
    }
}

void TfmDisplaySetup::StartPlayer(TVideoPlayer& player) {
    try {
        player.Open();
        // Silent before the first sound could come out, not just after.
        player.SetVolume(0);
        player.Play();
    } catch (const std::exception&) {
        // A video that cannot be shown leaves its panel empty; the others still start.
    }
}

void TfmDisplaySetup::ShowPicture(TPictureBox& box, const std::string& fileName) {
    if (TLayoutRotation::MayName(fileName))
        ShowRotationAsPicture(box, fileName);
    else
        box.LoadFromFile(ShownText::FromBytes(fileName));
}

void TfmDisplaySetup::ShowRotationAsPicture(TPictureBox& box, const std::string& fileName) {
    const auto oneFile = [box = QPointer(&box), fileName] {
        try {
            if (box)
                box->LoadFromFile(ShownText::FromBytes(fileName));
        } catch (const std::exception&) {
            // As a layout's picture that cannot be shown: the box stays empty.
        }
    };
    if (Mode == TMode::Play)
        rotation_.Play(fileName, oneFile);
    else
        rotation_.ShowFirst(fileName, box, oneFile);
}

void TfmDisplaySetup::MediaPlayerNotify(TVideoPlayer& player) {
    const TVideoPlayer::TMode mode = player.Mode();
    if (player.Error() != TVideoPlayer::NoError)
        return;
    if (mode != TVideoPlayer::TMode::Stopped && mode != TVideoPlayer::TMode::Open)
        return;
    player.SetNotify(true);
    player.SetWait(false);
    try {
        player.Play();
    } catch (const std::exception&) {
        // The video ends where it stands; the window stays usable.
    }
}

void TfmDisplaySetup::N1Click() {
    if (!OD.Execute() || MediaPlayers.empty())
        return;
    const std::optional<std::string> fileName = ShownText::ToBytes(OD.FileName());
    if (!fileName)
        ThrowUnstorableName(OD.FileName());
    MediaPlayers.front()->SetFileName(*fileName);
    ArrangeLayout();
}

void TfmDisplaySetup::N2Click() {
    TPictureBox* box = popupPictureBox_;
    if (box == nullptr || !ODPic.Execute())
        return;
    const std::optional<std::string> fileName = ShownText::ToBytes(ODPic.FileName());
    if (!fileName)
        ThrowUnstorableName(ODPic.FileName());
    // The dialog names files only: a rotation it names is a playlist.
    if (Rotation::NamedBy(*fileName, false) == TRotationKind::Playlist) {
        ShowRotationAsPicture(*box, *fileName);
    } else {
        box->LoadFromFile(ODPic.FileName());
        rotation_.Stop(); // the picture shows in the rotation's place
    }
    ImageFileNames.at(static_cast<size_t>(box->Tag())) = *fileName;
    ArrangeLayout();
}

void TfmDisplaySetup::btSaveClick() {
    SaveLayout();
}

void TfmDisplaySetup::Action1Execute() {
    if (QuitRequestHandler()) {
        QuitRequestHandler()();
    } else {
        // Queued, so the program ends from its main loop after this window has gone.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
    }
    reject();
}

void TfmDisplaySetup::acCloseExecute() {
    close();
}

void TfmDisplaySetup::FreeLayout() {
    rotation_.Stop(); // before the box it plays in goes with the scene
    for (TVideoPlayer* player : MediaPlayers) {
        if (player->Mode() == TVideoPlayer::TMode::Playing)
            player->Stop();
        player->Close();
        delete player;
    }
    MediaPlayers.clear();
    ImageFileNames.clear();
    popupPictureBox_ = nullptr;
    scene_.Clear();
}

void TfmDisplaySetup::SetOuterSize(int width, int height) {
    outerSize_ = QSize(width, height);
    fittedFrame_ = frameGeometry().size() - geometry().size();
    resize(outerSize_ - fittedFrame_);
}

void TfmDisplaySetup::FitFrame() {
    // A window manager frames the window only after it is shown: until then the whole outer
    // size went to the client area. The frame comes with the move into it, or a little later as
    // a property of the window that no event reports (and half-known frames happen on the way),
    // so for a short while after showing, the outer size and the centring are applied again
    // whenever the frame differs from the one they were applied with.
    if (frameWatch_ == nullptr || !isVisible())
        return;
    if (frameGeometry().size() - geometry().size() == fittedFrame_)
        return;
    SetOuterSize(outerSize_.width(), outerSize_.height());
    CenterOnDesktop();
}

void TfmDisplaySetup::CenterOnDesktop() {
    const QScreen* screen = this->screen();
    if (screen == nullptr)
        return;
    const QRect desktop = screen->availableGeometry();
    const QSize outer = frameGeometry().size();
    move(desktop.left() + (desktop.width() - outer.width()) / 2,
         desktop.top() + (desktop.height() - outer.height()) / 2);
}

void TfmDisplaySetup::FormShow() {
    Panel1->SetColor(PanelColor);
    if (Mode == TMode::Play) {
        StartPlayers();
        Panel1->hide();
        ArrangeLayout();
    } else {
        SetOuterSize(EditSize.width(), EditSize.height());
        CenterOnDesktop();
        Panel1->show();
        ArrangeLayout();
    }
}

void TfmDisplaySetup::setVisible(bool visible) {
    // The mode's outer size and place are taken before the window system makes the window, as
    // showing will ask for them: a window placed between its making and its appearing may be
    // framed without Qt hearing of the frame.
    if (visible && !shown_) {
        SetOuterSize(Mode == TMode::Edit ? EditSize.width() : PlaySize.width(),
                     Mode == TMode::Edit ? EditSize.height() : PlaySize.height());
        CenterOnDesktop();
    }
    QDialog::setVisible(visible);
}

void TfmDisplaySetup::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!shown_ && !event->spontaneous()) {
        shown_ = true;
        FormShow();
        frameWatch_ = new QTimer(this);
        frameWatch_->setInterval(FrameWatchInterval);
        connect(frameWatch_, &QTimer::timeout, this, [this, left = FrameWatchTicks]() mutable {
            FitFrame();
            if (--left == 0) {
                frameWatch_->deleteLater();
                frameWatch_ = nullptr;
            }
        });
        frameWatch_->start();
        // Where the frame is known from the start (the offscreen platform), it is fitted now.
        FitFrame();
    }
}

void TfmDisplaySetup::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    FitFrame();
}

void TfmDisplaySetup::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    ArrangeLayout();
}

void TfmDisplaySetup::keyPressEvent(QKeyEvent* event) {
    // Escape would close the window and drop unsaved texts; it is not one of its commands.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

namespace {

void OpenLayoutWindow(TfmDisplaySetup::TMode mode, QWidget* owner, const std::string& clientName) {
    const std::unique_ptr<TfmDisplaySetup> form = std::make_unique<TfmDisplaySetup>(owner);
    form->Mode = mode;
    form->LayoutClientName = clientName;
    form->BuildLayout();
    form->LoadLayout();
    form->exec();
}

} // namespace

void EditDisplayLayout(const std::string& clientName) {
    OpenLayoutWindow(TfmDisplaySetup::TMode::Edit, QApplication::activeWindow(), clientName);
}

void PlayDisplayLayout(const std::string& clientName) {
    OpenLayoutWindow(TfmDisplaySetup::TMode::Play, nullptr, clientName);
}
