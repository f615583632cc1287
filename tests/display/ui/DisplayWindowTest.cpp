// The display's window on its own: layouts handed to it as the link hands them over.
#include "display/ui/DisplayWindow.h"

#include "common/CheckoutPaths.h"
#include "common/DisplayShown.h"
#include "common/ResourceLevels.h"
#include "common/TempDir.h"
#include "display/ui/DisplayView.h"
#include "layouts/LayoutStore.h"
#include "layoutview/PanelColor.h"
#include "media/VideoEngine.h"
#include "media/ui/VideoSurface.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <set>

namespace {

constexpr int LayoutWaitMs = 10000;

std::string Config(int displayType, const std::string& key, const std::string& file) {
    return "[DisplayParams_Client3_" + std::to_string(displayType) + "]\r\n" + key + "=" + file +
           "\r\nEdits_0_Text=Today only\r\n";
}

// Every kind of layout in turn: two videos, a bitmap, a JPEG, a metafile, texts alone.
const std::vector<std::pair<int, std::string>> Layouts = {
    {2, Config(2, LayoutStore::MediaPlayerKey(0),
               CheckoutPaths::SourceFile(VELMORA_DATA_FOLDER "1.avi"))},
    {6,
     Config(6, LayoutStore::ImageKey(0), CheckoutPaths::SourceFile(VELMORA_DATA_FOLDER "1.bmp"))},
    {1, Config(1, LayoutStore::MediaPlayerKey(0),
               CheckoutPaths::SourceFile(VELMORA_TEST_DATA_FOLDER "short.avi"))},
    {5, Config(5, LayoutStore::ImageKey(0),
               CheckoutPaths::SourceFile(VELMORA_TEST_DATA_FOLDER "cmyk.jpg"))},
    {7, Config(7, LayoutStore::ImageKey(0),
               CheckoutPaths::SourceFile(VELMORA_METAFILE_SAMPLES "sample_car.emf"))},
    {9, "[DisplayParams_Client3_9]\r\n"},
};

class DisplayWindowTest : public ::testing::Test {
protected:
    DisplayWindowTest() {
        options.WindowedWidth = 816;
        options.WindowedHeight = 638;
        window.Present();
    }
    // Shows the layout and waits until it stands whole on the screen.
    bool Show(const std::pair<int, std::string>& layout) {
        window.ShowLayout(layout.first, layout.second);
        return ShowsWhole(window, layout.first, LayoutWaitMs);
    }

    TDisplayOptions options;
    TDisplayWindow window{options};
};

// A display takes thousands of layouts between two restarts: whatever a layout holds comes back
// when the next one replaces it.
TEST_F(DisplayWindowTest, SwappedLayoutsGiveBackEveryDescriptorAndThread) {
    for (const auto& layout : Layouts)
        ASSERT_TRUE(Show(layout)) << layout.second;
    ASSERT_TRUE(Show(Layouts.back()));
    const TResourceLevels before = TResourceLevels::Settled();
    for (int n = 0; n < 60; ++n)
        ASSERT_TRUE(Show(Layouts[static_cast<size_t>(n) % Layouts.size()])) << n;
    ASSERT_TRUE(Show(Layouts.back()));
    EXPECT_TRUE(before.CameBack());
    // Layouts replaced before they were ready leave nothing either.
    for (int n = 0; n < 30; ++n)
        window.ShowLayout(Layouts[static_cast<size_t>(n) % 2].first,
                          Layouts[static_cast<size_t>(n) % 2].second);
    ASSERT_TRUE(Show(Layouts.back()));
    EXPECT_TRUE(before.CameBack());
}

// A video that fails while it plays (written over in place) keeps its last frame on show, not
// the panel colour and never black, while it is tried again.
TEST_F(DisplayWindowTest, AVideoThatFailsWhilePlayingKeepsItsLastFrame) {
    TTempDir dir;
    const std::string live = dir.File("live.avi");
    ASSERT_TRUE(
        QFile::copy(QString::fromStdString(CheckoutPaths::SourceFile(VELMORA_DATA_FOLDER "1.avi")),
                    QString::fromStdString(live)));
    ASSERT_TRUE(Show({2, Config(2, LayoutStore::MediaPlayerKey(0), live)}));
    TDisplayView& view = *window.ShownView();
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.Video()->FrameNumber() > 2; }, LayoutWaitMs));
    QSignalSpy failed(view.Video(), &TVideoEngine::Failed);
    {
        std::ofstream over(live, std::ios::binary | std::ios::trunc);
        over << std::string(64 * 1024, '\x5a');
    }
    ASSERT_TRUE(failed.wait(LayoutWaitMs));
    EXPECT_EQ(view.Video()->State(), TVideoEngine::TState::Failed);
    ASSERT_TRUE(view.VideoSurface()->isVisible());
    const QImage shown = window.grab().toImage();
    const QRect video = view.VideoSurface()->geometry().translated(0, 80);
    const QColor middle = shown.pixelColor(video.center());
    EXPECT_NE(middle, PanelColor);
    EXPECT_NE(middle, QColor(Qt::black));
}

