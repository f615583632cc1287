#pragma once

#include "console/ServerParamsKeeper.h"
#include "server/DisplayTypeSelection.h"
#include "server/DisplayWatch.h"
#include "server/ServerControl.h"

#include <QObject>
#include <functional>
#include <memory>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;
class TCheckListBox;
class TDisplayStatusArea;
class THoverScene;
class TPictureButton;
class TPictureList;
class TPictureView;

// The main window's server side: the client list, the port and start/stop controls, the display
// type selector and the client buttons. The controls are children of the main window at their
// window coordinates (so that every uncovered point still drags the window), named as the
// language table and the tests find them. This object creates them and binds them to the plain
// server control, display type selection and server settings; what they decide lives there.
class TServerControls : public QObject,
                        private IClientListView,
                        private IServerParamsView,
                        private IDisplayTypeView {
    Q_OBJECT

public:
    // The picture lists are the window's `BitmapList_Btn` and `BitmapList_Display`.
    TServerControls(TDisplayServer& server, TDisplayServer::TLogSink addLog, QWidget& window,
                    const TPictureList& buttonPictures, const TPictureList& displayPictures);
    ~TServerControls() override;

    // The layout window's opening, wired by the main window.
    std::function<void(const TLayoutOpening& opening)> OpenLayout;

    // "ServerPort" and "ServerAutoStart" into the port field and the auto-start box; true when
    // the server is to start now.
    bool ReadServerParams();
    // The port field and the auto-start box into the .ini, the first time only (raises the
    // .ini's error).
    void WriteServerParams();

    // Starts listening on the port of the port field (errors propagate to the caller).
    void StartServer();
    // Stops listening, unless clients are connected.
    void StopServer();
    void RefreshClients();

    // The display type controls and the client buttons show only while a row is selected.
    void UpdateSelectionControls();
    // The selected display's picture and status lines, and each row's summary hint.
    void ShowDisplayStatus();
    // Highlights the server buttons under the cursor.
    void UpdateHover(const THoverScene& scene);

    // The selected display type, the tag of `edDisplay`.
    int DisplayTag() const { return selection_.DisplayType(); }

signals:
    // The server started or stopped: the start indicator shows the new state.
    void ServerStateChanged(bool listening);

private:
    // IClientListView over lbClients.
    int RowCount() const override;
    std::string RowText(int row) const override;
    bool RowChecked(int row) const override;
    void SetRowChecked(int row, bool checked) override;
    uint64_t RowSerial(int row) const override;
    void SetRowSerial(int row, uint64_t serial) override;
    bool RowSelected(int row) const override;
    void Clear() override;
    void AddRow(const std::string& text) override;

    // IServerParamsView over edPort and cbAutoStart.
    std::string PortText() const override;
    void SetPortText(const std::string& text) override;
    bool AutoStart() const override;
    void SetAutoStart(bool autoStart) override;

    // IDisplayTypeView over edClientName, edDisplay and Img_Display.
    void ShowClientName(const std::string& name) override;
    void ShowDisplayType(const std::string& text) override;
    void ShowDisplayPicture(int displayType) override;

    void CreateControls(QWidget& window);
    void ConnectControls();
    void ShowServerButtons();

    void btStartClick();
    void btStopClick();
    void lbClientsClick();
    void lbClientsClickCheck();
    void btKickClick();
    void btKickAllClick();
    void btRefreshClick();
    void btSetupClick();
    void btPlayClick();
    void laLeft1Click();
    void laRight1Click();

    TDisplayServer& server_;
    TServerControl control_;
    TServerParamsKeeper params_;
    TDisplayTypeSelection selection_;
    QWidget& window_;
    const TPictureList& buttonPictures_;
    const TPictureList& displayPictures_;

    QLabel* Lbl1 = nullptr; // above the client list
    QLabel* Lbl2 = nullptr; // above the port field
    QLabel* Lbl3 = nullptr; // above the client name
    QLabel* Lbl4 = nullptr; // above the display type selector
    TCheckListBox* lbClients = nullptr;
    QLineEdit* edPort = nullptr;
    QCheckBox* cbAutoStart = nullptr;
    TPictureButton* btStart = nullptr;
    TPictureButton* btStop = nullptr;
    TPictureButton* btKick = nullptr;
    TPictureButton* btKickAll = nullptr;
    TPictureButton* btRefresh = nullptr;
    TPictureButton* btSetup = nullptr;
    QLineEdit* edClientName = nullptr;
    QLineEdit* edDisplay = nullptr;
    TPictureButton* laLeft1 = nullptr;
    TPictureButton* laRight1 = nullptr;
    TPictureView* Img_Display_Fon2 = nullptr;
    TPictureButton* Img_Display = nullptr;
    QPushButton* Button1 = nullptr; // "Play display", below the visible part of the window
    std::unique_ptr<TDisplayStatusArea> statusArea_;
    std::unique_ptr<TDisplayWatch> watch_;
};
