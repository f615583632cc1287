// The display program against the real server, both in this process, the display's window
// offscreen at the Play mode window's size: what a display shows, and how it comes and goes.
#include "display/ui/DisplayProgram.h"

#include "common/CheckoutPaths.h"
#include "common/FixedClock.h"
#include "common/NotifySocket.h"
#include "common/TempDir.h"
#include "common/WebServers.h"
#include "common/ZoneGuard.h"
#include "display/KeptLayout.h"
#include "display/ui/DisplayView.h"
#include "layouts/LayoutStore.h"
#include "layouts/ui/DisplaySetupForm.h"
#include "layoutview/PanelColor.h"
#include "media/VideoEngine.h"
#include "media/ui/VideoSurface.h"
#include "platform/FileIo.h"
#include "platform/IniFile.h"
#include "platform/ProgramPaths.h"
#include "platform/Wakeup.h"
#include "protocol/KickMessage.h"
#include "protocol/StatusKeys.h"
#include "server/DisplayServer.h"
#include "server/DisplayWatch.h"
#include "server/TestClient.h"

#include <QFile>
#include <QLabel>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>
#include <condition_variable>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>
#include <optional>
#include <poll.h>
#include <thread>

namespace {

// Bounds of the waits below: guards against a hang, never measurements.
constexpr int LayoutWaitMs = 10000;

class DisplayProgramTest : public ::testing::Test {
protected:
    DisplayProgramTest() {
        // Program folder of the display (and of the operator's Play mode in one test), with the
        // default media in its data folder.
        ProgramPaths::SetExecutablePath(dir.File("velmora"));
        FileIo::MakeFolders(dir.File("data"));
        for (const char* file : {"1.bmp", "1.avi"})
            QFile::copy(QString::fromStdString(CheckoutPaths::SourceFile(VELMORA_DATA_FOLDER)) +
                            QLatin1String(file),
                        QString::fromStdString(dir.File("data/") + file));
        TDisplayView::SetReport([this](const std::string& line) { reports.push_back(line); });
        StartServer(0);
        options.Host = "127.0.0.1";
        options.Name = "Client 3";
        options.WindowedWidth = 816;
        options.WindowedHeight = 638;
        options.KickQuietSeconds = 2;
    }
    ~DisplayProgramTest() override {
        program.reset();
        server.reset();
        TDisplayView::SetReport({});
        ProgramPaths::SetExecutablePath("");
    }

    void StartServer(uint16_t port) {
        server = std::make_unique<TDisplayServer>(ini.FileName(), nullptr);
        server->StartListening(port);
        options.Port = server->Server.BoundPort();
    }
    void StartDisplay() {
        program = std::make_unique<TDisplayProgram>(options, dir.File("state/last-layout"));
        program->Start();
    }
    size_t Clients() {
        auto* table = server->Clients();
        return table == nullptr ? 0 : table->LockList().Count();
    }
    // What the operator's refresh button sends to every connected display.
    void Refresh() {
        auto clients = server->Clients()->LockList();
        for (const auto& entry : clients) {
            const TExchangeBlock block = server->DisplayTypeBlockFor(*entry);
            SendTo(*entry, block);
        }
    }
    bool Shows(int displayType) {
        return QTest::qWaitFor(
            [&] {
                const TDisplayView* view = program->Window().ShownView();
                return view != nullptr && view->Content().DisplayType == displayType &&
                       view->IsReady();
            },
            LayoutWaitMs);
    }
    QImage Screen() { return program->Window().grab().toImage(); }
    void Layout(int displayType, const std::vector<std::string>& texts) {
        ini.WriteInteger("ClientDisplay_Client3", "DisplayType", displayType);
        const std::string section = LayoutStore::SectionName("Client 3", displayType);
        for (size_t n = 0; n < texts.size(); ++n)
            ini.WriteString(section, LayoutStore::TextKey(static_cast<int>(n)), texts[n]);
    }

