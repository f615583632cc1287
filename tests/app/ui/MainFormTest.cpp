// Window tests of the operator's main window, headless, with a throwaway program folder and
// configuration folder for every test.
#include "app/ui/MainForm.h"

#include "common/CheckoutPaths.h"
#include "common/FindControl.h"
#include "common/PrivateNetwork.h"
#include "common/ProcessState.h"
#include "common/QtPrint.h"
#include "common/TempDir.h"
#include "console/ui/Help.h"
#include "layouts/LayoutStore.h"
#include "layouts/ui/DisplaySetupForm.h"
#include "platform/CodePage1251.h"
#include "platform/FileIo.h"
#include "platform/IniFile.h"
#include "platform/KeyStore.h"
#include "platform/ProgramPaths.h"
#include "protocol/ShotMessage.h"
#include "protocol/StatusMessage.h"
#include "server/DisplayServer.h"
#include "server/TestClient.h"
#include "server/ui/ServerControls.h"
#include "startup/ui/Logo.h"
#include "widgets/CheckListBox.h"
#include "widgets/ErrorBox.h"
#include "widgets/GradientPanel.h"
#include "widgets/PictureButton.h"
#include "widgets/TrayIcon.h"

#include <QAction>
#include <QBuffer>
#include <QCheckBox>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <memory>

namespace {

// Catches what the window asks the desktop to open.
class TUrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void Open(const QUrl& url) { urls.push_back(url); }
};

class MainFormTest : public ::testing::Test {
protected:
    std::unique_ptr<TTempDir> program_, home_;
    std::unique_ptr<TConfigHomeGuard> homeGuard_;
    std::unique_ptr<TfmMain> fmMain_;
    std::unique_ptr<TfmHelp> fmHelp_;
    std::unique_ptr<TfmLogo> fmLogo_;
    QStringList errors_;

    std::string Ini() const { return program_->File("velmora.ini"); }

    // Creates the program's three objects in the order of the program entry.
    void Create() {
        fmMain_ = std::make_unique<TfmMain>();
        fmHelp_ = std::make_unique<TfmHelp>();
        fmLogo_ = std::make_unique<TfmLogo>();
        fmMain_->Attach(*fmHelp_, *fmLogo_);
    }
    void CreateAndShowWithoutSplash() {
        Create();
        fmMain_->SplashDone = true;
        fmMain_->ShowForm();
    }
    void Tick() { fmMain_->Timer_WorkTimer(); }
    // Starts the real program, sends it the signal and checks that it ended saved.
    void EndsInOrderOn(int signal);
    TServerControls& Controls() { return fmMain_->Controls(); }
    // A control of the window by its object name.
    template <typename TControl>
    TControl& Find(const char* name) {
        return FindControl<TControl>(*fmMain_, name);
    }
    // The operator clicks a row of the client list.
    void SelectRow(int row) {
        auto& list = Find<TCheckListBox>("lbClients");
        list.SetSelectedRow(row);
        list.rowClicked(row);
    }
    uint16_t StartOnFreePort() {
        Find<QLineEdit>("edPort").setText("0");
        Find<TPictureButton>("btStart").clicked();
        return fmMain_->Server().Server.BoundPort();
    }
    QStringList LogLines() {
        Tick();
        return Find<QPlainTextEdit>("meLog").toPlainText().split('\n', Qt::SkipEmptyParts);
    }
    std::unique_ptr<TTestClient> Register(uint16_t port, const std::string& name,
                                          const std::string& source) {
        auto client = std::make_unique<TTestClient>(port, source);
        client->Send(ClientBlock("REGISTER", "d", "", "", name));
        if (!client->Receive())
            return nullptr;
        return client;
    }

    void SetUp() override {
        program_ = std::make_unique<TTempDir>();
        home_ = std::make_unique<TTempDir>();
        homeGuard_ = std::make_unique<TConfigHomeGuard>(home_->Path());
        ProgramPaths::SetExecutablePath(program_->File("velmora"));
        errors_.clear();
        ErrorBox::SetTestSink([this](const QString& message) { errors_.push_back(message); });
    }

