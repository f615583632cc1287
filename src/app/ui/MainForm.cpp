#include "MainForm.h"

#include "app/HelpFiles.h"
#include "app/MainWindowPlace.h"
#include "app/WebLinks.h"
#include "console/ui/Help.h"
#include "layouts/LayoutStore.h"
#include "layouts/ui/DisplaySetupForm.h"
#include "platform/Product.h"
#include "platform/ProgramPaths.h"
#include "platform/ScopeGuard.h"
#include "platform/SettingsTable.h"
#include "server/DisplayServer.h"
#include "server/ui/ServerControls.h"
#include "startup/ui/Logo.h"
#include "widgets/DevicePixels.h"
#include "widgets/ErrorBox.h"
#include "widgets/GradientPanel.h"
#include "widgets/HoverRule.h"
#include "widgets/PictureButton.h"
#include "widgets/PictureView.h"
#include "widgets/ShapeHint.h"
#include "widgets/ShownText.h"
#include "widgets/SkinStyle.h"
#include "widgets/SkinZones.h"
#include "widgets/TrayIcon.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <cstdio>

namespace {

constexpr int WorkInterval = 100;
constexpr int MaxLogBlocks = 10000;

struct THoverPictures {
    int under, normal;
};

TGradientLabel* MakeLabel(QWidget& window, const char* name, const QFont& font, QRgb colour,
                          int left, int top) {
    auto* label = new TGradientLabel(&window);
    label->setObjectName(name);
    label->setFont(font);
    label->SetTextColor(QColor(colour));
    label->move(left, top);
    return label;
}

void ShowPicture(TPictureButton& button, const TDrawnPicture& picture) {
    if (button.Picture() != picture)
        button.SetPicture(picture);
}

} // namespace

TfmMain::TfmMain()
    : QWidget(nullptr, Qt::FramelessWindowHint), buttonPictures_(TPictureList::ButtonPictures()),
      displayPictures_(TPictureList::DisplayPictures()), background_(Skin::DrawnBackground()) {
    setObjectName("fmMain");
    setWindowTitle(Product::Name);
    setWindowIcon(Skin::DesktopIcon());
    setFixedSize(Skin::BackgroundSize);
    setMask(Skin::WindowOutline());

    hints_ = new TShapeHint(this);
    const TDisplayServer::TLogSink addLog = [this](std::string line) {
        log_.AddLog(std::move(line));
    };
    server_ = TDisplayServer::TOwner(new TDisplayServer(ProgramPaths::IniPath(), addLog));
    controls_ = new TServerControls(*server_, addLog, *this, buttonPictures_, displayPictures_);
    connect(controls_, &TServerControls::ServerStateChanged, this, &TfmMain::ShowServerState);
    controls_->SetCurrentDisplayType = [](int displayType) { CurrentDisplayType = displayType; };
    controls_->EditDisplayLayout = &::EditDisplayLayout;
    controls_->PlayDisplayLayout = &::PlayDisplayLayout;
    // Ctrl+Alt+E in the layout window ends the program as the close button does, once the
    // layout window's modal run is over.
    TfmDisplaySetup::SetQuitRequestHandler(
        [this] { QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection); });
    CreateShell();
    CreateTray();

    Timer_Work = new QTimer(this);
    Timer_Work->setObjectName("Timer_Work");
    Timer_Work->setInterval(WorkInterval);
    connect(Timer_Work, &QTimer::timeout, this, &TfmMain::Timer_WorkTimer);
    Timer_Work->start();

    FormCreate();
}

TfmMain::~TfmMain() {
    TfmDisplaySetup::SetQuitRequestHandler({});
    FormDestroy();
}

void TfmMain::Attach(TfmHelp& help, TfmLogo& logo) {
    help_ = &help;
    logo_ = &logo;
    connect(logo_, &TfmLogo::SplashDone, this, [this] { SplashDone = true; });
}

