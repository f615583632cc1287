#include "MainForm.h"

#include "app/HelpFiles.h"
#include "app/MainWindowPlace.h"
#include "app/WebLinks.h"
#include "app/ui/LayoutHandOff.h"
#include "console/ui/Help.h"
#include "layouts/ui/DisplaySetupForm.h"
#include "platform/Product.h"
#include "platform/ProgramPaths.h"
#include "platform/ScopeGuard.h"
#include "server/DisplayServer.h"
#include "server/ui/ServerControls.h"
#include "startup/ui/Logo.h"
#include "widgets/DevicePixels.h"
#include "widgets/ErrorBox.h"
#include "widgets/GradientPanel.h"
#include "widgets/HoverScene.h"
#include "widgets/PictureButton.h"
#include "widgets/PictureView.h"
#include "widgets/ShapeHint.h"
#include "widgets/ShownText.h"
#include "widgets/SkinStyle.h"
#include "widgets/SkinZones.h"
#include "widgets/TrayIcon.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
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

// A label of the title band or a panel title: placed and coloured when it is made and again at
// every showing.
struct TTitleLabel {
    const char* Name;
    QPoint Place;
    QRgb Colour;
};

// Where the shell's controls stand, in window coordinates: the one table for their creation and
// for placing them again at every showing.
namespace ShellPlace {

constexpr TTitleLabel TitleName{"Label_Title_Name", Skin::TitleNamePos, Skin::TitleNameColor};
constexpr TTitleLabel TitleNameShadow{"Label_Title_Name_Shadow", Skin::TitleNameShadowPos,
                                      Skin::TitleShadowColor};
constexpr TTitleLabel ServerTitle{"Lbl_Title_1", Skin::ServerTitlePos, Skin::ServerTitleColor};
constexpr TTitleLabel SettingsTitle{"Lbl_Title_2", Skin::SettingsTitlePos,
                                    Skin::SettingsTitleColor};

// Sb_Help, Sb_Internet, Sb_Min and Sb_Close from the left.
constexpr QPoint TitleButton(int index) {
    return Skin::TitleButtons.topLeft() + QPoint(index * Skin::TitleButtonStep, 0);
}
constexpr QRect IndicatorFrame = Skin::IndicatorFrame;
constexpr QRect Indicator{1, 1, 20, 7}; // inside its frame

constexpr QPoint LangLabel{42, 474};
constexpr QPoint LangUp{30, 490};
constexpr QPoint LangField{47, 490};
constexpr QRect LangEdit{52, 494, 53, 14};
constexpr QPoint LangDown{110, 490};

// An option's check picture; its label stands beside it.
constexpr QPoint MinFormShowCheck{250, 470};
constexpr QPoint AutoRunCheck{250, 500};
constexpr QPoint HintShowCheck{422, 470};
constexpr QPoint LogOKCheck{422, 500};
constexpr QPoint OptionLabelOffset{26, 4};

// Below the visible outline.
constexpr QRect Log{226, 694, 138, 63};

} // namespace ShellPlace

struct TTitleButton {
    const char* Name;
    THoverPictures Pictures;
};
constexpr std::array<TTitleButton, 4> TitleButtonsLeftToRight{{
    {"Sb_Help", {Skin::Btn::HelpNormal, Skin::Btn::HelpHover}},
    {"Sb_Internet", {Skin::Btn::InternetNormal, Skin::Btn::InternetHover}},
    {"Sb_Min", {Skin::Btn::MinNormal, Skin::Btn::MinHover}},
    {"Sb_Close", {Skin::Btn::CloseNormal, Skin::Btn::CloseHover}},
}};
constexpr THoverPictures LangUpPictures{Skin::Btn::LangLeftNormal, Skin::Btn::LangLeftHover};
constexpr THoverPictures LangDownPictures{Skin::Btn::LangRightNormal, Skin::Btn::LangRightHover};

void Place(TGradientLabel& label, const TTitleLabel& place) {
    label.move(place.Place);
    label.SetTextColor(QColor(place.Colour));
}

TGradientLabel* MakeLabel(QWidget& window, const char* name, const QFont& font, QRgb colour,
                          QPoint place) {
    auto* label = new TGradientLabel(&window);
    label->setObjectName(name);
    label->setFont(font);
    label->SetTextColor(QColor(colour));
    label->move(place);
    return label;
}

TGradientLabel* MakeLabel(QWidget& window, const TTitleLabel& title, const QFont& font) {
    return MakeLabel(window, title.Name, font, title.Colour, title.Place);
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
    controls_->OpenLayout = &OpenLayoutWindow;
    // Ctrl+Alt+E in the layout window ends the program as the close button does, once the
    // layout window's modal run is over.
    TfmDisplaySetup::SetQuitRequestHandler(
        [this] { QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection); });
    CreateTitle();
    CreateLanguageControls();
    CreateOptionControls();
    CreateLog();
    ConnectShell();
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