    void TearDown() override {
        fmMain_.reset();
        fmHelp_.reset();
        fmLogo_.reset();
        ErrorBox::SetTestSink(nullptr);
        ProgramPaths::SetExecutablePath("");
        homeGuard_.reset();
        home_.reset();
        program_.reset();
    }
};

TEST_F(MainFormTest, AutoStartListensBeforeShowingWithTheStartLineFirst) {
    TIniFile ini(Ini());
    ini.WriteString("ServerParams", "ServerPort", "0");
    ini.WriteString("ServerParams", "ServerAutoStart", "1");
    // A stored port of 0 means the default; give the test a free port instead.
    TSocketHandle probe;
    Sockets::CreateTcpSocket(probe);
    Sockets::Bind(probe.Get(), "127.0.0.1", 0);
    uint16_t port = 0;
    Sockets::LocalPort(probe.Get(), port);
    probe.Close();
    ini.WriteInteger("ServerParams", "ServerPort", port);
    Create();
    ASSERT_TRUE(fmMain_->Server().Listening());
    ASSERT_FALSE(fmMain_->isVisible());
    const QStringList lines = LogLines();
    EXPECT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0], QString("Сервер запущен на порту %1").arg(port));
    fmMain_->SplashDone = true;
    fmMain_->ShowForm();
    EXPECT_EQ(Find<QWidget>("Indicator_Start").palette().color(QPalette::Window),
              QColor(255, 0, 0));
    EXPECT_EQ(Find<QWidget>("Indicator_Start").toolTip(), QString("Server: Start"));
}

TEST_F(MainFormTest, FirstRunShowsDefaultsAndTheSplashOnce) {
    Create();
    fmLogo_->Timer_Work->setInterval(1); // the splash's sequence is under test, not its pace
    EXPECT_EQ(Find<QLineEdit>("edPort").text(), QString("5678"));
    ASSERT_FALSE(Find<QCheckBox>("cbAutoStart").isChecked());
    EXPECT_EQ(fmMain_->Options.HintShow, uint8_t{1});
    EXPECT_EQ(fmMain_->Options.MinFormShow, uint8_t{0});
    ASSERT_TRUE(Find<QPlainTextEdit>("meLog").toPlainText().isEmpty());
    QTimer::singleShot(0, fmMain_.get(), &TfmMain::ShowForm);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fmMain_->isVisible(); }, 10000));
    ASSERT_TRUE(fmMain_->SplashDone);
    EXPECT_EQ(fmLogo_->SplashTicks, 31);
    EXPECT_EQ(Find<QLineEdit>("Edit_Lang").text(), QString("English"));
    EXPECT_EQ(Find<QWidget>("Indicator_Start").palette().color(QPalette::Window),
              QColor(0, 128, 192));
    // Back from the tray: no second splash, and the window is placed again.
    fmMain_->hide();
    fmMain_->move(300, 300);
    fmMain_->TrayIcon().HandleActivation(QSystemTrayIcon::DoubleClick);
    ASSERT_TRUE(fmMain_->isVisible());
    EXPECT_EQ(fmLogo_->SplashTicks, 31);
    EXPECT_EQ(fmMain_->y(), 10);
}

TEST_F(MainFormTest, WindowHasTheSteppedOutlineAndControlsInPlace) {
    CreateAndShowWithoutSplash();
    EXPECT_EQ(fmMain_->size(), QSize(802, 602));
    const QRegion mask = fmMain_->mask();
    ASSERT_TRUE(mask.contains(QPoint(6, 1)));
    ASSERT_FALSE(mask.contains(QPoint(5, 1)));
    ASSERT_TRUE(mask.contains(QPoint(1, 300)));
    ASSERT_FALSE(mask.contains(QPoint(400, 601)));
    EXPECT_EQ(Find<TPictureButton>("Sb_Close").geometry(), QRect(774, 5, 22, 23));
    EXPECT_EQ(Find<TPictureButton>("Sb_Help").geometry(), QRect(702, 5, 22, 23));
    EXPECT_EQ(Find<QWidget>("Indicator_Start").geometry(), QRect(1, 1, 20, 7));
    EXPECT_EQ(Find<QWidget>("Panel_Indicator_Start").geometry(), QRect(750, 37, 22, 9));
    EXPECT_EQ(Find<QLineEdit>("Edit_Lang").geometry(), QRect(52, 494, 53, 14));
    EXPECT_EQ(Find<TPictureButton>("Sb_Lang_Up").geometry(), QRect(30, 490, 17, 21));
    EXPECT_EQ(Find<TPictureButton>("Cb_HintShow").pos(), QPoint(422, 470));
    EXPECT_EQ(Find<QPlainTextEdit>("meLog").geometry(), QRect(226, 694, 138, 63));
    ASSERT_FALSE(Find<TPictureButton>("Cb_LogOK").isVisible());
    ASSERT_TRUE(Find<QPushButton>("Button1").y() > 601);
    ASSERT_TRUE(Find<QWidget>("Label_Title_Name").geometry().topLeft() == QPoint(8, 2));
    const QRect screen = QGuiApplication::primaryScreen()->virtualGeometry();
    EXPECT_EQ(fmMain_->x(), screen.left() + (screen.width() - 802) / 2);
}