    TTempDir dir;
    TIniFile ini{dir.File("velmora.ini")};
    std::unique_ptr<TDisplayServer> server;
    TDisplayOptions options;
    std::unique_ptr<TDisplayProgram> program;
    std::vector<std::string> reports;
};

// Pixels of the rectangle that differ from the panel colour.
int Marked(const QImage& image, const QRect& area) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            count += image.pixelColor(x, y) != PanelColor ? 1 : 0;
    }
    return count;
}

TEST_F(DisplayProgramTest, EveryTypeShowsItsStripsColumnAndPictureAndRefreshSwapsIt) {
    Layout(1, {});
    StartDisplay();
    ASSERT_TRUE(Shows(1));
    const std::vector<std::string> texts{"Top", "One", "Two", "Three", "Four", "Bottom"};
    for (int type = 5; type <= 8; ++type) {
        Layout(type, texts);
        Refresh();
        ASSERT_TRUE(Shows(type)) << type;
        const QImage screen = Screen();
        const int variant = (type - 1) % 4;
        const int top = variant >= 1 ? 80 : 0;
        const int bottom = variant >= 3 ? 558 : 638;
        const int right = variant >= 2 ? 516 : 816;
        SCOPED_TRACE(type);
        const auto written = [&](const QRect& area) { return Marked(screen, area) > 0; };
        EXPECT_TRUE(variant < 1 || written(QRect(0, 0, 816, 80))) << "the top strip's text";
        EXPECT_TRUE(variant < 2 || written(QRect(516, 80, 300, 478))) << "the column's texts";
        EXPECT_TRUE(variant < 3 || written(QRect(0, 558, 816, 80))) << "the bottom strip's text";
        // The picture stands 20 pixels inside the main area, the margin in the panel colour.
        EXPECT_EQ(Marked(screen, QRect(0, top, right, 20)), 0);
        EXPECT_EQ(Marked(screen, QRect(0, top, 20, bottom - top)), 0);
        EXPECT_EQ(Marked(screen, QRect(0, bottom - 20, right, 20)), 0);
        EXPECT_EQ(Marked(screen, QRect(right - 20, top, 20, bottom - top)), 0);
        EXPECT_GT(Marked(screen, QRect(20, top + 20, 40, 40)), 1500) << "the picture";
    }
    EXPECT_TRUE(reports.empty());
}

// What the operator's window is handed of the selected display: the pictures decoded, the values.
class TRecordingStatusView : public IDisplayStatusView {
public:
    void ShowStatusArea(bool) override {}
    bool ShowPicture(const std::string& jpeg) override {
        QImage image = QImage::fromData(reinterpret_cast<const uchar*>(jpeg.data()),
                                        static_cast<int>(jpeg.size()), "JPEG");
        if (image.isNull())
            return false;
        pictures.push_back(std::move(image));
        return true;
    }
    void ClearPicture() override {}
    void ShowStatusValues(const std::optional<std::vector<std::string>>& shown) override {
        values = shown;
    }
    void SetRowHint(int, const std::string&) override {}

    std::string Value(std::string_view key) const {
        const auto& keys = StatusKeys::InWindowOrder;
        const auto at = std::find(keys.begin(), keys.end(), key) - keys.begin();
        return values ? (*values)[static_cast<size_t>(at)] : std::string();
    }

    std::vector<QImage> pictures;
    std::optional<std::vector<std::string>> values;
};

bool Near(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
               std::abs(a.blue() - b.blue()) <
           60;
}

