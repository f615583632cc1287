#pragma once

#include "app/TrayMenu.h"
#include "app/WebLinks.h"
#include "console/ActivityLog.h"
#include "console/Settings.h"
#include "server/DisplayServer.h"
#include "widgets/SkinPictures.h"

#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>

class QLineEdit;
class QPlainTextEdit;
class QTimer;

class TfmHelp;
class TfmLogo;
class TGradientLabel;
class TPictureButton;
class TPictureView;
class TServerControls;
class TShapeHint;
class TTrayIcon;

// The operator's main window: a borderless skinned window with its own title buttons, the
// server controls, the settings area and a tray icon. It owns the display server, the client
// table and the activity log for the whole run.
class TfmMain : public QWidget {
    Q_OBJECT

public:
    // Runs FormCreate: reads the settings, creates the server, and starts it when auto-start is
    // set. Nothing here reads the language table, which does not exist yet.
    TfmMain();
    // Runs FormDestroy: writes the settings and shuts the server down.
    ~TfmMain() override;

    // The help object (language table) and the splash object, created after the main window.
    void Attach(TfmHelp& help, TfmLogo& logo);

    // FormShow, then the window becomes visible: the splash at the first showing, the language
    // applied, the window placed at the top centre of the virtual screen.
    void ShowForm();
    // Another start of the program asked for the window: back from the tray, or raised.
    void BringToFront();
    // The session or a service manager ends the program (SIGTERM, SIGINT, SIGHUP): closed as
    // by its close button, but what cannot be written goes to the standard error only.
    void CloseOnSignal();

    // Shell flags.
    bool SplashDone = false;
    bool FirstActivationPending = true;
    TOptionFlags Options; // LogOK, HintShow, MinFormShow, AutoRun

    TDisplayServer& Server() { return *server_; }
    TServerControls& Controls() { return *controls_; }
    TTrayIcon& TrayIcon() { return *trayIcon_; }
    const TPictureList& BitmapList_Btn() const { return buttonPictures_; }

    // One tick of `Timer_Work`, every 100 ms; tests drive it themselves.
    void Timer_WorkTimer();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Lets the window follow the mouse as a title bar drag would.
    virtual void StartWindowMove();

private:
    void FormCreate();
    void FormShow();
    void FormDestroy();
    // "ServerPort" and "ServerAutoStart" from the controls, once; a failure goes to the error
    // box when the operator is there to see it, else to the standard error.
    void WriteServerParams(bool toOperator);
    void CreateTitle();
    void CreateLanguageControls();
    void CreateOptionControls();
    void CreateLog();
    void ConnectShell();
    void CreateTray();
    // The window system cuts the outline in device pixels: again on a screen of another ratio.
    void ApplyOutline();
    void MinimizeToTray();
    void PlaceShellControls();
    void RedrawOptionChecks();
    // The start indicator shows the server's state, with the hint of the current language.
    void ShowServerState();
    void UpdateHoverPictures();
    void CollectLogLines();
    int LanguageIndex() const;
    void OpenWebPage(WebLinks::TWebLink link);
    void RunTrayItem(const TTrayItem& item);
    // The title buttons in the order of their places, left to right.
    std::array<TPictureButton*, 4> TitleButtonWidgets() const;

    void Cb_HintShowClick();
    void Cb_AutoRunClick();
    void Cb_MinFormShowClick();
    void Cb_LogOKClick();
    void Sb_HelpClick();
    void Sb_InternetClick();
    void Sb_MinClick();
    void Sb_CloseClick();
    void Sb_Lang_UpClick();
    void Sb_Lang_DownClick();
    void TrayIconDblClick();
    void TrayMenu_1Click();
    void TrayMenu_2Click();
    void TrayMenu_3Click();
    void TrayMenu_4Click();
    void TrayMenu_5Click();

    // Controls of the shell, named as the language table finds them.
    TGradientLabel* Label_Title_Name = nullptr;
    TGradientLabel* Label_Title_Name_Shadow = nullptr;
    TPictureButton* Sb_Help = nullptr;
    TPictureButton* Sb_Internet = nullptr;
    TPictureButton* Sb_Min = nullptr;
    TPictureButton* Sb_Close = nullptr;
    QWidget* Panel_Indicator_Start = nullptr;
    QWidget* Indicator_Start = nullptr;
    TGradientLabel* Lbl_Title_1 = nullptr;
    TGradientLabel* Lbl_Title_2 = nullptr;
    TGradientLabel* Lbl_Lang = nullptr;
    TPictureButton* Sb_Lang_Up = nullptr;
    TPictureView* Img_Lang_Fon = nullptr;
    QLineEdit* Edit_Lang = nullptr;
    TPictureButton* Sb_Lang_Down = nullptr;
    TPictureButton* Cb_MinFormShow = nullptr;
    TGradientLabel* Lbl_MinFormShow = nullptr;
    TPictureButton* Cb_AutoRun = nullptr;
    TGradientLabel* Lbl_AutoRun = nullptr;
    TPictureButton* Cb_HintShow = nullptr;
    TGradientLabel* Lbl_HintShow = nullptr;
    TPictureButton* Cb_LogOK = nullptr;
    TGradientLabel* Lbl_LogOK = nullptr;
    QPlainTextEdit* meLog = nullptr;
    QTimer* Timer_Work = nullptr;

    TActivityLog log_;
    uint64_t lastLogLine_ = 0;
    TPictureList buttonPictures_;
    TPictureList displayPictures_;
    TDrawnPicture background_;
    TDisplayServer::TOwner server_;
    TServerControls* controls_ = nullptr;
    TTrayIcon* trayIcon_ = nullptr;
    TShapeHint* hints_ = nullptr;
    TfmHelp* help_ = nullptr;
    TfmLogo* logo_ = nullptr;
    bool closingOnSignal_ = false;
};
