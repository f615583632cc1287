#include "LayoutUiFixture.h"
#include "common/ResourceLevels.h"
#include "layoutview/DisplayTextBox.h"
#include "layoutview/ExPanel.h"
#include "layoutview/PanelColor.h"
#include "layoutview/PictureBox.h"
#include "layoutview/VideoPlayer.h"
#include "media/VideoEngine.h"
#include "platform/CodePage1251.h"

#include <QContextMenuEvent>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using TMode = TfmDisplaySetup::TMode;

class DisplaySetupFormTest : public LayoutUiTest {
protected:
    static QRect Geometry(const TDisplayTextBox& box) {
        const QWidget* control = box.EditControl() != nullptr
                                     ? static_cast<const QWidget*>(box.EditControl())
                                     : box.StaticControl();
        return control->geometry();
    }
    static QImage Shot(QWidget& widget) { return widget.grab().toImage(); }

    // A black pixel at (x, y) or beside it: line drawing may step a pixel either way.
    static bool BlackNear(const QImage& image, int x, int y) {
        for (int dx = -1; dx <= 1; ++dx) {
            if (image.pixelColor(x + dx, y) == QColor(Qt::black))
                return true;
        }
        return false;
    }

    // Types text key by key, as a keyboard with any layout does.
    static void Type(QWidget* widget, const QString& text) {
        for (const QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QCoreApplication::sendEvent(widget, &press);
            QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
            QCoreApplication::sendEvent(widget, &release);
        }
    }

    // Opens the picture box's context menu as the operator's right click does.
    void RightClick(QWidget& widget) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                                widget.mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(&widget, &event);
    }

    QString SaveJpeg(const std::string& name) {
        QImage image(40, 20, QImage::Format_RGB32);
        image.fill(Qt::red);
        const QString path = TempFile(name);
        EXPECT_TRUE(image.save(path, "JPG"));
        return path;
    }
};

TEST_F(DisplaySetupFormTest, TypeFourInEditModeAt800x660) {
    TfmDisplaySetup& w = Open(TMode::Edit, 4);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Дисплей № 4"));
    EXPECT_EQ(w.frameGeometry().size(), QSize(800, 660));
    // Inside the window's frame: top strip, main area, column, bottom strip, button bar.
    const int width = w.width();
    const int height = w.height();
    ASSERT_EQ(w.Panels.size(), 4u);
    ASSERT_EQ(w.TextBoxes.size(), 6u);
    ASSERT_EQ(w.MediaPlayers.size(), 1u);
    EXPECT_TRUE(w.Images.empty());
    const TExPanel& top = *w.Panels[0];
    const TExPanel& main = *w.Panels[1];
    const TExPanel& column = *w.Panels[2];
    const TExPanel& bottom = *w.Panels[3];
    EXPECT_EQ(top.geometry(), QRect(0, 0, width, 80));
    EXPECT_EQ(w.Panel1->geometry(), QRect(0, height - 60, width, 60));
    EXPECT_EQ(bottom.geometry(), QRect(0, height - 140, width, 80));
    EXPECT_EQ(column.geometry(), QRect(width - 300, 80, 300, height - 220));
    EXPECT_EQ(main.geometry(), QRect(0, 80, width - 300, height - 220));

    for (int k = 0; k < 4; ++k) {
        const TDisplayTextBox& box = *w.TextBoxes[static_cast<size_t>(k) + 1];
        ASSERT_NE(box.EditControl(), nullptr);
        EXPECT_EQ(box.EditControl()->parentWidget(), &column);
        EXPECT_EQ(Geometry(box).width(), 240);
        EXPECT_EQ(Geometry(box).top(), 10 + 50 * k);
        EXPECT_EQ(Geometry(box).left(), 30);
        EXPECT_EQ(box.EditControl()->font().pointSize(), 16);
    }
    const QRect topBox = Geometry(*w.TextBoxes[0]);
    const int stripBoxWidth = static_cast<int>(std::lround(0.8 * width));
    EXPECT_EQ(topBox.width(), stripBoxWidth);
    EXPECT_EQ(topBox.left(), width / 2 - stripBoxWidth / 2);
    EXPECT_EQ(topBox.top(), 40 - topBox.height() / 2);
    EXPECT_EQ(w.TextBoxes[0]->EditControl()->font().pointSize(), 18);
    EXPECT_EQ(Geometry(*w.TextBoxes[5]).width(), stripBoxWidth);
    EXPECT_EQ(w.TextBoxes[5]->EditControl()->parentWidget(), &bottom);

    // The main area: raised bevel, the video's path as caption, a black cross.
    EXPECT_EQ(main.BevelOuter(), TExPanel::TBevel::Raised);
    EXPECT_EQ(main.Caption(), QString::fromStdString(dir.File("data/1.avi")));
    EXPECT_EQ(top.BevelOuter(), TExPanel::TBevel::None);
    const QImage shot = Shot(*w.Panels[1]);
    const int right = main.width() - 1;
    const int lowest = main.height() - 1;
    for (int y : {5, lowest / 3, lowest - 5}) {
        const int x = y * right / lowest;
        EXPECT_TRUE(BlackNear(shot, x, y)) << x << ", " << y;
        EXPECT_TRUE(BlackNear(shot, right - x, y)) << right - x << ", " << y;
    }
    EXPECT_EQ(shot.pixelColor(right / 2, lowest / 4), PanelColor);
    // Text strips and the column carry no cross.
    const QImage columnShot = Shot(*w.Panels[2]);
    EXPECT_EQ(columnShot.pixelColor(5, 5), PanelColor);
    EXPECT_EQ(columnShot.pixelColor(150, 300), PanelColor);
    // In Edit mode nothing plays.
    EXPECT_EQ(w.MediaPlayers[0]->Mode(), TVideoPlayer::TMode::NotReady);
    EXPECT_TRUE(w.Panel1->isVisible());
    EXPECT_EQ(w.Button1->text(), "Save");
    EXPECT_EQ(w.Button1->geometry(), QRect(328, 12, 75, 25));
    EXPECT_EQ(w.Button2->text(), "Close");
    EXPECT_EQ(w.Button2->geometry(), QRect(408, 12, 75, 25));
}