int TfmMain::LanguageIndex() const {
    return logo_ != nullptr ? logo_->LanguageIndex : 0;
}

void TfmMain::CreateShell() {
    const QFont labelFont = Skin::PixelFont(11, false, true);
    Label_Title_Name_Shadow = MakeLabel(*this, "Label_Title_Name_Shadow", Skin::PixelFont(27),
                                        Skin::TitleShadowColor, 9, 3);
    Label_Title_Name =
        MakeLabel(*this, "Label_Title_Name", Skin::PixelFont(27), Skin::TitleNameColor, 8, 2);
    Label_Title_Name_Shadow->SetText(Product::Name);
    Label_Title_Name->SetText(Product::Name);

    Sb_Help = TPictureButton::Create(*this, "Sb_Help",
                                     buttonPictures_.Picture(Skin::Btn::HelpNormal), {702, 5});
    Sb_Internet = TPictureButton::Create(
        *this, "Sb_Internet", buttonPictures_.Picture(Skin::Btn::InternetNormal), {726, 5});
    Sb_Min = TPictureButton::Create(*this, "Sb_Min", buttonPictures_.Picture(Skin::Btn::MinNormal),
                                    {750, 5});
    Sb_Close = TPictureButton::Create(*this, "Sb_Close",
                                      buttonPictures_.Picture(Skin::Btn::CloseNormal), {774, 5});

    auto* frame = new TGradientPanel(this);
    frame->setObjectName("Panel_Indicator_Start");
    frame->SetColors(QColor(0x0B, 0x26, 0x4D), QColor(0x2A, 0x5C, 0x9E));
    frame->SetBorder(QColor(0x08, 0x1C, 0x3A));
    Panel_Indicator_Start = frame;
    Indicator_Start = new QWidget(Panel_Indicator_Start);
    Indicator_Start->setObjectName("Indicator_Start");
    Indicator_Start->setAutoFillBackground(true);

    Lbl_Title_1 =
        MakeLabel(*this, "Lbl_Title_1", Skin::PixelFont(19, true), Skin::ServerTitleColor, 15, 60);
    Lbl_Title_2 = MakeLabel(*this, "Lbl_Title_2", Skin::PixelFont(19, true),
                            Skin::SettingsTitleColor, 22, 420);

    Lbl_Lang = MakeLabel(*this, "Lbl_Lang", labelFont, Skin::LabelColor, 42, 474);
    Sb_Lang_Up = TPictureButton::Create(
        *this, "Sb_Lang_Up", buttonPictures_.Picture(Skin::Btn::LangLeftNormal), {30, 490});
    Img_Lang_Fon = TPictureView::Create(*this, "Img_Lang_Fon",
                                        buttonPictures_.Picture(Skin::Btn::LangField), {47, 490});
    Edit_Lang = new QLineEdit(this);
    Edit_Lang->setObjectName("Edit_Lang");
    Skin::StyleEdit(*Edit_Lang);
    Edit_Lang->setReadOnly(true);
    Edit_Lang->setCursor(Qt::ForbiddenCursor);
    Edit_Lang->setAlignment(Qt::AlignCenter);
    Edit_Lang->setFocusPolicy(Qt::NoFocus);
    Skin::Place(*Edit_Lang, 52, 494, 53, 14);
    Sb_Lang_Down = TPictureButton::Create(
        *this, "Sb_Lang_Down", buttonPictures_.Picture(Skin::Btn::LangRightNormal), {110, 490});

    const TDrawnPicture& off = buttonPictures_.Picture(Skin::Btn::CheckOff);
    Cb_MinFormShow = TPictureButton::Create(*this, "Cb_MinFormShow", off, {250, 470});
    Lbl_MinFormShow = MakeLabel(*this, "Lbl_MinFormShow", labelFont, Skin::LabelColor, 276, 474);
    Cb_AutoRun = TPictureButton::Create(*this, "Cb_AutoRun", off, {250, 500});
    Lbl_AutoRun = MakeLabel(*this, "Lbl_AutoRun", labelFont, Skin::LabelColor, 276, 504);
    Cb_HintShow = TPictureButton::Create(*this, "Cb_HintShow", off, {422, 470});
    Lbl_HintShow = MakeLabel(*this, "Lbl_HintShow", labelFont, Skin::LabelColor, 448, 474);
    // The log-file option has no effect; its controls stay out of the operator's reach.
    Cb_LogOK = TPictureButton::Create(*this, "Cb_LogOK", off, {422, 500});
    Lbl_LogOK = MakeLabel(*this, "Lbl_LogOK", labelFont, Skin::LabelColor, 448, 504);
    Cb_LogOK->hide();
    Lbl_LogOK->hide();

    // The activity log lies below the visible outline; it is the sink of the server's lines.
    meLog = new QPlainTextEdit(this);
    meLog->setObjectName("meLog");
    meLog->setReadOnly(true);
    meLog->setMaximumBlockCount(MaxLogBlocks);
    meLog->setPlainText("meLog");
    Skin::Place(*meLog, 226, 694, 138, 63);

    const auto guarded = [this](void (TfmMain::*handler)()) {
        return ErrorBox::Guarded(this, handler, this);
    };
    connect(Sb_Help, &TPictureButton::clicked, this, guarded(&TfmMain::Sb_HelpClick));
    connect(Sb_Internet, &TPictureButton::clicked, this, guarded(&TfmMain::Sb_InternetClick));
    connect(Sb_Min, &TPictureButton::clicked, this, guarded(&TfmMain::Sb_MinClick));
    connect(Sb_Close, &TPictureButton::clicked, this, guarded(&TfmMain::Sb_CloseClick));
    connect(Sb_Lang_Up, &TPictureButton::clicked, this, guarded(&TfmMain::Sb_Lang_UpClick));
    connect(Sb_Lang_Down, &TPictureButton::clicked, this, guarded(&TfmMain::Sb_Lang_DownClick));
    connect(Cb_HintShow, &TPictureButton::clicked, this, guarded(&TfmMain::Cb_HintShowClick));
    connect(Lbl_HintShow, &TGradientLabel::clicked, this, guarded(&TfmMain::Cb_HintShowClick));
    connect(Cb_AutoRun, &TPictureButton::clicked, this, guarded(&TfmMain::Cb_AutoRunClick));
    connect(Lbl_AutoRun, &TGradientLabel::clicked, this, guarded(&TfmMain::Cb_AutoRunClick));
    connect(Cb_MinFormShow, &TPictureButton::clicked, this, guarded(&TfmMain::Cb_MinFormShowClick));
    connect(Lbl_MinFormShow, &TGradientLabel::clicked, this,
            guarded(&TfmMain::Cb_MinFormShowClick));
    connect(Cb_LogOK, &TPictureButton::clicked, this, guarded(&TfmMain::Cb_LogOKClick));
    connect(Lbl_LogOK, &TGradientLabel::clicked, this, guarded(&TfmMain::Cb_LogOKClick));
}