// End to end in one process: the display's status and the picture of its screen reach what the
// operator's window shows for its selected client, a playing video as it plays, and the file that
// went missing as the display's last problem.
TEST_F(DisplayProgramTest, TheOperatorSeesWhatTheDisplayShowsAndItsProblem) {
    const QColor magenta(255, 0, 255);
    QImage picture(320, 200, QImage::Format_RGB32);
    picture.fill(magenta);
    ASSERT_TRUE(picture.save(QString::fromStdString(dir.File("data/1.bmp"))));
    TDisplayView::SetReport([this](const std::string& line) { program->Problem(line); });
    TFixedClock clock;
    Layout(5, {"Open"});
    StartDisplay();
    ASSERT_TRUE(Shows(5));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Clients() == 1; }, LayoutWaitMs));
    const uint64_t serial = server->Clients()->LockList().begin()->get()->Serial;
    TRecordingStatusView view;
    TDisplayWatch watch(*server, view, [](std::string) {});
    const auto seen = [&](auto condition) {
        return QTest::qWaitFor(
            [&] {
                watch.Tick({serial}, 0);
                return condition();
            },
            20000);
    };
    ASSERT_TRUE(seen([&] { return !view.pictures.empty() && view.values; }));
    const QImage& first = view.pictures.back();
    EXPECT_TRUE(Near(first.pixelColor(first.width() * 3 / 4, first.height() / 2), magenta));

    // A playing video: the picture is no black frame, and the next one shows it moved on.
    Layout(1, {});
    Refresh();
    ASSERT_TRUE(Shows(1));
    const TVideoEngine& video = *program->Window().ShownView()->Video();
    for (int n = 0; n < 2; ++n) {
        const size_t before = view.pictures.size();
        const uint64_t frame = video.FrameNumber();
        // Apart by a couple of seconds of the video.
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return video.FrameNumber() > frame + 50; }, LayoutWaitMs));
        clock.SetNow(clock.Now() + TDisplayWatch::ShotInterval);
        ASSERT_TRUE(seen([&] { return view.pictures.size() > before; }));
    }
    const QImage& one = view.pictures[view.pictures.size() - 2];
    const QImage& two = view.pictures.back();
    EXPECT_NE(one, two);
    EXPECT_FALSE(Near(two.pixelColor(two.width() / 2, two.height() / 2), Qt::black));

    ASSERT_TRUE(QFile::remove(QString::fromStdString(dir.File("data/1.bmp"))));
    Layout(5, {"Open"});
    Refresh();
    EXPECT_TRUE(seen([&] {
        return view.Value(StatusKeys::Problem).find("1.bmp") != std::string::npos;
    })) << view.Value(StatusKeys::Problem);
}

// Pixels of the colour in the rectangle.
int OfColour(const QImage& image, const QRect& area, const QColor& colour) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            count += image.pixelColor(x, y) == colour ? 1 : 0;
    }
    return count;
}

// The operator's layout names a picture on the operator's machine; the display maps it to the
// operator's web server (nginx), shows it, shows a new one after the refresh, and shows it again
// after a restart with the web server gone.
TEST_F(DisplayProgramTest, AWebMappedPictureShowsIsRefreshedAndOutlivesTheWebServer) {
    if (!TNginxServer::Available())
        GTEST_SKIP() << "nginx is not installed";
    const std::string picture = dir.File("media/Spring ads/ad.bmp");
    FileIo::MakeFolders(dir.File("media/Spring ads"));
    const auto paint = [&](const QColor& colour) {
        QImage image(200, 150, QImage::Format_RGB32);
        image.fill(colour);
        ASSERT_TRUE(image.save(QString::fromStdString(picture + ".new"), "BMP"));
        std::filesystem::rename(picture + ".new", picture);
    };
    paint(Qt::red);
    TNginxServer nginx(dir.File("media"));
    Layout(5, {});
    ini.WriteString(LayoutStore::SectionName("Client 3", 5), LayoutStore::ImageKey(0),
                    "C:\\Media\\Spring ads\\ad.bmp");
    options.Maps = {{"C:\\Media", nginx.Url()}};
    const QRect inside(20, 20, 40, 40);
    const auto showsColour = [&](const QColor& colour) {
        return QTest::qWaitFor(
            [&] { return OfColour(Screen(), inside, colour) == inside.width() * inside.height(); },
            LayoutWaitMs);
    };
    StartDisplay();
    ASSERT_TRUE(showsColour(Qt::red));

    paint(Qt::blue);
    // nginx's validators change by the second: the new picture is a second younger.
    std::filesystem::last_write_time(picture, std::filesystem::file_time_type::clock::now() +
                                                  std::chrono::seconds(2));
    Refresh();
    ASSERT_TRUE(showsColour(Qt::blue));

    nginx.Stop();
    program.reset();
    server.reset();
    StartDisplay();
    ASSERT_TRUE(showsColour(Qt::blue)) << "the kept layout, its picture from the cache";
}

