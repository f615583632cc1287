#include "ServerControls.h"

#include "platform/IniFile.h"
#include "platform/ProgramPaths.h"
#include "platform/SettingsTable.h"
#include "server/DisplayAssignment.h"
#include "widgets/CheckListBox.h"
#include "widgets/ErrorBox.h"
#include "widgets/HoverRule.h"
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
struct TButtonPictures {
    int normal, hover, unusable;
};
constexpr TButtonPictures StartPictures{Skin::Btn::StartNormal, Skin::Btn::StartHover,
                                        Skin::Btn::StartDisabled};
constexpr TButtonPictures StopPictures{Skin::Btn::StopNormal, Skin::Btn::StopHover,
                                       Skin::Btn::StopDisabled};
constexpr TButtonPictures KickPictures{Skin::Btn::KickNormal, Skin::Btn::KickHover,
                                       Skin::Btn::KickDisabled};
constexpr TButtonPictures KickAllPictures{Skin::Btn::KickAllNormal, Skin::Btn::KickAllHover,
                                          Skin::Btn::KickAllDisabled};
constexpr TButtonPictures RefreshPictures{Skin::Btn::RefreshNormal, Skin::Btn::RefreshHover,
                                          Skin::Btn::RefreshDisabled};
constexpr TButtonPictures SetupPictures{Skin::Btn::SetupNormal, Skin::Btn::SetupHover,
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
    : QObject(&window), server_(server), control_(server, *this, std::move(addLog)),
      window_(window), buttonPictures_(buttonPictures), displayPictures_(displayPictures) {
    CreateControls(window);
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
                                     buttonPictures_.Picture(StartPictures.normal), {232, 146});
    btStop = TPictureButton::Create(window, "btStop", buttonPictures_.Picture(StopPictures.normal),
                                    {272, 146});
    btKickAll = TPictureButton::Create(window, "btKickAll",
                                       buttonPictures_.Picture(KickAllPictures.normal), {332, 146});
    btKick = TPictureButton::Create(window, "btKick", buttonPictures_.Picture(KickPictures.normal),
                                    {232, 250});
    btRefresh = TPictureButton::Create(window, "btRefresh",
                                       buttonPictures_.Picture(RefreshPictures.normal), {272, 250});
    btSetup = TPictureButton::Create(window, "btSetup",
                                     buttonPictures_.Picture(SetupPictures.normal), {312, 250});

    Lbl3 = MakeLabel(window, "Lbl3", 232, 196);
    edClientName = MakeEdit(window, "edClientName", 232, 214, 200);
    edClientName->setReadOnly(true);

    Lbl4 = MakeLabel(window, "Lbl4", 480, 94);
    Img_Display_Fon2 = TPictureView::Create(
        window, "Img_Display_Fon2", buttonPictures_.Picture(Skin::Btn::DisplayFrame), {480, 112});
    Img_Display = new TPictureButton(&window);
    Img_Display->setObjectName("Img_Display");
    Img_Display->SetPicture(displayPictures_.Picture(1));
    Img_Display->move(484, 116);
    laLeft1 = TPictureButton::Create(window, "laLeft1",
                                     buttonPictures_.Picture(Skin::Btn::TypeLeft), {480, 198});
    edDisplay = MakeEdit(window, "edDisplay", 501, 198, 62);
    edDisplay->setReadOnly(true);
    edDisplay->setAlignment(Qt::AlignCenter);
    edDisplay->setText(QStringLiteral("№ 1"));
    laRight1 = TPictureButton::Create(window, "laRight1",
                                      buttonPictures_.Picture(Skin::Btn::TypeRight), {567, 198});

    Button1 = new QPushButton("Play display", &window);
    Button1->setObjectName("Button1");
    Skin::Place(*Button1, 400, 640, 100, 25);

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

bool TServerControls::Listening() const {
    return server_.Listening();
}

std::string TServerControls::ClientName() const {
    return ShownText::ToBytesLossy(edClientName->text());
}

void TServerControls::SetClientName(const std::string& name) {
    edClientName->setText(ShownText::FromBytes(name));
}

void TServerControls::StartServer() {
    if (control_.StartServer(edPort->text().toStdString())) {
        ShowServerButtons();
        emit ServerStateChanged(true);
    }
}

void TServerControls::btStartClick() {
    StartServer();
}

void TServerControls::btStopClick() {
    if (control_.StopServer()) {
        ShowServerButtons();
        emit ServerStateChanged(false);
    }
}

void TServerControls::ShowServerButtons() {
    const bool listening = server_.Listening();
    btStart->SetPicture(
        buttonPictures_.Picture(listening ? StartPictures.unusable : StartPictures.normal));
    btStop->SetPicture(
        buttonPictures_.Picture(listening ? StopPictures.normal : StopPictures.unusable));
}

void TServerControls::RefreshClients() {
    control_.RefreshClients();
}

void TServerControls::lbClientsClick() {
    const int row = lbClients->SelectedRow();
    if (row < 0)
        return;
    const std::string slot = RowText(row);
    SetClientName(slot);
    const TIniFile ini(ProgramPaths::IniPath());
    SelectDisplayType(DisplayAssignment::GetClientDisplayType(ini, slot));
    if (const auto listed = control_.ListedClientName(row))
        SetClientName(*listed);
}

void TServerControls::lbClientsClickCheck() {
    // The check marks show the client table; the next refresh puts any change back.
}

void TServerControls::btKickClick() {
    control_.KickSelected();
    edClientName->clear();
}

void TServerControls::btKickAllClick() {
    control_.KickAll();
    edClientName->clear();
}

void TServerControls::btRefreshClick() {
    control_.RefreshSelected();
}

void TServerControls::btSetupClick() {
    if (SetCurrentDisplayType)
        SetCurrentDisplayType(displayTag_);
    const std::string name = ClientName();
    if (displayTag_ > 0 && !name.empty() && EditDisplayLayout)
        EditDisplayLayout(name);
}

void TServerControls::btPlayClick() {
    if (SetCurrentDisplayType)
        SetCurrentDisplayType(displayTag_);
    if (PlayDisplayLayout)
        PlayDisplayLayout(ClientName());
}

void TServerControls::SelectDisplayType(int displayType) {
    displayTag_ = displayType;
    edDisplay->setText(QStringLiteral("№ ") + QString::number(displayType));
    TIniFile ini(ProgramPaths::IniPath());
    DisplayAssignment::SetClientDisplayType(ini, ClientName(), displayType);
    // Nine pictures, 0 to 8; a type without a picture keeps the one shown.
    if (displayType >= 0 && displayType <= 8)
        Img_Display->SetPicture(displayPictures_.Picture(displayType));
}

void TServerControls::laLeft1Click() {
    SelectDisplayType(DisplayAssignment::StepDown(displayTag_));
}

void TServerControls::laRight1Click() {
    SelectDisplayType(DisplayAssignment::StepUp(displayTag_));
}

void TServerControls::UpdateSelectionControls() {
    const bool selected = lbClients->SelectedRow() >= 0;
    for (QWidget* w :
         std::initializer_list<QWidget*>{Img_Display_Fon2, Img_Display, Lbl4, edDisplay, laLeft1,
                                         laRight1, btKick, btSetup, btRefresh})
        w->setVisible(selected);
}

void TServerControls::UpdateHover(QPoint windowPos, QPoint cursor, bool windowVisible) {
    const auto hover = [&](TPictureButton* button, const TButtonPictures& pictures, bool usable) {
        const QRect r = button->geometry();
        const bool under =
            windowVisible && HoverRule::UnderCursor(windowPos.x(), windowPos.y(), r.left(), r.top(),
                                                    r.width(), r.height(), cursor.x(), cursor.y());
        const int picture = !usable ? pictures.unusable : under ? pictures.hover : pictures.normal;
        if (button->Picture() != buttonPictures_.Picture(picture))
            button->SetPicture(buttonPictures_.Picture(picture));
    };
    const bool listening = server_.Listening();
    hover(btStart, StartPictures, !listening);
    hover(btStop, StopPictures, listening);
    hover(btKickAll, KickAllPictures, true);
    hover(btKick, KickPictures, true);
    hover(btRefresh, RefreshPictures, true);
    hover(btSetup, SetupPictures, true);
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