TEST_F(DisplaySetupFormTest, WideningStretchesTheStripsButNotTheColumn) {
    TfmDisplaySetup& w = Open(TMode::Edit, 4);
    w.resize(1000, 700);
    QCoreApplication::processEvents();
    EXPECT_EQ(w.Panels[0]->width(), 1000);
    EXPECT_EQ(Geometry(*w.TextBoxes[0]).width(), 800);
    EXPECT_EQ(Geometry(*w.TextBoxes[0]).left(), 100);
    EXPECT_EQ(Geometry(*w.TextBoxes[5]).width(), 800);
    EXPECT_EQ(Geometry(*w.TextBoxes[5]).left(), 100);
    EXPECT_EQ(w.Panels[2]->geometry(), QRect(700, 80, 300, 480));
    for (size_t n = 1; n <= 4; ++n) {
        EXPECT_EQ(Geometry(*w.TextBoxes[n]).width(), 240);
        EXPECT_EQ(Geometry(*w.TextBoxes[n]).left(), 30);
    }
    EXPECT_EQ(w.Panels[3]->geometry(), QRect(0, 560, 1000, 80));
}

TEST_F(DisplaySetupFormTest, PlayModeShowsStaticTextsWithoutBarCrossOrCaption) {
    TfmDisplaySetup& w = Open(TMode::Play, 8);
    // 816 x 638 outside, the frame included; inside it the strips and the main area.
    EXPECT_EQ(w.frameGeometry().size(), QSize(816, 638));
    const int width = w.width();
    const int height = w.height();
    EXPECT_FALSE(w.Panel1->isVisible());
    ASSERT_EQ(w.TextBoxes.size(), 6u);
    for (const auto& box : w.TextBoxes) {
        EXPECT_EQ(box->Kind(), TDisplayTextBox::StaticKind);
        EXPECT_EQ(box->EditControl(), nullptr);
        ASSERT_NE(box->StaticControl(), nullptr);
    }
    EXPECT_EQ(w.Panels[3]->geometry(), QRect(0, height - 80, width, 80)); // at the bottom edge
    EXPECT_EQ(w.Panels[1]->Caption(), QString());
    EXPECT_EQ(w.Panels[1]->BevelOuter(), TExPanel::TBevel::None);
    // The default picture shows inset by 20 pixels, drawn from the top-left.
    ASSERT_EQ(w.Images.size(), 1u);
    EXPECT_EQ(w.Images[0]->geometry(), QRect(20, 20, width - 300 - 40, height - 160 - 40));
    EXPECT_EQ(w.Images[0]->Picture().Size(), QSizeF(320, 240));
    const QImage shot = Shot(*w.Panels[1]);
    EXPECT_EQ(shot.pixelColor(10, 10), PanelColor); // margin: no cross in Play mode
    EXPECT_NE(shot.pixelColor(30, 30), PanelColor); // the picture
}