// A new copy of the playing video is not a new layout: the view stays, and the video takes the
// copy renamed over its file at the end of its pass, the last frame standing until then.
TEST_F(DisplayProgramTest, ANewCopyOfThePlayingVideoPlaysFromItsNextLoopWithoutARebuild) {
    if (!TNginxServer::Available())
        GTEST_SKIP() << "nginx is not installed";
    FileIo::MakeFolders(dir.File("media"));
    const std::string clip = dir.File("media/clip.avi");
    const auto place = [&](const std::string& from) {
        std::filesystem::copy_file(from, clip + ".new",
                                   std::filesystem::copy_options::overwrite_existing);
        std::filesystem::rename(clip + ".new", clip);
    };
    place(CheckoutPaths::SourceFile(VELMORA_FORMAT_CLIPS) + "mjpeg.avi");
    TNginxServer nginx(dir.File("media"));
    Layout(1, {});
    ini.WriteString(LayoutStore::SectionName("Client 3", 1), LayoutStore::MediaPlayerKey(0),
                    "C:\\Media\\clip.avi");
    options.Maps = {{"C:\\Media", nginx.Url()}};
    StartDisplay();
    const auto playing = [&] {
        const TDisplayView* view = program->Window().ShownView();
        return view != nullptr && view->Video() != nullptr &&
               view->Video()->State() == TVideoEngine::TState::Playing;
    };
    ASSERT_TRUE(QTest::qWaitFor(playing, LayoutWaitMs));
    const TDisplayView* view = program->Window().ShownView();
    const QSize first = view->Video()->NaturalSize();

    place(dir.File("data/1.avi"));
    QSignalSpy swapped(&program->Window(), &TDisplayWindow::LayoutShown);
    Refresh();
    ASSERT_TRUE(swapped.wait(LayoutWaitMs)) << "the refresh itself shows the layout anew";
    view = program->Window().ShownView();
    ASSERT_TRUE(QTest::qWaitFor(playing, LayoutWaitMs));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return view->Video()->NaturalSize() != first; }, LayoutWaitMs))
        << "the new copy plays";
    EXPECT_EQ(program->Window().ShownView(), view) << "its arrival built no new layout";
    EXPECT_EQ(swapped.count(), 1);
}

// The video types play their video fitted in the main area as the layout window fits it; a video
// that cannot be played leaves the area in the panel colour, and the texts show all the same.
TEST_F(DisplayProgramTest, VideoTypesPlayTheVideoFittedAndABadFileLeavesThePanelColour) {
    Layout(4, {"Top", "One", "Two", "Three", "Four", "Bottom"});
    StartDisplay();
    ASSERT_TRUE(Shows(4));
    const TDisplayView& view = *program->Window().ShownView();
    ASSERT_NE(view.Video(), nullptr);
    const QSize natural = view.Video()->NaturalSize();
    ASSERT_FALSE(natural.isEmpty());
    const auto arrangement = LayoutArrangement::Arrange(4, 816, 638, 1.0);
    const auto fitted =
        LayoutArrangement::VideoRect(arrangement, natural.width(), natural.height());
    ASSERT_TRUE(fitted);
    EXPECT_EQ(view.VideoSurface()->geometry(),
              QRect(fitted->Left, fitted->Top, fitted->Width, fitted->Height));
    QSignalSpy presented(view.VideoSurface(), &TVideoSurface::FramePresented);
    ASSERT_TRUE(presented.wait(LayoutWaitMs));
    const QImage screen = Screen();
    const QRect video(fitted->Left, 80 + fitted->Top, fitted->Width, fitted->Height);
    EXPECT_GT(Marked(screen, video.adjusted(10, 10, -10, -10)), video.width() * video.height() / 2)
        << "the video's picture covers its rectangle";
    EXPECT_EQ(Marked(screen, QRect(0, 80, 516, 20)), 0) << "the margin above the video";

    ini.WriteString(LayoutStore::SectionName("Client 3", 4), LayoutStore::MediaPlayerKey(0),
                    dir.File("missing.avi"));
    QSignalSpy swapped(&program->Window(), &TDisplayWindow::LayoutShown);
    Refresh();
    ASSERT_TRUE(swapped.wait(LayoutWaitMs));
    ASSERT_TRUE(Shows(4));
    const QImage broken = Screen();
    EXPECT_EQ(Marked(broken, QRect(0, 80, 516, 478)), 0) << "the main area in the panel colour";
    EXPECT_GT(Marked(broken, QRect(516, 80, 300, 478)), 0) << "the texts show all the same";
}

