#pragma once

#include "server/ServerControl.h"

#include <QObject>
#include <QPoint>
#include <functional>
#include <memory>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;
class TCheckListBox;
class TPictureButton;
class TPictureList;
class TPictureView;

// The main window's server side: the client list, the port and start/stop controls, the display
// type selector and the client buttons. The controls are children of the main window at their
// window coordinates (so that every uncovered point still drags the window); this object creates
// them, binds them to the plain server control and keeps their handlers.
class TServerControls : public QObject, private IClientListView {
    Q_OBJECT

public:
    // The picture lists are the window's `BitmapList_Btn` and `BitmapList_Display`.
    TServerControls(TDisplayServer& server, TDisplayServer::TLogSink addLog, QWidget& window,
                    const TPictureList& buttonPictures, const TPictureList& displayPictures);
    ~TServerControls() override;

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
    QLineEdit* edDisplay = nullptr; // read-only; its tag is DisplayTag()
    TPictureButton* laLeft1 = nullptr;
    TPictureButton* laRight1 = nullptr;
    TPictureView* Img_Display_Fon2 = nullptr;
    TPictureButton* Img_Display = nullptr;
    QPushButton* Button1 = nullptr; // "Play display", below the visible part of the window

    // The layout window's openings, wired by the main window.
    std::function<void(const std::string& clientName)> EditDisplayLayout;
    std::function<void(const std::string& clientName)> PlayDisplayLayout;
    // Sets the display type the layout window works on.
    std::function<void(int displayType)> SetCurrentDisplayType;

    // Starts listening on the port of edPort (errors propagate to the caller).
    void StartServer();
    void btStartClick();
    // Stops listening, unless clients are connected.
    void btStopClick();
    void RefreshClients();
    void lbClientsClick();
    void lbClientsClickCheck();
    void btKickClick();
    void btKickAllClick();
    void btRefreshClick();
    void btSetupClick();
    void btPlayClick();
    void SelectDisplayType(int displayType);
    void laLeft1Click();
    void laRight1Click();

    // The display type controls and the client buttons show only while a row is selected.
    void UpdateSelectionControls();
    // Highlights the server buttons under the cursor (window origin and cursor on the screen).
    void UpdateHover(QPoint windowPos, QPoint cursor, bool windowVisible);

    int DisplayTag() const { return displayTag_; }
    // The client name the selection applies to, as Windows-1251 bytes.
    std::string ClientName() const;
    bool Listening() const;

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

    void CreateControls(QWidget& window);
    void SetClientName(const std::string& name);
    void ShowServerButtons();

    TDisplayServer& server_;
    TServerControl control_;
    QWidget& window_;
    const TPictureList& buttonPictures_;
    const TPictureList& displayPictures_;
    int displayTag_ = 1;
};