TEST_F(DisplaySetupFormTest, TextsAndVideoSurviveSaveAndReopen) {
    {
        TfmDisplaySetup& w = Open(TMode::Edit, 4, "Client 7");
        Type(w.TextBoxes[0]->EditControl(), QStringLiteral("Скидки"));
        for (size_t n = 1; n < 6; ++n)
            w.TextBoxes[n]->EditControl()->setText(QStringLiteral("text %1").arg(n));
        TOpenDialog::SetNextFileName(TempFile("clips/spring.avi"));
        w.N1->trigger();
        EXPECT_EQ(w.Panels[1]->Caption(), TempFile("clips/spring.avi"));
        QTest::mouseClick(w.Button1, Qt::LeftButton);
        EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
    }
    const std::string section = "DisplayParams_Client7_4";
    EXPECT_EQ(IniValue(section, "Edits_0_Text"), "\xd1\xea\xe8\xe4\xea\xe8"); // Windows-1251
    EXPECT_EQ(IniValue(section, "MediaPlayers_0_FileName"), dir.File("clips/spring.avi"));

    TfmDisplaySetup& again = Open(TMode::Edit, 4, "Client 7");
    EXPECT_EQ(again.TextBoxes[0]->EditControl()->text(), QStringLiteral("Скидки"));
    EXPECT_EQ(again.TextBoxes[3]->EditControl()->text(), "text 3");
    EXPECT_EQ(again.MediaPlayers[0]->FileName(), dir.File("clips/spring.avi"));
    EXPECT_EQ(again.Panels[1]->Caption(), TempFile("clips/spring.avi"));
}

TEST_F(DisplaySetupFormTest, AChosenPictureShowsAtOnceAndSurvivesSaveAndReopen) {
    const QString jpeg = SaveJpeg("shop.jpg");
    {
        TfmDisplaySetup& w = Open(TMode::Edit, 8, "Client 2");
        EXPECT_EQ(w.Panels[1]->Caption(), QString::fromStdString(dir.File("data/1.bmp")));
        RightClick(*w.Images[0]);
        EXPECT_EQ(w.PopupPictureBox(), w.Images[0]);
        TOpenDialog::SetNextFileName(jpeg);
        w.N2->trigger();
        w.pmPicture->hide();
        EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
        EXPECT_EQ(w.Images[0]->Picture().Size(), QSizeF(40, 20));
        EXPECT_EQ(w.ImageFileNames[0], jpeg.toStdString());
        EXPECT_EQ(w.Panels[1]->Caption(), jpeg);
        w.btSaveClick();
    }
    EXPECT_EQ(IniValue("DisplayParams_Client2_8", "Images_0_FileName"), jpeg.toStdString());
    TfmDisplaySetup& again = Open(TMode::Edit, 8, "Client 2");
    EXPECT_EQ(again.ImageFileNames[0], jpeg.toStdString());
    EXPECT_EQ(again.Images[0]->Picture().Size(), QSizeF(40, 20));
}