// At the Play mode window's size and scale 1 the display is the operator's preview, pixel for
// pixel.
TEST_F(DisplayProgramTest, TheDisplayIsWhatThePlayModePreviewShows) {
    options.Scale = 1;
    Layout(8, {"Fresh bread every morning", "Rye 2.10", "Wheat 1.80", "Rolls 0.40", "Cake 3.50",
               "Open 7 to 19"});
    StartDisplay();
    ASSERT_TRUE(Shows(8));
    const QImage display = Screen();

    CurrentDisplayType = 8;
    TfmDisplaySetup preview;
    preview.Mode = TfmDisplaySetup::TMode::Play;
    preview.LayoutClientName = "Client 3";
    preview.BuildLayout();
    preview.LoadLayout();
    // Compared inside: without a frame, the preview's 816 x 638 outside is all picture.
    preview.setWindowFlag(Qt::FramelessWindowHint);
    preview.resize(816, 638);
    preview.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&preview));
    const QImage play = preview.grab().toImage().convertToFormat(display.format());
    CurrentDisplayType = 1;
    ASSERT_EQ(play.size(), display.size());
    EXPECT_EQ(play, display);
}

TEST_F(DisplayProgramTest, KickKeepsAwayForTheQuietPeriodAndTheLayoutStays) {
    Layout(6, {"Still here"});
    StartDisplay();
    ASSERT_TRUE(Shows(6));
    {
        auto clients = server->Clients()->LockList();
        const TExchangeBlock kick = KickMessage::Make({(*clients.begin())->PeerIP});
        SendTo(**clients.begin(), kick);
    }
    ASSERT_TRUE(WaitFor([&] { return Clients() == 0; }));
    // Within the quiet period the display stays away, and keeps its layout on screen.
    EXPECT_FALSE(WaitFor([&] { return Clients() > 0; }, 1000));
    EXPECT_EQ(program->Window().ShownView()->Content().DisplayType, 6);
    EXPECT_TRUE(WaitFor([&] { return Clients() == 1; }, 10000)) << "back after the quiet period";
}

TEST_F(DisplayProgramTest, AServerStoppedAndStartedAgainGetsItsDisplayBack) {
    Layout(5, {});
    StartDisplay();
    ASSERT_TRUE(Shows(5));
    const uint16_t port = options.Port;
    server->Shutdown();
    server.reset();
    // The layout stays while the server is away.
    QTest::qWait(200);
    ASSERT_NE(program->Window().ShownView(), nullptr);
    EXPECT_EQ(program->Window().ShownView()->Content().DisplayType, 5);
    Layout(7, {"Back"});
    StartServer(port);
    EXPECT_TRUE(Shows(7)) << "registered again on the new connection";
}

