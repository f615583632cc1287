#include "ServerControls.h"

#include "DisplayStatusArea.h"
#include "platform/ProgramPaths.h"
#include "platform/SettingsTable.h"
#include "widgets/CheckListBox.h"
#include "widgets/ErrorBox.h"
#include "widgets/HoverScene.h"
#include "widgets/PictureButton.h"
#include "widgets/ShownText.h"
#include "widgets/SkinPictures.h"
#include "widgets/SkinStyle.h"
#include "widgets/SkinZones.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// Picture list indices of the server buttons: normal, under the cursor, cannot be used now.
constexpr THoverPictures StartPictures{Skin::Btn::StartNormal, Skin::Btn::StartHover,
                                       Skin::Btn::StartDisabled};
constexpr THoverPictures StopPictures{Skin::Btn::StopNormal, Skin::Btn::StopHover,
                                      Skin::Btn::StopDisabled};
constexpr THoverPictures KickPictures{Skin::Btn::KickNormal, Skin::Btn::KickHover,
                                      Skin::Btn::KickDisabled};
constexpr THoverPictures KickAllPictures{Skin::Btn::KickAllNormal, Skin::Btn::KickAllHover,
                                         Skin::Btn::KickAllDisabled};
constexpr THoverPictures RefreshPictures{Skin::Btn::RefreshNormal, Skin::Btn::RefreshHover,
                                         Skin::Btn::RefreshDisabled};
constexpr THoverPictures SetupPictures{Skin::Btn::SetupNormal, Skin::Btn::SetupHover,
                                       Skin::Btn::SetupDisabled};

QLabel* MakeLabel(QWidget& window, const char* name, int left, int top) {
    auto* label = new QLabel(&window);
    label->setObjectName(name);
    Skin::StyleLabel(*label);
    label->move(left, top);
    label->resize(200, 16);
    return label;
}

QLineEdit* MakeEdit(QWidget& window, const char* name, int left, int top, int width) {
    auto* edit = new QLineEdit(&window);
    edit->setObjectName(name);
    Skin::StyleEdit(*edit);
    Skin::Place(*edit, left, top, width, 20);
    return edit;
}

} // namespace

TServerControls::TServerControls(TDisplayServer& server, TDisplayServer::TLogSink addLog,
                                 QWidget& window, const TPictureList& buttonPictures,
                                 const TPictureList& displayPictures)
    : QObject(&window), server_(server), control_(server, *this, addLog),
      params_(*this, ProgramPaths::IniPath()), selection_(*this, ProgramPaths::IniPath()),
      window_(window), buttonPictures_(buttonPictures), displayPictures_(displayPictures) {
    CreateControls(window);
    statusArea_ = std::make_unique<TDisplayStatusArea>(window, *lbClients);
    watch_ = std::make_unique<TDisplayWatch>(server, *statusArea_, std::move(addLog));
    ConnectControls();
    selection_.ShowAll();
    ShowServerButtons();
    UpdateSelectionControls();
}

TServerControls::~TServerControls() = default;