TEST_F(DisplaySetupFormTest, AFirstSaveWritesTheDefaultsAndTypesKeepSeparateSections) {
    Open(TMode::Edit, 8, "Hall").btSaveClick();
    Open(TMode::Edit, 5, "Hall").btSaveClick();
    Open(TMode::Edit, 1, "Hall").btSaveClick();
    EXPECT_EQ(IniValue("DisplayParams_Hall_8", "Images_0_FileName"), dir.File("data/1.bmp"));
    EXPECT_EQ(IniValue("DisplayParams_Hall_8", "Edits_5_Text"), "");
    EXPECT_EQ(IniValue("DisplayParams_Hall_5", "Images_0_FileName"), dir.File("data/1.bmp"));
    EXPECT_EQ(IniValue("DisplayParams_Hall_5", "Edits_0_Text"), "<missing>");
    EXPECT_EQ(IniValue("DisplayParams_Hall_1", "MediaPlayers_0_FileName"), dir.File("data/1.avi"));
    // A display type without a layout has nothing to save.
    Open(TMode::Edit, 0, "Hall").btSaveClick();
    EXPECT_FALSE(TIniFile(ProgramPaths::IniPath()).SectionExists("DisplayParams_Hall_0"));
    EXPECT_TRUE(form->Panels.empty());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Дисплей № 0"));
}

TEST_F(DisplaySetupFormTest, SectionNamesDropTheSpacesOfTheClientName) {
    TfmDisplaySetup& w = Open(TMode::Edit, 3, "  Big  Hall 2 ");
    w.TextBoxes[0]->SetText("spaced");
    w.btSaveClick();
    EXPECT_EQ(IniValue("DisplayParams_BigHall2_3", "Edits_0_Text"), "spaced");
    TfmDisplaySetup& same = Open(TMode::Edit, 3, "BigHall2");
    EXPECT_EQ(same.TextBoxes[0]->Text(), "spaced");
}

TEST_F(DisplaySetupFormTest, AFailedSaveIsShownAndTheWindowStaysAsItWas) {
    TfmDisplaySetup& w = Open(TMode::Edit, 2);
    w.TextBoxes[0]->SetText("kept");
    FileIo::MakeFolders(ProgramPaths::IniPath()); // a folder where the .ini should be
    w.Button1->click();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors[0], QStringLiteral("Unable to write to %1")
                             .arg(QString::fromStdString(ProgramPaths::IniPath())));
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.TextBoxes[0]->Text(), "kept");
}

TEST_F(DisplaySetupFormTest, RefusedPicturesChangeNothing) {
    TfmDisplaySetup& w = Open(TMode::Edit, 5);
    const std::string before = w.ImageFileNames[0];
    RightClick(*w.Images[0]);

    TOpenDialog::SetNextFileName(TempFile("poster.png"));
    w.N2->trigger();
    TOpenDialog::SetNextFileName(TempFile("gone.jpg"));
    w.N2->trigger();
    ASSERT_EQ(errors.size(), 2);
    EXPECT_EQ(errors[0], "Unknown picture file extension (.png)");
    EXPECT_TRUE(
        errors[1].startsWith(QStringLiteral("Cannot open file \"%1\"").arg(TempFile("gone.jpg"))))
        << errors[1].toStdString();

    TOpenDialog::SetNextCancel();
    w.N2->trigger();
    EXPECT_EQ(errors.size(), 2);
    EXPECT_EQ(w.ImageFileNames[0], before);
    EXPECT_EQ(w.Panels[0]->Caption(), QString::fromStdString(before));
    EXPECT_EQ(w.Images[0]->Picture().Size(), QSizeF(320, 240));
    w.pmPicture->hide();
}

TEST_F(DisplaySetupFormTest, CancellingTheVideoDialogChangesNothing) {
    TfmDisplaySetup& w = Open(TMode::Edit, 1);
    const std::string before = w.MediaPlayers[0]->FileName();
    TOpenDialog::SetNextCancel();
    const int shown = TOpenDialog::ExecuteCount();
    w.N1->trigger();
    EXPECT_EQ(TOpenDialog::ExecuteCount(), shown + 1);
    EXPECT_EQ(w.MediaPlayers[0]->FileName(), before);
    EXPECT_EQ(w.Panels[0]->Caption(), QString::fromStdString(before));
}