TEST_F(MainFormTest, HoverPicturesFollowTheCursorWithStrictEdges) {
    CreateAndShowWithoutSplash();
    const QPoint origin = fmMain_->pos();
    const TPictureList& list = fmMain_->BitmapList_Btn();
    QCursor::setPos(origin + QPoint(785, 15));
    Tick();
    EXPECT_EQ(Find<TPictureButton>("Sb_Close").Picture(), list.Picture(Skin::Btn::CloseHover));
    QCursor::setPos(origin + QPoint(774, 15)); // the leftmost column itself
    Tick();
    EXPECT_EQ(Find<TPictureButton>("Sb_Close").Picture(), list.Picture(Skin::Btn::CloseNormal));
    QCursor::setPos(origin + QPoint(38, 500));
    Tick();
    EXPECT_EQ(Find<TPictureButton>("Sb_Lang_Up").Picture(), list.Picture(Skin::Btn::LangLeftHover));
    EXPECT_EQ(Find<TPictureButton>("Sb_Lang_Down").Picture(),
              list.Picture(Skin::Btn::LangRightNormal));
}

TEST_F(MainFormTest, ClientListFollowsTheClientTable) {
    CreateAndShowWithoutSplash();
    const uint16_t port = StartOnFreePort();
    Tick();
    TCheckListBox& list = Find<TCheckListBox>("lbClients");
    EXPECT_EQ(list.RowCount(), 16);
    auto five = Register(port, "Client 5", "127.0.0.2");
    ASSERT_TRUE(five);
    Tick();
    ASSERT_TRUE(list.IsChecked(4));
    auto stranger = Register(port, "Lobby", "127.0.0.3");
    ASSERT_TRUE(stranger);
    auto twoA = Register(port, "Client 2", "127.0.0.4");
    auto twoB = Register(port, "client 2", "127.0.0.5");
    Tick(); // counts differ: rebuilt, the stranger is kicked
    const auto kick = stranger->Receive();
    ASSERT_TRUE(kick.has_value());
    ASSERT_TRUE(ExchangeBlock::IsCommand(*kick, "KICK"));
    ASSERT_TRUE(list.IsChecked(1));
    Tick(); // two clients under one name: rebuilt again, the stranger kicked again
    ASSERT_TRUE(stranger->Receive().has_value());
    // The later client of the name is on the row.
    list.SetSelectedRow(1);
    list.rowClicked(1);
    EXPECT_EQ(Find<QLineEdit>("edClientName").text(), QString("client 2"));
    five.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return (Tick(), !list.IsChecked(4)); }, 5000));
}