TEST_F(DisplayProgramTest, AMessageForItStandsOverTheLayoutForItsTime) {
    options.MessageSeconds = 1;
    Layout(5, {});
    StartDisplay();
    ASSERT_TRUE(Shows(5));
    TTestClient talker(options.Port, "127.0.0.9");
    talker.Send(ClientBlock("MESSAGE", "desk", "Closing in 10 minutes", "client 3"));
    QLabel* banner = program->Window().Banner();
    ASSERT_TRUE(QTest::qWaitFor([&] { return banner->isVisible(); }, LayoutWaitMs));
    EXPECT_EQ(banner->text(), QStringLiteral("Closing in 10 minutes"));
    EXPECT_GT(Marked(Screen(), banner->geometry()), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !banner->isVisible(); }, LayoutWaitMs));
    talker.Send(ClientBlock("MESSAGE", "desk", "For another display", "Client 4"));
    talker.Send(ClientBlock("MESSAGE", "desk", "For everybody", ""));
    ASSERT_TRUE(QTest::qWaitFor([&] { return banner->isVisible(); }, LayoutWaitMs));
    EXPECT_EQ(banner->text(), QStringLiteral("For everybody"));
}

TEST_F(DisplayProgramTest, ARestartWithNoServerShowsTheKeptLayoutAtOnce) {
    Layout(7, {"Kept", "a", "b", "c", "d"});
    StartDisplay();
    ASSERT_TRUE(Shows(7));
    program.reset();
    server.reset(); // nobody listens any more
    StartDisplay();
    ASSERT_TRUE(Shows(7));
    EXPECT_GT(Marked(Screen(), QRect(0, 0, 816, 80)), 0);
    // A display started under another name does not show this slot's layout.
    program.reset();
    options.Name = "Client 4";
    StartDisplay();
    QTest::qWait(100);
    EXPECT_EQ(program->Window().ShownView(), nullptr);
    EXPECT_TRUE(program->Window().Standby()->isVisible());
}

// Without --windowed it takes its whole screen, without a cursor; Ctrl+Alt+E ends it.
TEST_F(DisplayProgramTest, FullScreenWithoutCursorAndCtrlAltEEndsIt) {
    options.WindowedWidth = options.WindowedHeight = 0;
    StartDisplay();
    TDisplayWindow& window = program->Window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(window.isFullScreen());
    EXPECT_EQ(window.geometry(), window.screen()->geometry());
    EXPECT_EQ(window.cursor().shape(), Qt::BlankCursor);
    QTest::keyClick(&window, Qt::Key_E, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }, LayoutWaitMs));
}

TEST_F(DisplayProgramTest, WithoutANameItSaysHowToSetOne) {
    options.Name.clear();
    StartDisplay();
    QLabel* standby = program->Window().Standby();
    EXPECT_TRUE(standby->isVisible());
    EXPECT_TRUE(standby->text().contains(QStringLiteral("--name")));
    EXPECT_TRUE(standby->text().contains(QString::fromStdString(DisplayOptions::SettingsPath())));
    EXPECT_FALSE(WaitFor([&] { return Clients() > 0; }, 300)) << "it does not connect";
}

// The service manager's end of the notify protocol, read on a thread of the test's own that
// notes when the last ping came, so that it can tell when the pings have stopped for a while.
class TNotifyRecorder {
public:
    using TClock = std::chrono::steady_clock;
    static inline const std::string Ping = "WATCHDOG=1";

    explicit TNotifyRecorder(const std::string& path) : socket_(path) {}
    ~TNotifyRecorder() {
        stop_ = true;
        wakeup_.Signal();
    }