TEST_F(DisplaySetupFormTest, TextsRefuseWhatWindows1251CannotCarry) {
    TfmDisplaySetup& w = Open(TMode::Edit, 2);
    QLineEdit* edit = w.TextBoxes[0]->EditControl();
    Type(edit, QStringLiteral("Цена €5 中 ok"));
    EXPECT_EQ(edit->text(), QStringLiteral("Цена €5  ok"));
    EXPECT_EQ(w.TextBoxes[0]->Text(), CodePage1251::FromUtf8("Цена €5  ok").value());
}

TEST_F(DisplaySetupFormTest, TypeNineFollowsEveryResize) {
    TfmDisplaySetup& w = Open(TMode::Edit, 9);
    ASSERT_EQ(w.Panels.size(), 1u);
    EXPECT_EQ(w.Panels[0]->geometry(), QRect(QPoint(0, 0), w.size()));
    EXPECT_EQ(w.Panels[0]->Caption(), "test");
    w.resize(640, 480);
    QCoreApplication::processEvents();
    EXPECT_EQ(w.Panels[0]->geometry(), QRect(0, 0, 640, 480));
    EXPECT_TRUE(w.TextBoxes.empty());
    EXPECT_TRUE(w.MediaPlayers.empty());
}

TEST_F(DisplaySetupFormTest, FitVideoFitsA320x240ClipIntoA500x450Panel) {
    TfmDisplaySetup& w = Open(TMode::Edit, 1);
    TExPanel panel(&w);
    panel.resize(500, 450);
    TVideoPlayer player;
    player.SetFileName(dir.File("data/1.avi"));
    w.FitVideo(player, panel); // not open: the rectangle stays, panel and caption are set
    EXPECT_EQ(player.DisplayRect(), QRect());
    EXPECT_EQ(player.Display(), &panel);
    EXPECT_EQ(panel.Caption(), QString::fromStdString(dir.File("data/1.avi")));

    player.Open();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !player.NaturalSize().isEmpty(); }, VideoWaitCeilingMs));
    w.FitVideo(player, panel);
    EXPECT_EQ(player.DisplayRect(), QRect(20, 20, 460, 335));

    // A fitted width of exactly 40 leaves nothing to show, not the natural size:
    // s = min(40 / 320, 1000 / 240) = 0.125, W = 40, H = 30.
    panel.resize(40, 1000);
    w.FitVideo(player, panel);
    EXPECT_EQ(player.DisplayRect(), QRect(20, 20, 0, -10));
}

TEST_F(DisplaySetupFormTest, PlayModeLoopsTheClipSilently) {
    TfmDisplaySetup& w = Open(TMode::Play, 4);
    ASSERT_EQ(w.MediaPlayers.size(), 1u);
    TVideoPlayer& player = *w.MediaPlayers[0];
    EXPECT_EQ(player.Volume(), 0);
    EXPECT_EQ(player.Mode(), TVideoPlayer::TMode::Playing);
    EXPECT_EQ(player.Display(), w.Panels[1]);
    // Fitted once the size is known: the main area (816 x 638 outside, less the frame, the
    // strips and the column) is narrower than 4:3, so the 320 x 240 clip takes its width.
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !player.NaturalSize().isEmpty(); }, VideoWaitCeilingMs));
    const QSize main = w.Panels[1]->size();
    ASSERT_LT(main.width() * 240, main.height() * 320);
    EXPECT_EQ(player.DisplayRect(),
              QRect(20, 20, main.width() - 40, qRound(main.width() * 240.0 / 320.0) - 40));

    int passes = 0;
    quint64 boundary = 0;
    QObject::connect(&player.Engine(), &TVideoEngine::PassEnded, &w, [&] {
        ++passes;
        boundary = player.Engine().FrameNumber();
    });
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return passes >= 2 && player.Engine().FrameNumber() > boundary; },
                        VideoWaitCeilingMs));
    EXPECT_EQ(player.Mode(), TVideoPlayer::TMode::Playing);
    EXPECT_EQ(player.Volume(), 0);
    EXPECT_EQ(player.Error(), TVideoPlayer::NoError);
}