void TfmMain::CreateTray() {
    trayIcon_ = new TTrayIcon(this);
    QAction** items[] = {&TrayMenu_1, &TrayMenu_2, &TrayMenu_3, &TrayMenu_4, &TrayMenu_5};
    void (TfmMain::*handlers[])() = {&TfmMain::TrayMenu_1Click, &TfmMain::TrayMenu_2Click,
                                     &TfmMain::TrayMenu_3Click, &TfmMain::TrayMenu_4Click,
                                     &TfmMain::TrayMenu_5Click};
    for (int i = 0; i < 5; ++i) {
        // Children of the window, so the language table finds them by name.
        auto* action = new QAction(this);
        action->setObjectName(QStringLiteral("TrayMenu_%1").arg(i + 1));
        trayIcon_->Menu()->addAction(action);
        connect(action, &QAction::triggered, this, ErrorBox::Guarded(this, handlers[i], this));
        *items[i] = action;
    }
    // A double click on an XEmbed tray, a D-Bus host's activation, or a notification area that
    // went away with the icon in it.
    connect(trayIcon_, &TTrayIcon::restoreRequested, this,
            ErrorBox::Guarded(this, &TfmMain::TrayIconDblClick, this));
}

void TfmMain::FormCreate() {
    SplashDone = false;
    FirstActivationPending = true;
    Options = Settings::ReadOptions();
    hints_->SetHintsEnabled(Options.HintShow != 0);
    log_.Clear();
    meLog->clear();
    const TServerParams params = Settings::ReadServerParams();
    controls_->edPort->setText(QString::fromStdString(SettingsTable::PortText(params.Port)));
    controls_->cbAutoStart->setChecked(params.AutoStart);
    if (controls_->cbAutoStart->isChecked())
        ErrorBox::RunAction([this] { controls_->StartServer(); });
    ShowServerState();
}