    const std::string& Path() const { return socket_.Path(); }
    std::vector<std::string> Messages() const {
        std::lock_guard lock(mutex_);
        return messages_;
    }
    size_t Count(const std::string& message) const {
        std::lock_guard lock(mutex_);
        return static_cast<size_t>(std::count(messages_.begin(), messages_.end(), message));
    }
    // What came before this call, once the reader has taken it all (a socket's datagrams keep
    // their order), without turning the window thread.
    std::vector<std::string> MessagesSoFar() {
        const std::string mark = "MARK=" + std::to_string(++marks_);
        socket_.SendToSelf(mark);
        std::unique_lock lock(mutex_);
        const auto marked = [&] { return std::find(messages_.begin(), messages_.end(), mark); };
        if (!changed_.wait_for(lock, WaitBound, [&] { return marked() != messages_.end(); }))
            throw std::runtime_error("the reader never took " + mark);
        return {messages_.begin(), marked()};
    }
    // Blocks the calling thread until no ping has come for the span, or for the bound; whether
    // the quiet came.
    bool WaitForQuiet(std::chrono::milliseconds span) {
        std::unique_lock lock(mutex_);
        const TClock::time_point from = TClock::now();
        return changed_.wait_for(lock, WaitBound,
                                 [&] { return TClock::now() - std::max(from, lastPing_) >= span; });
    }

private:
    static constexpr std::chrono::milliseconds WaitBound{10000};
    static constexpr int TickMs = 50; // how often a waiter looks at the quiet

    void Run() {
        pollfd waits[2] = {{socket_.Fd(), POLLIN, 0}, {wakeup_.Fd(), POLLIN, 0}};
        while (!stop_) {
            ::poll(waits, 2, TickMs);
            std::lock_guard lock(mutex_);
            while (auto message = socket_.TakeWaiting()) {
                if (*message == Ping)
                    lastPing_ = TClock::now();
                messages_.push_back(std::move(*message));
            }
            changed_.notify_all();
        }
    }

    TNotifySocket socket_;
    TWakeup wakeup_;
    int marks_ = 0;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> messages_;
    TClock::time_point lastPing_;
    std::atomic<bool> stop_ = false;
    std::jthread thread_{[this] { Run(); }};
};

// The display run by a service manager: the variables it sets, WATCHDOG_PID unset as for the
// service's main process, and the manager's socket.
class DisplayProgramServiceTest : public DisplayProgramTest {
protected:
    static constexpr const char* WatchdogUsec = "300000";
    // Pings come every half interval; a few intervals without one is a stop, not a late ping.
    static constexpr std::chrono::milliseconds QuietSpan{900};
    static inline const std::string& Ping = TNotifyRecorder::Ping;

    // The program goes before the environment that it reads goes back.
    ~DisplayProgramServiceTest() override { program.reset(); }

    TNotifyRecorder manager{dir.File("notify")};
    TVariableGuard interval{"WATCHDOG_USEC", WatchdogUsec};
    TVariableGuard watchedPid{"WATCHDOG_PID", nullptr};
    std::optional<TVariableGuard> notifySocket;
};

TEST_F(DisplayProgramServiceTest, ReadyOnceTheScreenIsUpThenPingsFromTheWindowThreadOnly) {
    notifySocket.emplace("NOTIFY_SOCKET", manager.Path().c_str());
    Layout(4, {"Top", "One", "Two", "Three", "Four", "Bottom"});
    StartDisplay();
    // The window comes up through the event loop, which has not turned yet.
    ASSERT_FALSE(program->Window().windowHandle()->isExposed());
    EXPECT_EQ(manager.MessagesSoFar(), std::vector<std::string>{}) << "not ready before it shows";
    ASSERT_TRUE(QTest::qWaitFor([&] { return manager.Count(Ping) >= 3; }, LayoutWaitMs));
    EXPECT_TRUE(program->Window().windowHandle()->isExposed());
    const auto messages = manager.Messages();
    const auto ready = std::find(messages.begin(), messages.end(), "READY=1");
    EXPECT_LT(ready - messages.begin(),
              std::find(messages.begin(), messages.end(), Ping) - messages.begin())
        << "the pings follow the first screen";
    ASSERT_TRUE(Shows(4));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return manager.Count("STATUS=registered as Client 3, type 4") == 1; }, LayoutWaitMs))
        << "systemctl status shows the link's lines";
    // A playing video moves: the pings go on.
    const TVideoEngine& video = *program->Window().ShownView()->Video();
    ASSERT_TRUE(QTest::qWaitFor([&] { return video.State() == TVideoEngine::TState::Playing; },
                                LayoutWaitMs));
    const size_t playing = manager.Count(Ping);
    EXPECT_TRUE(QTest::qWaitFor([&] { return manager.Count(Ping) >= playing + 3; }, LayoutWaitMs));

    // The window thread held inside one of its events: no pings until it turns again.
    bool quiet = false;
    std::optional<size_t> atRelease;
    QMetaObject::invokeMethod(
        program.get(),
        [&] {
            quiet = manager.WaitForQuiet(QuietSpan);
            atRelease = manager.Count(Ping);
        },
        Qt::QueuedConnection);
    ASSERT_TRUE(QTest::qWaitFor([&] { return atRelease.has_value(); }, LayoutWaitMs));
    EXPECT_TRUE(quiet) << "a ping came while the window thread was held";
    EXPECT_TRUE(QTest::qWaitFor([&] { return manager.Count(Ping) > *atRelease; }, LayoutWaitMs))
        << "the pings come again";
    EXPECT_EQ(manager.Count("READY=1"), 1u);
}

