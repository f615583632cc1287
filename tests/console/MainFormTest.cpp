// Window tests of the operator's main window, headless, with a throwaway program folder and
// configuration folder for every test.
#include "console/MainForm.h"

#include "common/TempDir.h"
#include "console/Help.h"
#include "layouts/DisplaySetupForm.h"
#include "layouts/LayoutStore.h"
#include "platform/CodePage1251.h"
#include "platform/FileIo.h"
#include "platform/IniFile.h"
#include "platform/KeyStore.h"
#include "platform/ProgramPaths.h"
#include "server/DisplayServer.h"
#include "server/ServerControls.h"
#include "server/TestClient.h"
#include "startup/Logo.h"
#include "widgets/CheckListBox.h"
#include "widgets/ErrorBox.h"
#include "widgets/GradientPanel.h"
#include "widgets/PictureButton.h"
#include "widgets/TrayIcon.h"

#include <QAction>
#include <QCheckBox>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
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

} // namespace

class MainFormTest : public QObject {
    Q_OBJECT

private:
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
    TServerControls& Controls() { return fmMain_->Controls(); }
    uint16_t StartOnFreePort() {
        Controls().edPort->setText("0");
        Controls().btStartClick();
        return fmMain_->Server().Server.BoundPort();
    }
    QStringList LogLines() {
        Tick();
        return fmMain_->meLog->toPlainText().split('\n', Qt::SkipEmptyParts);
    }
    std::unique_ptr<TTestClient> Register(uint16_t port, const std::string& name,
                                          const std::string& source) {
        auto client = std::make_unique<TTestClient>(port, source);
        client->Send(ClientBlock("REGISTER", "d", "", "", name));
        if (!client->Receive())
            return nullptr;
        return client;
    }

private slots:
    void init() {
        program_ = std::make_unique<TTempDir>();
        home_ = std::make_unique<TTempDir>();
        homeGuard_ = std::make_unique<TConfigHomeGuard>(home_->Path());
        ProgramPaths::SetExecutablePath(program_->File("velmora"));
        errors_.clear();
        ErrorBox::SetTestSink([this](const QString& message) { errors_.push_back(message); });
    }

    void cleanup() {
        fmMain_.reset();
        fmHelp_.reset();
        fmLogo_.reset();
        ErrorBox::SetTestSink(nullptr);
        ProgramPaths::SetExecutablePath("");
        homeGuard_.reset();
        home_.reset();
        program_.reset();
    }