void TfmMain::FormDestroy() {
    Timer_Work->stop();
    // Everything is written before the server's stop waits for its workers, so that a session
    // that loses patience with a slow stop and kills the program loses nothing. The .ini was
    // written when the window closed, unless the program ended without closing it.
    if (!serverParamsWritten_)
        WriteServerParams(false);
    Settings::WriteOptions(Options);
    server_->Shutdown();
}

void TfmMain::WriteServerParams(bool toOperator) {
    serverParamsWritten_ = true;
    try {
        Settings::WriteServerParams(controls_->edPort->text().toStdString(),
                                    controls_->cbAutoStart->isChecked());
    } catch (const std::exception& e) {
        if (toOperator)
            ErrorBox::Show(e, this);
        else
            std::fprintf(stderr, "velmora: %s\n", e.what());
    }
}

void TfmMain::ShowForm() {
    FormShow();
    show();
    raise();
    activateWindow();
}

void TfmMain::BringToFront() {
    // Before the first showing the window is on its way anyway.
    if (!SplashDone)
        return;
    if (trayIcon_->IsVisible()) {
        TrayIconDblClick();
        return;
    }
    if (isMinimized())
        showNormal();
    // A layout window open over the main window is what the operator works in.
    QWidget* front = QApplication::activeModalWidget();
    if (front == nullptr)
        front = this;
    front->raise();
    front->activateWindow();
}

void TfmMain::FormShow() {
    if (!SplashDone && logo_ != nullptr)
        logo_->exec();
    if (help_ != nullptr)
        help_->ApplyLanguage(LanguageIndex(), *this);
    // Centred on the virtual screen (all monitors together), 10 pixels from its top; a place the
    // operator dragged the window to is replaced at every showing.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect desktop = screen != nullptr ? screen->virtualGeometry() : QRect(0, 0, 1024, 768);
    move(desktop.left() + MainWindowPlace::Left(desktop.width(), width()),
         desktop.top() + MainWindowPlace::Top);
    PlaceShellControls();
    ShowServerState();
    hints_->SetHintsEnabled(Options.HintShow != 0);
    RedrawOptionChecks();
}

void TfmMain::PlaceShellControls() {
    Lbl_Title_1->move(15, 60);
    Lbl_Title_1->SetTextColor(QColor(Skin::ServerTitleColor));
    Lbl_Title_2->move(22, 420);
    const int left[] = {702, 726, 750, 774};
    TPictureButton* buttons[] = {Sb_Help, Sb_Internet, Sb_Min, Sb_Close};
    for (int i = 0; i < 4; ++i) {
        buttons[i]->move(left[i], 5);
        buttons[i]->show();
    }
    Label_Title_Name->move(8, 2);
    Label_Title_Name->SetTextColor(QColor(Skin::TitleNameColor));
    Label_Title_Name->raise();
    Label_Title_Name_Shadow->move(9, 3);
    Label_Title_Name_Shadow->SetTextColor(QColor(Skin::TitleShadowColor));
    Label_Title_Name_Shadow->lower();
    Skin::Place(*Panel_Indicator_Start, 750, 37, 22, 9);
    Panel_Indicator_Start->show();
    Skin::Place(*Indicator_Start, 1, 1, 20, 7);
    Indicator_Start->show();
}