// The selected display's picture and status lines under its display type, in the interface
// language; a display that never sent a status says so, and a picture that does not decode
// leaves the last one shown.
TEST_F(MainFormTest, TheSelectedDisplayShowsItsPictureAndStatusLines) {
    CreateAndShowWithoutSplash();
    const uint16_t port = StartOnFreePort();
    auto three = Register(port, "Client 3", "127.0.0.2");
    auto four = Register(port, "Client 4", "127.0.0.3");
    ASSERT_TRUE(three && four);
    three->Send(StatusMessage::Make({"Client 3", "type 2: spring.mp4",
                                     "shown=spring.mp4\r\n"
                                     "temperature=51\r\n"}));
    Tick();
    SelectRow(2);
    Tick();
    const auto request = three->Receive();
    ASSERT_TRUE(request && ShotMessage::IsRequest(*request));
    QImage magenta(320, 180, QImage::Format_RGB32);
    magenta.fill(Qt::magenta);
    QBuffer jpeg;
    jpeg.open(QIODevice::WriteOnly);
    ASSERT_TRUE(magenta.save(&jpeg, "JPG"));
    for (const TExchangeBlock& part : ShotMessage::Split("Client 3", jpeg.data().toStdString()))
        three->Send(part);
    auto& picture = Find<QLabel>("Img_Shot");
    ASSERT_TRUE(QTest::qWaitFor([&] { return (Tick(), !picture.pixmap().isNull()); }, 5000));
    const QImage shown = picture.grab().toImage();
    const QColor middle = shown.pixelColor(shown.rect().center());
    EXPECT_TRUE(middle.red() > 230 && middle.green() < 30 && middle.blue() > 230)
        << middle.name().toStdString();
    EXPECT_EQ(Find<QLabel>("Lbl_ShownValue").text(), QString("spring.mp4"));
    EXPECT_EQ(Find<QLabel>("Lbl_TemperatureValue").text(), QString("51"));
    EXPECT_TRUE(Find<QLabel>("Lbl_Temperature").isVisible());
    EXPECT_FALSE(Find<QLabel>("Lbl_NoStatus").isVisible());
    EXPECT_EQ(Find<TCheckListBox>("lbClients").View()->item(2)->toolTip(),
              QString("type 2: spring.mp4"));
    fmHelp_->ApplyLanguage(LanguageTable::English, *fmMain_);
    EXPECT_EQ(Find<QLabel>("Lbl_Temperature").text(), QString("Temperature:"));
    fmHelp_->ApplyLanguage(LanguageTable::Russian, *fmMain_);
    for (const TLanguageAssignment& a : LanguageTable::StatusAssignments(fmHelp_->Table()))
        EXPECT_EQ(Find<QLabel>(std::string(a.Control).c_str()).text(),
                  QString::fromStdString(a.Text));
    EXPECT_EQ(Find<QLabel>("Lbl_Temperature").text(), QString("Температура:"));
    EXPECT_EQ(Find<QLabel>("Lbl_Shown").text(), QString("Показ:"));

    std::string broken = "\xFF\xD8\xFF\xE0";
    broken.resize(900, 'x');
    three->Send(ShotMessage::Split("Client 3", broken).front());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const QStringList lines = LogLines();
            return std::any_of(lines.begin(), lines.end(), [](const QString& line) {
                return line.endsWith(" Dropped a picture from \"Client 3\": it does not decode");
            });
        },
        5000));
    EXPECT_EQ(picture.grab().toImage().pixelColor(shown.rect().center()), middle);

    SelectRow(3);
    Tick();
    EXPECT_TRUE(Find<QLabel>("Lbl_NoStatus").isVisible());
    EXPECT_EQ(Find<QLabel>("Lbl_NoStatus").text(), QString("нет статуса от этого дисплея"));
    EXPECT_FALSE(Find<QLabel>("Lbl_Temperature").isVisible());
    fmHelp_->ApplyLanguage(LanguageTable::English, *fmMain_);
    EXPECT_EQ(Find<QLabel>("Lbl_NoStatus").text(), QString("no status from this display"));
}

TEST_F(MainFormTest, SelectingAClientStepsAndStoresItsDisplayType) {
    TIniFile(Ini()).WriteInteger("ClientDisplay_Client3", "DisplayType", 8);
    CreateAndShowWithoutSplash();
    Tick();
    ASSERT_FALSE(Find<QLineEdit>("edDisplay").isVisible());
    SelectRow(2);
    Tick();
    ASSERT_TRUE(Find<QLineEdit>("edDisplay").isVisible());
    EXPECT_EQ(Find<QLineEdit>("edClientName").text(), QString("Client 3"));
    EXPECT_EQ(Find<QLineEdit>("edDisplay").text(), QString("№ 8"));
    Find<TPictureButton>("laRight1").clicked();
    EXPECT_EQ(Find<QLineEdit>("edDisplay").text(), QString("№ 1"));
    EXPECT_EQ(TIniFile(Ini()).ReadString("ClientDisplay_Client3", "DisplayType", ""),
              std::string("1"));
    Find<TPictureButton>("laLeft1").clicked();
    EXPECT_EQ(Controls().DisplayTag(), 8);
    SelectRow(5);
    EXPECT_EQ(TIniFile(Ini()).ReadString("ClientDisplay_Client6", "DisplayType", ""),
              std::string("1"));
}