void TServerControls::CreateControls(QWidget& window) {
    // Client list on the left of the server panel; server and client buttons in the middle;
    // the display type selector on the right.
    Lbl1 = MakeLabel(window, "Lbl1", 20, 94);
    lbClients = new TCheckListBox(&window);
    lbClients->setObjectName("lbClients");
    Skin::Place(*lbClients, 20, 112, 190, 290);

    Lbl2 = MakeLabel(window, "Lbl2", 232, 94);
    edPort = MakeEdit(window, "edPort", 232, 112, 80);
    edPort->setText(
        QString::fromStdString(SettingsTable::PortText(SettingsTable::ServerPort.Default)));
    cbAutoStart = new QCheckBox("AutoStart", &window);
    cbAutoStart->setObjectName("cbAutoStart");
    cbAutoStart->setFont(Skin::PixelFont(11));
    QPalette palette = cbAutoStart->palette();
    palette.setColor(QPalette::WindowText, QColor(Skin::LabelColor));
    cbAutoStart->setPalette(palette);
    Skin::Place(*cbAutoStart, 324, 112, 110, 20);

    btStart = TPictureButton::Create(window, "btStart",
                                     buttonPictures_.Picture(StartPictures.Normal), {232, 146});
    btStop = TPictureButton::Create(window, "btStop", buttonPictures_.Picture(StopPictures.Normal),
                                    {272, 146});
    btKickAll = TPictureButton::Create(window, "btKickAll",
                                       buttonPictures_.Picture(KickAllPictures.Normal), {332, 146});
    btKick = TPictureButton::Create(window, "btKick", buttonPictures_.Picture(KickPictures.Normal),
                                    {232, 250});
    btRefresh = TPictureButton::Create(window, "btRefresh",
                                       buttonPictures_.Picture(RefreshPictures.Normal), {272, 250});
    btSetup = TPictureButton::Create(window, "btSetup",
                                     buttonPictures_.Picture(SetupPictures.Normal), {312, 250});

    Lbl3 = MakeLabel(window, "Lbl3", 232, 196);
    edClientName = MakeEdit(window, "edClientName", 232, 214, 200);
    edClientName->setReadOnly(true);

    Lbl4 = MakeLabel(window, "Lbl4", 480, 94);
    Img_Display_Fon2 = TPictureView::Create(
        window, "Img_Display_Fon2", buttonPictures_.Picture(Skin::Btn::DisplayFrame), {480, 112});
    Img_Display = new TPictureButton(&window);
    Img_Display->setObjectName("Img_Display");
    Img_Display->move(484, 116);
    laLeft1 = TPictureButton::Create(window, "laLeft1",
                                     buttonPictures_.Picture(Skin::Btn::TypeLeft), {480, 198});
    edDisplay = MakeEdit(window, "edDisplay", 501, 198, 62);
    edDisplay->setReadOnly(true);
    edDisplay->setAlignment(Qt::AlignCenter);
    laRight1 = TPictureButton::Create(window, "laRight1",
                                      buttonPictures_.Picture(Skin::Btn::TypeRight), {567, 198});

    Button1 = new QPushButton("Play display", &window);
    Button1->setObjectName("Button1");
    Skin::Place(*Button1, 400, 640, 100, 25);
}

void TServerControls::ConnectControls() {
    const auto guarded = [this](void (TServerControls::*handler)()) {
        return ErrorBox::Guarded(this, handler, &window_);
    };
    connect(btStart, &TPictureButton::clicked, this, guarded(&TServerControls::btStartClick));
    connect(btStop, &TPictureButton::clicked, this, guarded(&TServerControls::btStopClick));
    connect(Img_Display, &TPictureButton::clicked, this, guarded(&TServerControls::btStopClick));
    connect(btKick, &TPictureButton::clicked, this, guarded(&TServerControls::btKickClick));
    connect(btKickAll, &TPictureButton::clicked, this, guarded(&TServerControls::btKickAllClick));
    connect(btRefresh, &TPictureButton::clicked, this, guarded(&TServerControls::btRefreshClick));
    connect(btSetup, &TPictureButton::clicked, this, guarded(&TServerControls::btSetupClick));
    connect(Button1, &QPushButton::clicked, this, guarded(&TServerControls::btPlayClick));
    connect(laLeft1, &TPictureButton::clicked, this, guarded(&TServerControls::laLeft1Click));
    connect(laRight1, &TPictureButton::clicked, this, guarded(&TServerControls::laRight1Click));
    connect(lbClients, &TCheckListBox::rowClicked, this, guarded(&TServerControls::lbClientsClick));
    connect(lbClients, &TCheckListBox::checkClicked, this,
            guarded(&TServerControls::lbClientsClickCheck));
}

bool TServerControls::ReadServerParams() {
    return params_.Load();
}

void TServerControls::WriteServerParams() {
    params_.SaveOnce();
}

void TServerControls::StartServer() {
    if (control_.StartServer(PortText())) {
        ShowServerButtons();
        emit ServerStateChanged(true);
    }
}

void TServerControls::StopServer() {
    if (control_.StopServer()) {
        ShowServerButtons();
        emit ServerStateChanged(false);
    }
}

void TServerControls::btStartClick() {
    StartServer();
}

void TServerControls::btStopClick() {
    StopServer();
}

void TServerControls::ShowServerButtons() {
    const bool listening = server_.Listening();
    btStart->SetPicture(
        buttonPictures_.Picture(HoverRule::PictureFor(StartPictures, false, !listening)));
    btStop->SetPicture(
        buttonPictures_.Picture(HoverRule::PictureFor(StopPictures, false, listening)));
}

