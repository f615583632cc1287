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
#include <fstream>
#include <gtest/gtest.h>

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

} // namespace