TEST_F(MainFormTest, SetupOpensTheSelectedLayoutAndCtrlAltEEndsTheProgram) {
    CreateAndShowWithoutSplash();
    Tick();
    int quitRequests = 0;
    TfmDisplaySetup::SetQuitRequestHandler([&] { ++quitRequests; });
    QString caption;
    // Without a client name the setup button opens nothing.
    Find<TPictureButton>("btSetup").clicked();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    SelectRow(3);
    Find<TPictureButton>("laRight1").clicked(); // type 2
    QTimer::singleShot(0, [&] {
        QWidget* layout = QApplication::activeModalWidget();
        if (layout == nullptr)
            return;
        caption = layout->windowTitle();
        [[maybe_unused]] const bool active = QTest::qWaitForWindowActive(layout);
        QTest::keyClick(layout, Qt::Key_E, Qt::ControlModifier | Qt::AltModifier);
        if (layout->isVisible())
            layout->close(); // the shortcut failed: end the modal run anyway
    });
    Find<TPictureButton>("btSetup").clicked();
    TfmDisplaySetup::SetQuitRequestHandler(nullptr);
    EXPECT_EQ(CurrentDisplayType, 2);
    EXPECT_EQ(caption, QString("Дисплей № 2"));
    EXPECT_EQ(quitRequests, 1);
}

TEST_F(MainFormTest, PlayDisplayOpensEvenWithoutAClientName) {
    CreateAndShowWithoutSplash();
    bool opened = false;
    QTimer::singleShot(0, [&] {
        if (QWidget* layout = QApplication::activeModalWidget()) {
            opened = true;
            layout->close();
        }
    });
    Find<QPushButton>("Button1").click();
    ASSERT_TRUE(opened);
    EXPECT_EQ(CurrentDisplayType, 1);
}

TEST_F(MainFormTest, StopIsRefusedWhileAClientIsConnected) {
    CreateAndShowWithoutSplash();
    const uint16_t port = StartOnFreePort();
    auto client = std::make_unique<TTestClient>(port);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return fmMain_->Server().Clients()->LockList().Count() == 1; }, 5000));
    Find<TPictureButton>("btStop").clicked();
    ASSERT_TRUE(fmMain_->Server().Listening());
    EXPECT_EQ(Find<QWidget>("Indicator_Start").palette().color(QPalette::Window),
              QColor(255, 0, 0));
    client.reset();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return fmMain_->Server().Clients()->LockList().Count() == 0; }, 5000));
    Find<TPictureButton>("Img_Display")
        .clicked(); // the display picture stops the server like btStop
    ASSERT_FALSE(fmMain_->Server().Listening());
    EXPECT_EQ(LogLines().last(), QString("Сервер остановлен "));
    EXPECT_EQ(Find<QWidget>("Indicator_Start").palette().color(QPalette::Window),
              QColor(0, 128, 192));
    EXPECT_EQ(Find<QWidget>("Indicator_Start").toolTip(), QString("Server: Stop"));
}

TEST_F(MainFormTest, StartWithPortTextAbcListensOn5678) {
    // The default port is listened on in a network of the test's own, never the machine's.
    if (!EnterPrivateNetwork())
        GTEST_SKIP() << "a network namespace of its own needs root";
    CreateAndShowWithoutSplash();
    Find<QLineEdit>("edPort").setText("abc");
    Find<TPictureButton>("btStart").clicked();
    EXPECT_TRUE(errors_.isEmpty());
    EXPECT_EQ(fmMain_->Server().Server.BoundPort(), uint16_t{5678});
    EXPECT_EQ(LogLines(), QStringList{"Сервер запущен на порту 5678"});
}