void TServerControls::RefreshClients() {
    control_.RefreshClients();
}

void TServerControls::lbClientsClick() {
    const int row = lbClients->SelectedRow();
    if (row < 0)
        return;
    selection_.SelectClient(RowText(row), control_.ListedClientName(row));
}

void TServerControls::lbClientsClickCheck() {
    // The check marks show the client table; the next refresh puts any change back.
}

void TServerControls::btKickClick() {
    control_.KickSelected();
    selection_.ClearClientName();
}

void TServerControls::btKickAllClick() {
    control_.KickAll();
    selection_.ClearClientName();
}

void TServerControls::btRefreshClick() {
    control_.RefreshSelected();
}

void TServerControls::btSetupClick() {
    if (const auto opening = selection_.SetupOpening(); opening && OpenLayout)
        OpenLayout(*opening);
}

void TServerControls::btPlayClick() {
    if (OpenLayout)
        OpenLayout(selection_.PlayOpening());
}

void TServerControls::laLeft1Click() {
    selection_.StepDown();
}

void TServerControls::laRight1Click() {
    selection_.StepUp();
}

void TServerControls::UpdateSelectionControls() {
    const bool selected = lbClients->SelectedRow() >= 0;
    for (QWidget* w :
         std::initializer_list<QWidget*>{Img_Display_Fon2, Img_Display, Lbl4, edDisplay, laLeft1,
                                         laRight1, btKick, btSetup, btRefresh})
        w->setVisible(selected);
}

void TServerControls::ShowDisplayStatus() {
    std::vector<uint64_t> rowSerials;
    for (int row = 0; row < RowCount(); ++row)
        rowSerials.push_back(RowSerial(row));
    watch_->Tick(rowSerials, lbClients->SelectedRow());
}

void TServerControls::UpdateHover(const THoverScene& scene) {
    const bool listening = server_.Listening();
    scene.Show(*btStart, buttonPictures_, StartPictures, !listening);
    scene.Show(*btStop, buttonPictures_, StopPictures, listening);
    scene.Show(*btKickAll, buttonPictures_, KickAllPictures);
    scene.Show(*btKick, buttonPictures_, KickPictures);
    scene.Show(*btRefresh, buttonPictures_, RefreshPictures);
    scene.Show(*btSetup, buttonPictures_, SetupPictures);
}

int TServerControls::RowCount() const {
    return lbClients->RowCount();
}

std::string TServerControls::RowText(int row) const {
    return ShownText::ToBytesLossy(lbClients->RowText(row));
}

bool TServerControls::RowChecked(int row) const {
    return lbClients->IsChecked(row);
}

void TServerControls::SetRowChecked(int row, bool checked) {
    lbClients->SetChecked(row, checked);
}

uint64_t TServerControls::RowSerial(int row) const {
    return lbClients->RowTag(row);
}

void TServerControls::SetRowSerial(int row, uint64_t serial) {
    lbClients->SetRowTag(row, serial);
}

bool TServerControls::RowSelected(int row) const {
    return lbClients->SelectedRow() == row;
}

void TServerControls::Clear() {
    lbClients->Clear();
}

void TServerControls::AddRow(const std::string& text) {
    lbClients->AddRow(ShownText::FromBytes(text));
}

std::string TServerControls::PortText() const {
    return edPort->text().toStdString();
}

void TServerControls::SetPortText(const std::string& text) {
    edPort->setText(QString::fromStdString(text));
}

bool TServerControls::AutoStart() const {
    return cbAutoStart->isChecked();
}

void TServerControls::SetAutoStart(bool autoStart) {
    cbAutoStart->setChecked(autoStart);
}

void TServerControls::ShowClientName(const std::string& name) {
    edClientName->setText(ShownText::FromBytes(name));
}

void TServerControls::ShowDisplayType(const std::string& text) {
    edDisplay->setText(QString::fromStdString(text));
}

void TServerControls::ShowDisplayPicture(int displayType) {
    // A type without a picture keeps the one shown.
    if (displayPictures_.Contains(displayType))
        Img_Display->SetPicture(displayPictures_.Picture(displayType));
}