void TfmMain::ShowServerState() {
    const bool listening = server_->Listening();
    QPalette palette = Indicator_Start->palette();
    palette.setColor(QPalette::Window,
                     QColor(listening ? Skin::IndicatorRunningColor : Skin::IndicatorStoppedColor));
    Indicator_Start->setPalette(palette);
    // Before the language table is first applied there is no hint to show.
    if (help_ != nullptr) {
        const TLanguageTable& table = help_->Table();
        Indicator_Start->setToolTip(
            QString::fromStdString(listening ? table.ServerStartText : table.ServerStopText));
    }
}

void TfmMain::RedrawOptionChecks() {
    const std::pair<TPictureButton*, uint8_t> checks[] = {{Cb_HintShow, Options.HintShow},
                                                          {Cb_AutoRun, Options.AutoRun},
                                                          {Cb_MinFormShow, Options.MinFormShow},
                                                          {Cb_LogOK, Options.LogOK}};
    for (const auto& [check, flag] : checks)
        check->SetPicture(
            buttonPictures_.Picture(flag == 1 ? Skin::Btn::CheckOn : Skin::Btn::CheckOff));
}

void TfmMain::Timer_WorkTimer() {
    controls_->RefreshClients();
    if (FirstActivationPending && isActiveWindow()) {
        if (Options.MinFormShow == 1)
            MinimizeToTray();
        FirstActivationPending = false;
    }
    UpdateHoverPictures();
    controls_->UpdateSelectionControls();
    CollectLogLines();
}

void TfmMain::UpdateHoverPictures() {
    const QPoint cursor = QCursor::pos();
    const QPoint origin = pos();
    const bool visible = isVisible();
    const auto under = [&](const QWidget& button, int width, int height) {
        return visible && HoverRule::UnderCursor(origin.x(), origin.y(), button.x(), button.y(),
                                                 width, height, cursor.x(), cursor.y());
    };
    const auto show = [&](TPictureButton* button, int width, int height, THoverPictures pictures) {
        const bool hot = under(*button, width, height);
        ShowPicture(*button, buttonPictures_.Picture(hot ? pictures.under : pictures.normal));
    };
    show(Sb_Lang_Up, Sb_Lang_Up->width(), Sb_Lang_Up->height(),
         {Skin::Btn::LangLeftHover, Skin::Btn::LangLeftNormal});
    show(Sb_Lang_Down, Sb_Lang_Down->width(), Sb_Lang_Down->height(),
         {Skin::Btn::LangRightHover, Skin::Btn::LangRightNormal});
    show(Sb_Help, 22, 23, {Skin::Btn::HelpHover, Skin::Btn::HelpNormal});
    show(Sb_Internet, 22, 23, {Skin::Btn::InternetHover, Skin::Btn::InternetNormal});
    show(Sb_Min, 22, 23, {Skin::Btn::MinHover, Skin::Btn::MinNormal});
    show(Sb_Close, 22, 23, {Skin::Btn::CloseHover, Skin::Btn::CloseNormal});
    controls_->UpdateHover(origin, cursor, visible);
}

void TfmMain::CollectLogLines() {
    for (const std::string& line : log_.LinesAfter(lastLogLine_, lastLogLine_))
        meLog->appendPlainText(ShownText::FromBytes(line));
}

void TfmMain::MinimizeToTray() {
    // Without a notification area the window could never be brought back from it.
    if (!trayIcon_->IsAvailable()) {
        showMinimized();
        return;
    }
    trayIcon_->Show();
    hide();
}