std::array<TPictureButton*, 4> TfmMain::TitleButtonWidgets() const {
    return {Sb_Help, Sb_Internet, Sb_Min, Sb_Close};
}

void TfmMain::CreateTitle() {
    Label_Title_Name_Shadow = MakeLabel(*this, ShellPlace::TitleNameShadow, Skin::PixelFont(27));
    Label_Title_Name = MakeLabel(*this, ShellPlace::TitleName, Skin::PixelFont(27));
    Label_Title_Name_Shadow->SetText(Product::Name);
    Label_Title_Name->SetText(Product::Name);

    TPictureButton* TfmMain::*const buttons[] = {&TfmMain::Sb_Help, &TfmMain::Sb_Internet,
                                                 &TfmMain::Sb_Min, &TfmMain::Sb_Close};
    for (int i = 0; i < static_cast<int>(TitleButtonsLeftToRight.size()); ++i) {
        const TTitleButton& button = TitleButtonsLeftToRight[static_cast<size_t>(i)];
        this->*buttons[i] = TPictureButton::Create(*this, button.Name,
                                                   buttonPictures_.Picture(button.Pictures.Normal),
                                                   ShellPlace::TitleButton(i));
    }

    auto* frame = new TGradientPanel(this);
    frame->setObjectName("Panel_Indicator_Start");
    frame->SetColors(QColor(0x0B, 0x26, 0x4D), QColor(0x2A, 0x5C, 0x9E));
    frame->SetBorder(QColor(0x08, 0x1C, 0x3A));
    Panel_Indicator_Start = frame;
    Indicator_Start = new QWidget(Panel_Indicator_Start);
    Indicator_Start->setObjectName("Indicator_Start");
    Indicator_Start->setAutoFillBackground(true);

    Lbl_Title_1 = MakeLabel(*this, ShellPlace::ServerTitle, Skin::PixelFont(19, true));
    Lbl_Title_2 = MakeLabel(*this, ShellPlace::SettingsTitle, Skin::PixelFont(19, true));
}

void TfmMain::CreateLanguageControls() {
    Lbl_Lang = MakeLabel(*this, "Lbl_Lang", Skin::PixelFont(11, false, true), Skin::LabelColor,
                         ShellPlace::LangLabel);
    Sb_Lang_Up = TPictureButton::Create(
        *this, "Sb_Lang_Up", buttonPictures_.Picture(LangUpPictures.Normal), ShellPlace::LangUp);
    Img_Lang_Fon =
        TPictureView::Create(*this, "Img_Lang_Fon", buttonPictures_.Picture(Skin::Btn::LangField),
                             ShellPlace::LangField);
    Edit_Lang = new QLineEdit(this);
    Edit_Lang->setObjectName("Edit_Lang");
    Skin::StyleEdit(*Edit_Lang);
    Edit_Lang->setReadOnly(true);
    Edit_Lang->setCursor(Qt::ForbiddenCursor);
    Edit_Lang->setAlignment(Qt::AlignCenter);
    Edit_Lang->setFocusPolicy(Qt::NoFocus);
    Edit_Lang->setGeometry(ShellPlace::LangEdit);
    Sb_Lang_Down = TPictureButton::Create(*this, "Sb_Lang_Down",
                                          buttonPictures_.Picture(LangDownPictures.Normal),
                                          ShellPlace::LangDown);
}

void TfmMain::CreateOptionControls() {
    const QFont labelFont = Skin::PixelFont(11, false, true);
    const TDrawnPicture& off = buttonPictures_.Picture(Skin::Btn::CheckOff);
    const auto make = [&](const char* checkName, const char* labelName, QPoint place,
                          TPictureButton*& check, TGradientLabel*& label) {
        check = TPictureButton::Create(*this, checkName, off, place);
        label = MakeLabel(*this, labelName, labelFont, Skin::LabelColor,
                          place + ShellPlace::OptionLabelOffset);
    };
    make("Cb_MinFormShow", "Lbl_MinFormShow", ShellPlace::MinFormShowCheck, Cb_MinFormShow,
         Lbl_MinFormShow);
    make("Cb_AutoRun", "Lbl_AutoRun", ShellPlace::AutoRunCheck, Cb_AutoRun, Lbl_AutoRun);
    make("Cb_HintShow", "Lbl_HintShow", ShellPlace::HintShowCheck, Cb_HintShow, Lbl_HintShow);
    make("Cb_LogOK", "Lbl_LogOK", ShellPlace::LogOKCheck, Cb_LogOK, Lbl_LogOK);
    // The log-file option has no effect; its controls stay out of the operator's reach.
    Cb_LogOK->hide();
    Lbl_LogOK->hide();
}