// The operator opens Play mode again and again in a day: whatever its video took comes back
// when the window goes.
TEST_F(DisplaySetupFormTest, PlayModeOpenedAndClosedGivesBackWhatItsVideoTook) {
    const auto playOnce = [&](int displayType) {
        TfmDisplaySetup& w = Open(TMode::Play, displayType);
        ASSERT_EQ(w.MediaPlayers.size(), 1u);
        const TVideoEngine& engine = w.MediaPlayers[0]->Engine();
        ASSERT_TRUE(QTest::qWaitFor([&] { return engine.FrameNumber() > 2; }, VideoWaitCeilingMs));
        form.reset();
    };
    playOnce(4);
    const TResourceLevels before = TResourceLevels::Settled();
    for (int n = 0; n < 20; ++n)
        playOnce(1 + n % 4);
    EXPECT_TRUE(before.CameBack());
}

TEST_F(DisplaySetupFormTest, AVideoThatCannotPlayLeavesItsPanelEmpty) {
    TIniFile(ProgramPaths::IniPath())
        .WriteString("DisplayParams_Client1_2", "MediaPlayers_0_FileName", dir.File("none.avi"));
    TIniFile(ProgramPaths::IniPath())
        .WriteString("DisplayParams_Client1_2", "Edits_0_Text", "shown");
    TfmDisplaySetup& w = Open(TMode::Play, 2);
    TVideoPlayer& player = *w.MediaPlayers[0];
    ASSERT_TRUE(QTest::qWaitFor([&] { return player.Mode() == TVideoPlayer::TMode::NotReady; },
                                VideoWaitCeilingMs));
    EXPECT_EQ(player.Error(), TVideoPlayer::CannotOpenError);
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_EQ(w.TextBoxes[0]->StaticControl()->text(), "shown");
    EXPECT_EQ(Shot(*w.Panels[1]).pixelColor(250, 250), PanelColor);
}

// A FIFO without a writer holds whoever opens it for reading. Should the window open it, the
// rescuer below writes after a while, and the test fails instead of hanging.
TEST_F(DisplaySetupFormTest, PlayModeShowsTheWindowAtOnceWithAVideoOnAFifo) {
    const std::string fifo = dir.File("fifo.avi");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    TIniFile(ProgramPaths::IniPath())
        .WriteString("DisplayParams_Client1_2", "MediaPlayers_0_FileName", fifo);
    TIniFile(ProgramPaths::IniPath())
        .WriteString("DisplayParams_Client1_2", "Edits_0_Text", "shown");

    std::mutex lock;
    std::condition_variable changed;
    bool shown = false;
    std::atomic<bool> rescued{false};
    std::thread rescuer([&] {
        std::unique_lock guard(lock);
        if (changed.wait_for(guard, std::chrono::seconds(20), [&] { return shown; }))
            return;
        rescued = true;
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (writer >= 0)
            ::close(writer);
    });
    TfmDisplaySetup& w = Open(TMode::Play, 2);
    {
        const std::lock_guard guard(lock);
        shown = true;
    }
    changed.notify_all();
    rescuer.join();
    EXPECT_FALSE(rescued) << "showing the window waited for the FIFO";
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.TextBoxes[0]->StaticControl()->text(), "shown");
    TVideoPlayer& player = *w.MediaPlayers[0];
    ASSERT_TRUE(QTest::qWaitFor([&] { return player.Mode() == TVideoPlayer::TMode::NotReady; },
                                VideoWaitCeilingMs));
    EXPECT_EQ(player.Error(), TVideoPlayer::CannotOpenError);
    EXPECT_EQ(player.Engine().FailureText(), "It is not a regular file");
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(DisplaySetupFormTest, CtrlAltEEndsTheWindowAndAsksTheProgramToEnd) {
    CurrentDisplayType = 3;
    bool pressed = false;
    bool stillOpen = false;
    QTimer::singleShot(0, [&] {
        auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(modal, nullptr);
        EXPECT_TRUE(QTest::qWaitForWindowActive(modal));
        QTest::keyClick(modal, Qt::Key_E, Qt::ControlModifier | Qt::AltModifier);
        pressed = true;
        if (modal->isVisible()) {
            stillOpen = true; // end the test's modal run anyway
            modal->reject();
        }
    });
    EditDisplayLayout("Client 1"); // returns once the modal run has ended
    EXPECT_TRUE(pressed);
    EXPECT_FALSE(stillOpen);
    EXPECT_EQ(quitRequests, 1);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    const QWidgetList windows = QApplication::topLevelWidgets();
    EXPECT_TRUE(std::none_of(windows.begin(), windows.end(), [](QWidget* widget) {
        return qobject_cast<TfmDisplaySetup*>(widget) != nullptr;
    }));
}