void TfmMain::Cb_HintShowClick() {
    Options.HintShow = Settings::Flipped(Options.HintShow);
    hints_->SetHintsEnabled(Options.HintShow != 0);
    RedrawOptionChecks();
}

void TfmMain::Cb_AutoRunClick() {
    // The option has flipped even when the autostart entry cannot be written.
    const TScopeGuard redraw([this] { RedrawOptionChecks(); });
    Settings::ToggleAutoRun(Options.AutoRun);
}

void TfmMain::Cb_MinFormShowClick() {
    Options.MinFormShow = Settings::Flipped(Options.MinFormShow);
    RedrawOptionChecks();
}

void TfmMain::Cb_LogOKClick() {
    Options.LogOK = Settings::Flipped(Options.LogOK);
    RedrawOptionChecks();
}

void TfmMain::Sb_HelpClick() {
    const auto name = HelpFiles::FileName(LanguageIndex());
    if (!name)
        return;
    const auto path =
        HelpFiles::Find(*name, QDir::currentPath().toStdString(), ProgramPaths::ExecutableFolder());
    if (path)
        QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(*path)));
}

void TfmMain::OpenWebPage(WebLinks::TWebLink link) {
    if (const auto page = WebLinks::WebPage(link, LanguageIndex()))
        QDesktopServices::openUrl(QUrl(QString::fromStdString(*page)));
}

void TfmMain::Sb_InternetClick() {
    OpenWebPage(WebLinks::TWebLink::HomePage);
}

void TfmMain::Sb_MinClick() {
    MinimizeToTray();
}

void TfmMain::Sb_CloseClick() {
    close();
}

void TfmMain::Sb_Lang_UpClick() {
    if (help_ != nullptr && logo_ != nullptr)
        help_->SwitchLanguage(logo_->LanguageIndex, *this);
}

void TfmMain::Sb_Lang_DownClick() {
    Sb_Lang_UpClick();
}

void TfmMain::TrayIconDblClick() {
    ShowForm();
    trayIcon_->Hide();
}

void TfmMain::TrayMenu_1Click() {
    controls_->StartServer();
}

void TfmMain::TrayMenu_2Click() {
    controls_->btStopClick();
}

void TfmMain::TrayMenu_3Click() {
    Sb_InternetClick();
}

void TfmMain::TrayMenu_4Click() {
    OpenWebPage(WebLinks::TWebLink::ProgramPage);
}

void TfmMain::TrayMenu_5Click() {
    close();
}

void TfmMain::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const TDevicePainting device(painter);
    const QRect face = device.Map(rect());
    painter.drawPixmap(face, background_.Pixmap(device.Grid()), QRect(QPoint(), face.size()));
}

void TfmMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (QWindow* window = windowHandle())
        connect(window, &QWindow::screenChanged, this, &TfmMain::ApplyOutline,
                Qt::UniqueConnection);
}

void TfmMain::ApplyOutline() {
    // QWidget::setMask ignores the same region again; the window takes it anew.
    if (QWindow* window = windowHandle())
        window->setMask(Skin::WindowOutline());
}

void TfmMain::mousePressEvent(QMouseEvent* event) {
    // Every point no control covers drags the window, as a caption would.
    if (event->button() == Qt::LeftButton)
        StartWindowMove();
}

void TfmMain::StartWindowMove() {
    if (QWindow* window = windowHandle())
        window->startSystemMove();
}

void TfmMain::closeEvent(QCloseEvent* event) {
    event->accept();
    // Closing the main window ends the program. The .ini is written now, while the window is
    // there to say that it could not be (a read-only program folder); the rest of the settings
    // follow at its destruction. An end the session asked for is not held up by a message.
    if (!serverParamsWritten_)
        WriteServerParams(!closingOnSignal_);
    QCoreApplication::quit();
}

void TfmMain::CloseOnSignal() {
    closingOnSignal_ = true;
    close();
}