// Outside its hours the screen is black and no view decodes, yet the watchdog pings on (a screen
// off all night is not a hung display) and the status line says until when; what came meanwhile
// shows as the hours begin.
TEST_F(DisplayProgramServiceTest, OffOutsideItsHoursYetAliveAndWhatCameMeanwhileShowsAtTheirStart) {
    using namespace std::chrono;
    TZoneGuard zone{"UTC"};
    TFixedClock clock;
    const sys_seconds monday = sys_days{2026y / December / 7};
    clock.SetNow(monday + 6h + 59min + 30s);
    options.ScreenHours = Hours::THours::Parse("Mon-Fri 07:00-22:00");
    options.Cec = "off"; // a TV on this machine is none of the test's business
    notifySocket.emplace("NOTIFY_SOCKET", manager.Path().c_str());
    Layout(4, {"Top", "One", "Two", "Three", "Four", "Bottom"});
    StartDisplay();
    const std::string off = "STATUS=registered as Client 3, type 4; screen off until Mon 07:00";
    ASSERT_TRUE(QTest::qWaitFor([&] { return manager.Count(off) == 1; }, LayoutWaitMs));
    program->MessageReceived("Open at seven");
    const size_t pings = manager.Count(Ping);
    ASSERT_TRUE(QTest::qWaitFor([&] { return manager.Count(Ping) >= pings + 3; }, LayoutWaitMs));
    TDisplayWindow& window = program->Window();
    EXPECT_EQ(window.ShownView(), nullptr);
    EXPECT_EQ(window.PendingView(), nullptr);
    EXPECT_EQ(Screen().pixelColor(408, 319), QColor(Qt::black));

    clock.SetNow(monday + 7h);
    program->KeepScreenHours();
    ASSERT_TRUE(Shows(4));
    EXPECT_TRUE(window.Banner()->isVisible());
    EXPECT_EQ(window.Banner()->text(), QStringLiteral("Open at seven"));
    EXPECT_FALSE(window.Dark()->isVisible());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return manager.Count("STATUS=screen on until Mon 22:00") == 1; }, LayoutWaitMs));
}

// Started by hand or by a unit that is not a notify service: it runs as ever, and pings nobody.
TEST_F(DisplayProgramServiceTest, WithoutANotifySocketNothingIsSentAndItRunsAsEver) {
    notifySocket.emplace("NOTIFY_SOCKET", nullptr);
    Layout(5, {"Open"});
    StartDisplay();
    QSignalSpy firstScreen(&program->Window(), &TDisplayWindow::FirstScreenShown);
    ASSERT_TRUE(firstScreen.wait(LayoutWaitMs));
    ASSERT_TRUE(Shows(5));
    EXPECT_FALSE(program->PingsWatchdog());
    EXPECT_TRUE(manager.Messages().empty());
}

} // namespace