TEST_F(MainFormTest, StartOnABusyPortShowsTheErrorAndStaysStopped) {
    CreateAndShowWithoutSplash();
    TSocketHandle other;
    Sockets::CreateTcpSocket(other);
    Sockets::Bind(other.Get(), "", 0);
    Sockets::Listen(other.Get(), 1);
    uint16_t port = 0;
    Sockets::LocalPort(other.Get(), port);
    Find<QLineEdit>("edPort").setText(QString::number(port));
    Find<TPictureButton>("btStart").clicked();
    EXPECT_EQ(errors_, QStringList{"Could not bind socket. Address and port are already in use."});
    ASSERT_FALSE(fmMain_->Server().Listening());
    ASSERT_TRUE(LogLines().isEmpty());
}

TEST_F(MainFormTest, KickAllWithNothingListedClearsTheNameOnly) {
    CreateAndShowWithoutSplash();
    StartOnFreePort();
    Tick();
    Find<QLineEdit>("edClientName").setText("Client 1");
    const qsizetype lines = LogLines().size();
    Find<TPictureButton>("btKickAll").clicked();
    ASSERT_TRUE(Find<QLineEdit>("edClientName").text().isEmpty());
    EXPECT_EQ(LogLines().size(), lines);
}

TEST_F(MainFormTest, WithoutANotificationAreaMinimisingKeepsTheWindowReachable) {
    CreateAndShowWithoutSplash();
    if (fmMain_->TrayIcon().IsAvailable())
        GTEST_SKIP() << "this desktop has a notification area";
    Find<TPictureButton>("Sb_Min").clicked();
    ASSERT_TRUE(fmMain_->isMinimized() || fmMain_->windowState().testFlag(Qt::WindowMinimized));
    ASSERT_FALSE(fmMain_->TrayIcon().IsVisible());
}

TEST_F(MainFormTest, StartMinimisedHappensOnceAtTheFirstActivation) {
    {
        TKeyStore key;
        key.OpenKey(true);
        key.WriteInteger("MinFormShow", 1);
    }
    CreateAndShowWithoutSplash();
    fmMain_->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return fmMain_->isActiveWindow(); }, 5000));
    Tick();
    ASSERT_FALSE(fmMain_->FirstActivationPending);
    ASSERT_TRUE(fmMain_->isMinimized() || !fmMain_->isVisible());
    fmMain_->showNormal();
    fmMain_->activateWindow();
    Tick();
    ASSERT_TRUE(fmMain_->isVisible() && !fmMain_->isMinimized());
}

// Every text of the language list lands in a control the real window has, with the property
// it is meant for; a renamed control or one that lost its text property shows here.
TEST_F(MainFormTest, EveryLanguageTextReachesAControlOfTheWindow) {
    Create();
    for (const int language : {LanguageTable::English, LanguageTable::Russian}) {
        fmHelp_->ApplyLanguage(language, *fmMain_);
        std::map<std::pair<std::string, TLanguageTarget>, std::string> last;
        for (const TLanguageAssignment& a : LanguageTable::Assignments(fmHelp_->Table()))
            last[{std::string(a.Control), a.Target}] = a.Text;
        ASSERT_GE(last.size(), 30u);
        for (const auto& [key, text] : last) {
            const auto& [name, target] = key;
            const QObject* control = fmMain_->findChild<QObject*>(QString::fromStdString(name));
            ASSERT_NE(control, nullptr) << name;
            const char* property = target == TLanguageTarget::Caption ? "text" : "toolTip";
            EXPECT_EQ(control->property(property).toString(), QString::fromStdString(text))
                << name << " " << property << " in language " << language;
        }
    }
    EXPECT_EQ(Find<QWidget>("Lbl_Title_2").property("text").toString(), QString("Настройки"));
    EXPECT_EQ(Find<TPictureButton>("Sb_Min").toolTip(), QString("Свернуть программу в Tray"));
    EXPECT_EQ(Find<QAction>("TrayMenu_2").text(), QString("Сервер: Стоп"));
    EXPECT_EQ(Find<QLineEdit>("Edit_Lang").text(), QString("Русский"));
    fmHelp_->ApplyLanguage(LanguageTable::English, *fmMain_);
    EXPECT_EQ(Find<TPictureButton>("Sb_Close").toolTip(), QString("Exit the program"));
    EXPECT_EQ(Find<QAction>("TrayMenu_1").toolTip(), QString("Server: Start"));
    EXPECT_EQ(Find<TPictureButton>("Cb_AutoRun").toolTip(),
              QString("Autorun program at the start of Windows"));
}