void TfmMain::CreateLog() {
    // The activity log lies below the visible outline; it is the sink of the server's lines.
    meLog = new QPlainTextEdit(this);
    meLog->setObjectName("meLog");
    meLog->setReadOnly(true);
    meLog->setMaximumBlockCount(MaxLogBlocks);
    meLog->setPlainText("meLog");
    meLog->setGeometry(ShellPlace::Log);
}

void TfmMain::ConnectShell() {
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
    void (TfmMain::*const handlers[])() = {&TfmMain::TrayMenu_1Click, &TfmMain::TrayMenu_2Click,
                                           &TfmMain::TrayMenu_3Click, &TfmMain::TrayMenu_4Click,
                                           &TfmMain::TrayMenu_5Click};
    static_assert(std::size(handlers) == TrayMenu::Items.size());
    for (size_t i = 0; i < TrayMenu::Items.size(); ++i) {
        const std::string_view name = TrayMenu::Items[i].Name;
        // Children of the window, so the language table finds them by name.
        auto* action = new QAction(this);
        action->setObjectName(
            QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
        trayIcon_->Menu()->addAction(action);
        connect(action, &QAction::triggered, this, ErrorBox::Guarded(this, handlers[i], this));
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
    if (controls_->ReadServerParams())
        ErrorBox::RunAction([this] { controls_->StartServer(); });
    ShowServerState();
}

void TfmMain::FormDestroy() {
    Timer_Work->stop();
    // Everything is written before the server's stop waits for its workers, so that a session
    // that loses patience with a slow stop and kills the program loses nothing. The .ini was
    // written when the window closed, unless the program ended without closing it.
    WriteServerParams(false);
    Settings::WriteOptions(Options);
    server_->Shutdown();
}

void TfmMain::WriteServerParams(bool toOperator) {
    try {
        controls_->WriteServerParams();
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
    Place(*Lbl_Title_1, ShellPlace::ServerTitle);
    Place(*Lbl_Title_2, ShellPlace::SettingsTitle);
    const auto buttons = TitleButtonWidgets();
    for (int i = 0; i < static_cast<int>(buttons.size()); ++i) {
        buttons[static_cast<size_t>(i)]->move(ShellPlace::TitleButton(i));
        buttons[static_cast<size_t>(i)]->show();
    }
    Place(*Label_Title_Name, ShellPlace::TitleName);
    Label_Title_Name->raise();
    Place(*Label_Title_Name_Shadow, ShellPlace::TitleNameShadow);
    Label_Title_Name_Shadow->lower();
    Panel_Indicator_Start->setGeometry(ShellPlace::IndicatorFrame);
    Panel_Indicator_Start->show();
    Indicator_Start->setGeometry(ShellPlace::Indicator);
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
    controls_->ShowDisplayStatus();
    CollectLogLines();
}

void TfmMain::UpdateHoverPictures() {
    const THoverScene scene = THoverScene::Now(*this);
    scene.Show(*Sb_Lang_Up, buttonPictures_, LangUpPictures);
    scene.Show(*Sb_Lang_Down, buttonPictures_, LangDownPictures);
    // The title buttons are tested on their picture's size, whatever their widgets' size.
    const auto buttons = TitleButtonWidgets();
    for (size_t i = 0; i < buttons.size(); ++i)
        scene.Show(*buttons[i], QRect(buttons[i]->pos(), Skin::TitleButtonSize), buttonPictures_,
                   TitleButtonsLeftToRight[i].Pictures);
    controls_->UpdateHover(scene);
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

void TfmMain::RunTrayItem(const TTrayItem& item) {
    switch (item.Action) {
    case TTrayAction::StartServer:
        controls_->StartServer();
        return;
    case TTrayAction::StopServer:
        controls_->StopServer();
        return;
    case TTrayAction::OpenWebPage:
        OpenWebPage(item.Page);
        return;
    case TTrayAction::CloseProgram:
        close();
        return;
    }
}

void TfmMain::TrayMenu_1Click() {
    RunTrayItem(TrayMenu::Items[0]);
}

void TfmMain::TrayMenu_2Click() {
    RunTrayItem(TrayMenu::Items[1]);
}

void TfmMain::TrayMenu_3Click() {
    RunTrayItem(TrayMenu::Items[2]);
}

void TfmMain::TrayMenu_4Click() {
    RunTrayItem(TrayMenu::Items[3]);
}

void TfmMain::TrayMenu_5Click() {
    RunTrayItem(TrayMenu::Items[4]);
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
    WriteServerParams(!closingOnSignal_);
    QCoreApplication::quit();
}

void TfmMain::CloseOnSignal() {
    closingOnSignal_ = true;
    close();
}