TEST_F(DisplaySetupFormTest, TheCloseButtonClosesWithoutSavingOrEndingTheProgram) {
    CurrentDisplayType = 2;
    bool stillOpen = false;
    QTimer::singleShot(0, [&] {
        auto* window = qobject_cast<TfmDisplaySetup*>(QApplication::activeModalWidget());
        ASSERT_NE(window, nullptr);
        window->TextBoxes[0]->SetText("lost");
        QTest::mouseClick(window->Button2, Qt::LeftButton);
        if (window->isVisible()) {
            stillOpen = true;
            window->reject();
        }
    });
    EditDisplayLayout("Client 9");
    EXPECT_FALSE(stillOpen);
    EXPECT_EQ(quitRequests, 0);
    EXPECT_EQ(IniValue("DisplayParams_Client9_2", "Edits_0_Text"), "<missing>");
}

TEST_F(DisplaySetupFormTest, FreeLayoutDestroysEveryElement) {
    TfmDisplaySetup& w = Open(TMode::Edit, 8);
    QPointer<QWidget> picture = w.Images[0];
    QPointer<QWidget> edit = w.TextBoxes[2]->EditControl();
    QPointer<QWidget> panel = w.Panels[2];
    w.FreeLayout();
    EXPECT_TRUE(w.Panels.empty());
    EXPECT_TRUE(w.Images.empty());
    EXPECT_TRUE(w.ImageFileNames.empty());
    EXPECT_TRUE(w.TextBoxes.empty());
    EXPECT_TRUE(w.MediaPlayers.empty());
    EXPECT_TRUE(picture.isNull());
    EXPECT_TRUE(edit.isNull());
    EXPECT_TRUE(panel.isNull());
}

TEST(DisplayTextBoxTest, WithoutAControlEverythingReadsEmpty) {
    QWidget parent;
    TDisplayTextBox box(&parent, 0);
    box.SetWidth(100);
    box.SetText("x");
    EXPECT_EQ(box.Width(), 0);
    EXPECT_EQ(box.Height(), 0);
    EXPECT_EQ(box.Text(), "");
    EXPECT_TRUE(parent.children().isEmpty());
}

TEST(DisplayTextBoxTest, StaticTextsShowOperatorTextLiterally) {
    QWidget parent;
    TDisplayTextBox box(&parent, TDisplayTextBox::StaticKind);
    box.SetText("<b>sale</b>");
    EXPECT_EQ(box.StaticControl()->textFormat(), Qt::PlainText);
    EXPECT_EQ(box.Text(), "<b>sale</b>");
    // The height follows the font, even when the label was empty as the size was set.
    TDisplayTextBox empty(&parent, TDisplayTextBox::StaticKind);
    empty.SetFontSize(18);
    empty.SetText("Sale gjpqy");
    EXPECT_GE(empty.Height(), QFontMetrics(empty.StaticControl()->font()).height());
    QPointer<QLabel> label = box.StaticControl();
    {
        TDisplayTextBox gone(&parent, TDisplayTextBox::EditKind);
        EXPECT_EQ(parent.findChildren<QLineEdit*>().size(), 1);
    }
    EXPECT_TRUE(parent.findChildren<QLineEdit*>().isEmpty());
}

} // namespace