TEST_F(MainFormTest, LanguageSwitchAppliesAndSavesAtOnce) {
    CreateAndShowWithoutSplash();
    EXPECT_EQ(Find<QWidget>("Lbl_Title_1").property("text").toString(), QString("Server"));
    Find<TPictureButton>("Sb_Lang_Down").clicked();
    EXPECT_EQ(Find<QLineEdit>("Edit_Lang").text(), QString("Русский"));
    EXPECT_EQ(Find<QLabel>("Lbl1").text(), QString("Сетевые клиенты:"));
    EXPECT_EQ(Find<QAction>("TrayMenu_5").text(), QString("Выйти из программы"));
    TKeyStore key;
    ASSERT_TRUE(key.OpenKey(false));
    EXPECT_EQ(key.ReadInteger("Languare"), 1);
}

TEST_F(MainFormTest, HelpAndWebLinksFollowTheLanguage) {
    TUrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "Open");
    QDesktopServices::setUrlHandler("https", &catcher, "Open");
    TTempDir current;
    const QString oldCurrent = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(current.Path()));
    CreateAndShowWithoutSplash();
    Find<TPictureButton>("Sb_Help").clicked(); // no help file anywhere: nothing happens
    ASSERT_TRUE(catcher.urls.isEmpty());
    FileIo::WriteAtomically(program_->File("Help_r.txt"), "руководство");
    Find<TPictureButton>("Sb_Lang_Up").clicked();
    Find<TPictureButton>("Sb_Help").clicked();
    Find<TPictureButton>("Sb_Internet").clicked();
    Find<QAction>("TrayMenu_4").trigger();
    QDesktopServices::unsetUrlHandler("file");
    QDesktopServices::unsetUrlHandler("https");
    QDir::setCurrent(oldCurrent);
    EXPECT_EQ(catcher.urls.size(), 3);
    EXPECT_EQ(catcher.urls[0].toLocalFile(), QString::fromStdString(program_->File("Help_r.txt")));
    ASSERT_TRUE(catcher.urls[1].toString().endsWith("/index.html"));
    ASSERT_TRUE(catcher.urls[2].toString().endsWith("/russ/velmora/velmora.html"));
}

TEST_F(MainFormTest, OptionTogglesFlipAndRedraw) {
    CreateAndShowWithoutSplash();
    const TPictureList& list = fmMain_->BitmapList_Btn();
    EXPECT_EQ(Find<TPictureButton>("Cb_HintShow").Picture(), list.Picture(Skin::Btn::CheckOn));
    Find<TGradientLabel>("Lbl_HintShow").clicked();
    EXPECT_EQ(fmMain_->Options.HintShow, uint8_t{0});
    EXPECT_EQ(Find<TPictureButton>("Cb_HintShow").Picture(), list.Picture(Skin::Btn::CheckOff));
    Find<TPictureButton>("Cb_AutoRun").clicked();
    EXPECT_EQ(fmMain_->Options.AutoRun, uint8_t{1});
    ASSERT_TRUE(FileIo::Exists(home_->Path() + "/autostart/velmora.desktop"));
    Find<TPictureButton>("Cb_AutoRun").clicked();
    ASSERT_FALSE(FileIo::Exists(home_->Path() + "/autostart/velmora.desktop"));
}

TEST_F(MainFormTest, ClosingWritesTheSettings) {
    CreateAndShowWithoutSplash();
    Find<QLineEdit>("edPort").setText("abc");
    Find<QCheckBox>("cbAutoStart").setChecked(true);
    Find<TPictureButton>("Cb_MinFormShow").clicked();
    fmMain_.reset();
    TIniFile ini(Ini());
    EXPECT_EQ(ini.ReadString("ServerParams", "ServerPort", ""), std::string("5678"));
    EXPECT_EQ(ini.ReadString("ServerParams", "ServerAutoStart", ""), std::string("1"));
    TKeyStore key;
    ASSERT_TRUE(key.OpenKey(false));
    EXPECT_EQ(key.ReadInteger("MinFormShow"), 1);
}