// A rotation on the display: an entry missing is skipped, said once; once it appears it shows, and
// a playlist changed while it plays takes its new entries; the box never shows the panel colour
// between two items.
TEST_F(DisplayWindowTest, ARotationTakesAnEntryThatAppearsAndAChangedPlaylist) {
    TTempDir dir;
    const auto clip = [&](const char* format, const std::string& name) {
        return QFile::copy(QString::fromStdString(CheckoutPaths::SourceFile(VELMORA_FORMAT_CLIPS +
                                                                            std::string(format))),
                           QString::fromStdString(dir.File(name)));
    };
    ASSERT_TRUE(clip("mjpeg.avi", "a.avi"));
    ASSERT_TRUE(clip("vp8.webm", "b.webm"));
    const std::string playlist = dir.File("mall.m3u8");
    const auto write = [&](const std::string& text) {
        std::ofstream(playlist + ".new", std::ios::binary) << text;
        std::filesystem::rename(playlist + ".new", playlist);
    };
    write("a.avi\nmissing.mp4\nb.webm\n");
    std::vector<std::string> lines;
    TDisplayView::SetReport([&](const std::string& line) { lines.push_back(line); });

    window.ShowLayout(1, Config(1, LayoutStore::MediaPlayerKey(0), playlist));
    std::multiset<std::string> shown;
    std::string last;
    bool panel = false;
    // Polls what the box shows until the condition holds.
    const auto watch = [&](const std::function<bool()>& done) {
        return QTest::qWaitFor(
            [&] {
                const TDisplayView* view = window.ShownView();
                const TVideoEngine* video = view != nullptr ? view->Video() : nullptr;
                if (video == nullptr)
                    return false;
                const std::string file =
                    std::filesystem::path(video->FilePath().toStdString()).filename();
                if (file != last)
                    shown.insert(last = file);
                panel = panel || (!last.empty() && !view->VideoSurface()->isVisible());
                return done();
            },
            4 * TDisplayWindow::RotationReadAgain.count() * 1000);
    };
    ASSERT_TRUE(watch([&] { return shown.count("a.avi") >= 2 && shown.count("b.webm") >= 1; }));
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) {
                                return line.find("missing.mp4") != std::string::npos;
                            }),
              1);

    ASSERT_TRUE(clip("h264.mp4", "missing.mp4"));
    write("a.avi\nmissing.mp4\nc.ogv\n");
    ASSERT_TRUE(clip("theora.ogv", "c.ogv"));
    shown.clear();
    ASSERT_TRUE(
        watch([&] { return shown.count("missing.mp4") >= 1 && shown.count("c.ogv") >= 1; }));
    shown.clear();
    ASSERT_TRUE(watch([&] { return shown.count("a.avi") >= 1 && shown.count("c.ogv") >= 1; }));
    EXPECT_EQ(shown.count("b.webm"), 0u);
    EXPECT_FALSE(panel);
    TDisplayView::SetReport({});
}

} // namespace