    void autoStartListensBeforeShowingWithTheStartLineFirst() {
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
        QVERIFY(fmMain_->Server().Listening());
        QVERIFY(!fmMain_->isVisible());
        const QStringList lines = LogLines();
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines[0], QString("Сервер запущен на порту %1").arg(port));
        fmMain_->SplashDone = true;
        fmMain_->ShowForm();
        QCOMPARE(fmMain_->Indicator_Start->palette().color(QPalette::Window), QColor(255, 0, 0));
        QCOMPARE(fmMain_->Indicator_Start->toolTip(), QString("Server: Start"));
    }

    void firstRunShowsDefaultsAndTheSplashOnce() {
        Create();
        QCOMPARE(Controls().edPort->text(), QString("5678"));
        QVERIFY(!Controls().cbAutoStart->isChecked());
        QCOMPARE(fmMain_->Options.HintShow, uint8_t{1});
        QCOMPARE(fmMain_->Options.MinFormShow, uint8_t{0});
        QVERIFY(fmMain_->meLog->toPlainText().isEmpty());
        QTimer::singleShot(0, fmMain_.get(), &TfmMain::ShowForm);
        QTRY_VERIFY_WITH_TIMEOUT(fmMain_->isVisible(), 10000);
        QVERIFY(fmMain_->SplashDone);
        QCOMPARE(fmLogo_->SplashTicks, 31);
        QCOMPARE(fmMain_->Edit_Lang->text(), QString("English"));
        QCOMPARE(fmMain_->Indicator_Start->palette().color(QPalette::Window), QColor(0, 128, 192));
        // Back from the tray: no second splash, and the window is placed again.
        fmMain_->hide();
        fmMain_->move(300, 300);
        fmMain_->TrayIconDblClick();
        QVERIFY(fmMain_->isVisible());
        QCOMPARE(fmLogo_->SplashTicks, 31);
        QCOMPARE(fmMain_->y(), 10);
    }

    void windowHasTheSteppedOutlineAndControlsInPlace() {
        CreateAndShowWithoutSplash();
        QCOMPARE(fmMain_->size(), QSize(802, 602));
        const QRegion mask = fmMain_->mask();
        QVERIFY(mask.contains(QPoint(6, 1)));
        QVERIFY(!mask.contains(QPoint(5, 1)));
        QVERIFY(mask.contains(QPoint(1, 300)));
        QVERIFY(!mask.contains(QPoint(400, 601)));
        QCOMPARE(fmMain_->Sb_Close->geometry(), QRect(774, 5, 22, 23));
        QCOMPARE(fmMain_->Sb_Help->geometry(), QRect(702, 5, 22, 23));
        QCOMPARE(fmMain_->Indicator_Start->geometry(), QRect(1, 1, 20, 7));
        QCOMPARE(fmMain_->Panel_Indicator_Start->geometry(), QRect(750, 37, 22, 9));
        QCOMPARE(fmMain_->Edit_Lang->geometry(), QRect(52, 494, 53, 14));
        QCOMPARE(fmMain_->Sb_Lang_Up->geometry(), QRect(30, 490, 17, 21));
        QCOMPARE(fmMain_->Cb_HintShow->pos(), QPoint(422, 470));
        QCOMPARE(fmMain_->meLog->geometry(), QRect(226, 694, 138, 63));
        QVERIFY(!fmMain_->Cb_LogOK->isVisible());
        QVERIFY(Controls().Button1->y() > 601);
        QVERIFY(fmMain_->Label_Title_Name->geometry().topLeft() == QPoint(8, 2));
        const QRect screen = QGuiApplication::primaryScreen()->virtualGeometry();
        QCOMPARE(fmMain_->x(), screen.left() + (screen.width() - 802) / 2);
    }

    void hoverPicturesFollowTheCursorWithStrictEdges() {
        CreateAndShowWithoutSplash();
        const QPoint origin = fmMain_->pos();
        const TPictureList& list = fmMain_->BitmapList_Btn();
        QCursor::setPos(origin + QPoint(785, 15));
        Tick();
        QCOMPARE(fmMain_->Sb_Close->Picture().cacheKey(), list.Picture(6).cacheKey());
        QCursor::setPos(origin + QPoint(774, 15)); // the leftmost column itself
        Tick();
        QCOMPARE(fmMain_->Sb_Close->Picture().cacheKey(), list.Picture(7).cacheKey());
        QCursor::setPos(origin + QPoint(38, 500));
        Tick();
        QCOMPARE(fmMain_->Sb_Lang_Up->Picture().cacheKey(), list.Picture(53).cacheKey());
        QCOMPARE(fmMain_->Sb_Lang_Down->Picture().cacheKey(), list.Picture(50).cacheKey());
    }

    void clientListFollowsTheClientTable() {
        CreateAndShowWithoutSplash();
        const uint16_t port = StartOnFreePort();
        Tick();
        TCheckListBox& list = *Controls().lbClients;
        QCOMPARE(list.RowCount(), 16);
        auto five = Register(port, "Client 5", "127.0.0.2");
        QVERIFY(five);
        Tick();
        QVERIFY(list.IsChecked(4));
        auto stranger = Register(port, "Lobby", "127.0.0.3");
        QVERIFY(stranger);
        auto twoA = Register(port, "Client 2", "127.0.0.4");
        auto twoB = Register(port, "client 2", "127.0.0.5");
        Tick(); // counts differ: rebuilt, the stranger is kicked
        const auto kick = stranger->Receive();
        QVERIFY(kick.has_value());
        QVERIFY(ExchangeBlock::IsCommand(*kick, "KICK"));
        QVERIFY(list.IsChecked(1));
        Tick(); // two clients under one name: rebuilt again, the stranger kicked again
        QVERIFY(stranger->Receive().has_value());
        // The later client of the name is on the row.
        list.SetSelectedRow(1);
        Controls().lbClientsClick();
        QCOMPARE(Controls().edClientName->text(), QString("client 2"));
        five.reset();
        QTRY_VERIFY_WITH_TIMEOUT((Tick(), !list.IsChecked(4)), 5000);
    }

    void selectingAClientStepsAndStoresItsDisplayType() {
        TIniFile(Ini()).WriteInteger("ClientDisplay_Client3", "DisplayType", 8);
        CreateAndShowWithoutSplash();
        Tick();
        QVERIFY(!Controls().edDisplay->isVisible());
        Controls().lbClients->SetSelectedRow(2);
        Controls().lbClientsClick();
        Tick();
        QVERIFY(Controls().edDisplay->isVisible());
        QCOMPARE(Controls().edClientName->text(), QString("Client 3"));
        QCOMPARE(Controls().edDisplay->text(), QString("№ 8"));
        Controls().laRight1Click();
        QCOMPARE(Controls().edDisplay->text(), QString("№ 1"));
        QCOMPARE(TIniFile(Ini()).ReadString("ClientDisplay_Client3", "DisplayType", ""),
                 std::string("1"));
        Controls().laLeft1Click();
        QCOMPARE(Controls().DisplayTag(), 8);
        Controls().lbClients->SetSelectedRow(5);
        Controls().lbClientsClick();
        QCOMPARE(TIniFile(Ini()).ReadString("ClientDisplay_Client6", "DisplayType", ""),
                 std::string("1"));
    }

    void setupOpensTheSelectedLayoutAndCtrlAltEEndsTheProgram() {
        CreateAndShowWithoutSplash();
        Tick();
        int quitRequests = 0;
        TfmDisplaySetup::SetQuitRequestHandler([&] { ++quitRequests; });
        QString caption;
        // Without a client name the setup button opens nothing.
        Controls().btSetupClick();
        QCOMPARE(QApplication::activeModalWidget(), nullptr);

        Controls().lbClients->SetSelectedRow(3);
        Controls().lbClientsClick();
        Controls().laRight1Click(); // type 2
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
        Controls().btSetupClick();
        TfmDisplaySetup::SetQuitRequestHandler(nullptr);
        QCOMPARE(CurrentDisplayType, 2);
        QCOMPARE(caption, QString("Дисплей № 2"));
        QCOMPARE(quitRequests, 1);
    }

    void playDisplayOpensEvenWithoutAClientName() {
        CreateAndShowWithoutSplash();
        bool opened = false;
        QTimer::singleShot(0, [&] {
            if (QWidget* layout = QApplication::activeModalWidget()) {
                opened = true;
                layout->close();
            }
        });
        Controls().Button1->click();
        QVERIFY(opened);
        QCOMPARE(CurrentDisplayType, 1);
    }

    void stopIsRefusedWhileAClientIsConnected() {
        CreateAndShowWithoutSplash();
        const uint16_t port = StartOnFreePort();
        auto client = std::make_unique<TTestClient>(port);
        QTRY_VERIFY(fmMain_->Server().Clients()->LockList().Count() == 1);
        Controls().btStopClick();
        QVERIFY(fmMain_->Server().Listening());
        QCOMPARE(fmMain_->Indicator_Start->palette().color(QPalette::Window), QColor(255, 0, 0));
        client.reset();
        QTRY_VERIFY(fmMain_->Server().Clients()->LockList().Count() == 0);
        Controls().Img_Display->clicked(); // the display picture stops the server like btStop
        QVERIFY(!fmMain_->Server().Listening());
        QCOMPARE(LogLines().last(), QString("Сервер остановлен "));
        QCOMPARE(fmMain_->Indicator_Start->palette().color(QPalette::Window), QColor(0, 128, 192));
        QCOMPARE(fmMain_->Indicator_Start->toolTip(), QString("Server: Stop"));
    }

    void startWithPortTextAbcListensOn5678() {
        CreateAndShowWithoutSplash();
        Controls().edPort->setText("abc");
        Controls().btStart->clicked();
        if (!errors_.isEmpty())
            QSKIP("port 5678 is in use on this machine");
        QCOMPARE(fmMain_->Server().Server.BoundPort(), uint16_t{5678});
        QCOMPARE(LogLines(), QStringList{"Сервер запущен на порту 5678"});
    }

    void startOnABusyPortShowsTheErrorAndStaysStopped() {
        CreateAndShowWithoutSplash();
        TSocketHandle other;
        Sockets::CreateTcpSocket(other);
        Sockets::Bind(other.Get(), "", 0);
        Sockets::Listen(other.Get(), 1);
        uint16_t port = 0;
        Sockets::LocalPort(other.Get(), port);
        Controls().edPort->setText(QString::number(port));
        Controls().btStart->clicked();
        QCOMPARE(errors_,
                 QStringList{"Could not bind socket. Address and port are already in use."});
        QVERIFY(!fmMain_->Server().Listening());
        QVERIFY(LogLines().isEmpty());
    }

    void kickAllWithNothingListedClearsTheNameOnly() {
        CreateAndShowWithoutSplash();
        StartOnFreePort();
        Tick();
        Controls().edClientName->setText("Client 1");
        const int lines = LogLines().size();
        Controls().btKickAll->clicked();
        QVERIFY(Controls().edClientName->text().isEmpty());
        QCOMPARE(LogLines().size(), lines);
    }

    void withoutANotificationAreaMinimisingKeepsTheWindowReachable() {
        if (TTrayIcon::IsAvailable())
            QSKIP("this desktop has a notification area");
        CreateAndShowWithoutSplash();
        fmMain_->Sb_Min->clicked();
        QVERIFY(fmMain_->isMinimized() || fmMain_->windowState().testFlag(Qt::WindowMinimized));
        QVERIFY(!fmMain_->TrayIcon().IsVisible());
    }

    void startMinimisedHappensOnceAtTheFirstActivation() {
        {
            TKeyStore key;
            key.OpenKey(true);
            key.WriteInteger("MinFormShow", 1);
        }
        CreateAndShowWithoutSplash();
        fmMain_->activateWindow();
        QTRY_VERIFY(fmMain_->isActiveWindow());
        Tick();
        QVERIFY(!fmMain_->FirstActivationPending);
        QVERIFY(fmMain_->isMinimized() || !fmMain_->isVisible());
        fmMain_->showNormal();
        fmMain_->activateWindow();
        Tick();
        QVERIFY(fmMain_->isVisible() && !fmMain_->isMinimized());
    }

    void languageSwitchAppliesAndSavesAtOnce() {
        CreateAndShowWithoutSplash();
        QCOMPARE(fmMain_->Lbl_Title_1->property("text").toString(), QString("Server"));
        fmMain_->Sb_Lang_Down->clicked();
        QCOMPARE(fmMain_->Edit_Lang->text(), QString("Русский"));
        QCOMPARE(Controls().Lbl1->text(), QString("Сетевые клиенты:"));
        QCOMPARE(fmMain_->TrayMenu_5->text(), QString("Выйти из программы"));
        TKeyStore key;
        QVERIFY(key.OpenKey(false));
        QCOMPARE(key.ReadInteger("Languare"), 1);
    }

    void helpAndWebLinksFollowTheLanguage() {
        TUrlCatcher catcher;
        QDesktopServices::setUrlHandler("file", &catcher, "Open");
        QDesktopServices::setUrlHandler("https", &catcher, "Open");
        TTempDir current;
        const QString oldCurrent = QDir::currentPath();
        QDir::setCurrent(QString::fromStdString(current.Path()));
        CreateAndShowWithoutSplash();
        fmMain_->Sb_Help->clicked(); // no help file anywhere: nothing happens
        QVERIFY(catcher.urls.isEmpty());
        FileIo::WriteAtomically(program_->File("Help_r.txt"), "руководство");
        fmMain_->Sb_Lang_Up->clicked();
        fmMain_->Sb_Help->clicked();
        fmMain_->Sb_Internet->clicked();
        fmMain_->TrayMenu_4->trigger();
        QDesktopServices::unsetUrlHandler("file");
        QDesktopServices::unsetUrlHandler("https");
        QDir::setCurrent(oldCurrent);
        QCOMPARE(catcher.urls.size(), 3);
        QCOMPARE(catcher.urls[0].toLocalFile(),
                 QString::fromStdString(program_->File("Help_r.txt")));
        QVERIFY(catcher.urls[1].toString().endsWith("/index.html"));
        QVERIFY(catcher.urls[2].toString().endsWith("/russ/velmora/velmora.html"));
    }

    void optionTogglesFlipAndRedraw() {
        CreateAndShowWithoutSplash();
        const TPictureList& list = fmMain_->BitmapList_Btn();
        QCOMPARE(fmMain_->Cb_HintShow->Picture().cacheKey(), list.Picture(22).cacheKey());
        fmMain_->Lbl_HintShow->clicked();
        QCOMPARE(fmMain_->Options.HintShow, uint8_t{0});
        QCOMPARE(fmMain_->Cb_HintShow->Picture().cacheKey(), list.Picture(21).cacheKey());
        fmMain_->Cb_AutoRun->clicked();
        QCOMPARE(fmMain_->Options.AutoRun, uint8_t{1});
        QVERIFY(FileIo::Exists(home_->Path() + "/autostart/velmora.desktop"));
        fmMain_->Cb_AutoRun->clicked();
        QVERIFY(!FileIo::Exists(home_->Path() + "/autostart/velmora.desktop"));
    }

    void closingWritesTheSettings() {
        CreateAndShowWithoutSplash();
        Controls().edPort->setText("abc");
        Controls().cbAutoStart->setChecked(true);
        fmMain_->Cb_MinFormShow->clicked();
        fmMain_.reset();
        TIniFile ini(Ini());
        QCOMPARE(ini.ReadString("ServerParams", "ServerPort", ""), std::string("5678"));
        QCOMPARE(ini.ReadString("ServerParams", "ServerAutoStart", ""), std::string("1"));
        TKeyStore key;
        QVERIFY(key.OpenKey(false));
        QCOMPARE(key.ReadInteger("MinFormShow"), 1);
    }

    // The real program, ended by SIGTERM as a session logout or a service manager ends it.
    void terminationSignalClosesInOrder() {
        const QString program = QString::fromStdString(program_->File("velmora"));
        QVERIFY(QFile::copy(QStringLiteral(VELMORA_PROGRAM), program));
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", QString::fromStdString(home_->Path()));
        environment.insert("HOME", QString::fromStdString(home_->Path()));
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(environment);
        process.start(program, {});
        QVERIFY(process.waitForStarted());
        QTest::qWait(1000);
        process.terminate();
        QVERIFY(process.waitForFinished(15000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        TIniFile ini(Ini());
        QCOMPARE(ini.ReadString("ServerParams", "ServerPort", ""), std::string("5678"));
        TKeyStore key;
        QVERIFY(key.OpenKey(false));
        QCOMPARE(key.ReadInteger("HintShow"), 1);
        QCOMPARE(key.ReadInteger("Languare"), 0);
    }
};

QTEST_MAIN(MainFormTest)
#include "MainFormTest.moc"