// A program folder the .ini cannot be written to (read-only): said once, in the error box, while
// the window is still there.
TEST_F(MainFormTest, AnIniThatCannotBeWrittenAtTheEndIsToldOnceBeforeTheWindowGoes) {
    ProgramPaths::SetExecutablePath(program_->File("read-only/velmora"));
    CreateAndShowWithoutSplash();
    bool visibleWhenTold = false;
    ErrorBox::SetTestSink([&](const QString& message) {
        errors_.push_back(message);
        visibleWhenTold = fmMain_->isVisible();
    });
    Find<TPictureButton>("Sb_Close").clicked();
    ASSERT_EQ(errors_.size(), 1);
    EXPECT_EQ(errors_[0], QString::fromStdString("Unable to write to " +
                                                 program_->File("read-only/velmora.ini")));
    EXPECT_TRUE(visibleWhenTold);
    fmMain_.reset();
    EXPECT_EQ(errors_.size(), 1) << "told once";
    TKeyStore key;
    ASSERT_TRUE(key.OpenKey(false)) << "the other settings are written all the same";
    EXPECT_EQ(key.ReadInteger("HintShow"), 1);
}

// Ctrl+Alt+E in a layout window ends the program through the main window's close, so the same
// is written and told as by the close button.
TEST_F(MainFormTest, CtrlAltEEndsTheProgramAsTheCloseButtonDoes) {
    ProgramPaths::SetExecutablePath(program_->File("read-only/velmora"));
    CreateAndShowWithoutSplash();
    {
        TfmDisplaySetup layout;
        layout.Action1Execute();
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return !fmMain_->isVisible(); }, 5000));
    EXPECT_EQ(errors_.size(), 1);
}

// A language switch whose save fails is applied, then reported with the value's name.
TEST_F(MainFormTest, ALanguageSwitchThatCannotBeSavedIsAppliedThenReported) {
    CreateAndShowWithoutSplash();
    // A folder where the settings file should be: no write can replace it.
    std::filesystem::remove(TKeyStore::SettingsFileName());
    ASSERT_TRUE(std::filesystem::create_directory(TKeyStore::SettingsFileName()));
    Find<TPictureButton>("Sb_Lang_Up").clicked();
    EXPECT_EQ(Find<QLineEdit>("Edit_Lang").text(), QString("Русский"));
    EXPECT_EQ(errors_, QStringList{"Failed to set data for 'Languare'"});
    // The splash object's save at the end stays silent.
    fmLogo_.reset();
    EXPECT_EQ(errors_.size(), 1);
}

// The real program, ended by SIGTERM as a session logout or a service manager ends it, and by
// SIGHUP as a closing terminal does.
TEST_F(MainFormTest, TerminationSignalsCloseInOrder) {
    for (const int signal : {SIGTERM, SIGHUP})
        EndsInOrderOn(signal);
}

void MainFormTest::EndsInOrderOn(int signal) {
    SCOPED_TRACE(signal);
    const QString program = QString::fromStdString(program_->File("velmora"));
    ASSERT_TRUE(
        QFile::exists(program) ||
        QFile::copy(QString::fromStdString(CheckoutPaths::BuildFile(VELMORA_PROGRAM)), program));
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", QString::fromStdString(home_->Path()));
    environment.insert("HOME", QString::fromStdString(home_->Path()));
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(environment);
    process.start(program, {});
    ASSERT_TRUE(process.waitForStarted());
    // Once the program catches the signal, it must end it in order, splash or not.
    const auto pid = static_cast<pid_t>(process.processId());
    ASSERT_TRUE(QTest::qWaitFor([&] { return ProcessState::CatchesSignal(pid, signal); }, 10000));
    ::kill(pid, signal);
    ASSERT_TRUE(process.waitForFinished(15000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    TIniFile ini(Ini());
    EXPECT_EQ(ini.ReadString("ServerParams", "ServerPort", ""), std::string("5678"));
    TKeyStore key;
    ASSERT_TRUE(key.OpenKey(false));
    EXPECT_EQ(key.ReadInteger("HintShow"), 1);
    EXPECT_EQ(key.ReadInteger("Languare"), 0);
}

} // namespace

#include "MainFormTest.moc"
