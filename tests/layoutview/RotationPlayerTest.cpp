#include "layoutview/RotationPlayer.h"

#include "LayoutViewFixture.h"
#include "common/FixedClock.h"
#include "common/ZoneGuard.h"
#include "layoutview/PanelColor.h"
#include "layoutview/PictureLoads.h"
#include "media/CountingPanel.h"
#include "media/FormatClips.h"
#include "media/VideoEngine.h"
#include "media/VideoPipeline.h"
#include "media/ui/VideoSurface.h"

#include <QPaintEvent>
#include <QPainter>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace {

using namespace std::chrono_literals;
using TKind = TRotationItem::TKind;

// A frame as the surface drew it.
struct TDrawn {
    std::optional<size_t> Item;
    int Square = -1; // where the format clips' yellow square stands
    bool Black = true;
};

std::string FormatClip(const char* file) {
    return CheckoutPaths::SourceFile(VELMORA_FORMAT_CLIPS) + file;
}

// Three clips of other formats and sizes and a picture, one after another and round again. At
// every change the next item's first frame is the very next frame drawn after the last frame of
// the one before, whole: never the panel or a black frame between. When it comes is the
// benchmark's to measure (rotation_bench), not a test's on a shared machine.
class RotationPlayerTest : public LayoutViewTest {};

TEST_F(RotationPlayerTest, ARotationChangesItemsOnTheFrameTimeWithoutAnythingBetween) {
    const std::vector<TRotationItem> items{
        {FormatClip("h264.mp4"), TKind::Video, std::nullopt},
        {TestData("short.avi").toStdString(), TKind::Video, std::nullopt}, // MJPEG, 320 x 240
        {dir.File("data/1.bmp"), TKind::Picture, 1},
        {FormatClip("vp9.webm"), TKind::Video, std::nullopt},
    };

    TCountingPanel panel;
    panel.Colour = PanelColor;
    panel.resize(200, 160);
    auto* surface = new TVideoSurface(&panel);
    surface->setGeometry(20, 20, FormatClipWidth, FormatClipHeight);
    panel.SurfaceArea = surface->geometry();
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));

    std::vector<TDrawn> drawn;
    int panelPaintsAtFirst = -1;
    int panelPaintsAtLast = -1;
    {
        TRotationPlayer player(surface);
        EXPECT_EQ(player.findChildren<TVideoEngine*>().size(), 2);
        QStringList problems;
        QObject::connect(&player, &TRotationPlayer::Problem,
                         [&](const QString& line) { problems << line; });
        const auto recording = QObject::connect(surface, &TVideoSurface::FramePresented, [&] {
            if (panelPaintsAtFirst < 0)
                panelPaintsAtFirst = panel.PaintsUnderSurface;
            const QImage& frame = player.ShownFrame();
            drawn.push_back({player.ShownItem(), SquareLeft(frame), IsBlack(frame)});
        });
        player.Play(items, 10s);
        // Round once, and back to the first item.
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return drawn.size() > 2 && drawn.back().Item == 0u &&
                       std::any_of(drawn.begin(), drawn.end(),
                                   [](const TDrawn& d) { return d.Item == 3u; });
            },
            2 * VideoWaitCeilingMs));
        QObject::disconnect(recording);
        panelPaintsAtLast = panel.PaintsUnderSurface;
        EXPECT_TRUE(problems.isEmpty()) << problems.join('\n').toStdString();
        // Two engines, each with one video open at a time: the one shown and the one prerolled;
        // what each item took before is given back.
        EXPECT_TRUE(
            QTest::qWaitFor([] { return TVideoPipeline::Alive() <= 2; }, VideoWaitCeilingMs));
    }
    EXPECT_EQ(panelPaintsAtLast, panelPaintsAtFirst) << "the panel showed between items";

    std::vector<size_t> order;
    for (size_t i = 0; i < drawn.size(); ++i) {
        const TDrawn& frame = drawn[i];
        ASSERT_TRUE(frame.Item) << "frame " << i;
        EXPECT_FALSE(frame.Black) << "frame " << i << " of item " << *frame.Item;
        if (i == 0 || frame.Item == drawn[i - 1].Item) {
            if (i == 0)
                order.push_back(*frame.Item);
            continue;
        }
        order.push_back(*frame.Item);
        const TDrawn& last = drawn[i - 1];
        // The format clips end with the square at the right and begin with it at the left.
        if (*last.Item == 0 || *last.Item == 3) {
            EXPECT_GE(last.Square, 110) << "item " << *last.Item << " was cut short";
        }
        if (*frame.Item == 0 || *frame.Item == 3) {
            EXPECT_LE(frame.Square, 15) << "item " << *frame.Item << " began late";
        }
    }
    EXPECT_EQ(order, (std::vector<size_t>{0, 1, 2, 3, 0}));
    // Everything the items took is given back.
    EXPECT_TRUE(QTest::qWaitFor([] { return TVideoPipeline::Alive() == 0; }, VideoWaitCeilingMs));
}

// A picture on a hung mount holds neither the window nor the video on show: the video plays to
// its end while the load waits, and the picture is skipped once the load is given up.
TEST_F(RotationPlayerTest, APictureThatDoesNotLoadIsSkippedWhileTheVideoPlaysOn) {
    std::mutex lock;
    std::condition_variable changed;
    bool released = false;
    TPictureLoads loads(
        [&](const QString& path) {
            std::unique_lock held(lock);
            changed.wait(held, [&] { return released; });
            return LoadPicture(path);
        },
        300ms);
    const std::string picture = dir.File("data/1.bmp");
    const std::vector<TRotationItem> items{
        {FormatClip("h264.mp4"), TKind::Video, std::nullopt},
        {picture, TKind::Picture, 1},
        {TestData("short.avi").toStdString(), TKind::Video, std::nullopt},
    };
    TVideoSurface surface;
    surface.resize(FormatClipWidth, FormatClipHeight);
    surface.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&surface));

    std::vector<TDrawn> drawn;
    QStringList problems;
    bool reached = false;
    {
        TRotationPlayer player(&surface, loads);
        QObject::connect(&player, &TRotationPlayer::Problem,
                         [&](const QString& line) { problems << line; });
        const auto recording = QObject::connect(&surface, &TVideoSurface::FramePresented, [&] {
            drawn.push_back({player.ShownItem(), SquareLeft(player.ShownFrame()), false});
        });
        player.Play(items, 10s);
        reached = QTest::qWaitFor([&] { return !drawn.empty() && drawn.back().Item == 2u; },
                                  2 * VideoWaitCeilingMs);
        QObject::disconnect(recording);
    }
    {
        const std::lock_guard held(lock);
        released = true;
    }
    changed.notify_all();
    ASSERT_TRUE(QTest::qWaitFor([&] { return loads.GivenUp() == 0; }, VideoWaitCeilingMs));
    ASSERT_TRUE(reached);

    EXPECT_EQ(problems, QStringList{QString::fromStdString("Skipped in the rotation: \"" + picture +
                                                           "\": it did not load within 0.3 s")});
    const auto firstOfNext =
        std::find_if(drawn.begin(), drawn.end(), [](const TDrawn& d) { return d.Item != 0u; });
    ASSERT_NE(firstOfNext, drawn.begin());
    EXPECT_EQ(firstOfNext->Item, 2u);
    EXPECT_GE((firstOfNext - 1)->Square, 110) << "the video was held or cut short";
}

// Dayparting: each picture shows within its hours only, met at the minute's check (ticked here
// under the test's clock). At their end the next one in its hours follows at once, whatever the
// time the picture on show has left; with none, the panel shows and nothing is loaded. While the
// clock is not synchronised, hours are not applied.
TEST_F(RotationPlayerTest, ItemsShowWithinTheirHoursOnly) {
    using namespace std::chrono;
    const TZoneGuard utc("UTC");
    TFixedClock clock;
    const sys_days monday = year(2026) / 1 / 5;
    clock.SetNow(monday + 8h + 59min);
    std::atomic<int> loaded{0};
    TPictureLoads loads([&](const QString& path) {
        ++loaded;
        return LoadPicture(path);
    });
    const std::vector<TRotationItem> items{
        {dir.File("data/1.bmp"), TKind::Picture, 600, Hours::THours::Parse("Mon 09:00-10:00")},
        {TestData("cmyk.jpg").toStdString(), TKind::Picture, 1,
         Hours::THours::Parse("Mon 10:00-11:00")},
    };
    TVideoSurface surface;
    surface.resize(FormatClipWidth, FormatClipHeight);
    surface.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&surface));

    TRotationPlayer player(&surface, loads);
    QStringList problems;
    QObject::connect(&player, &TRotationPlayer::Problem,
                     [&](const QString& line) { problems << line; });
    std::vector<size_t> shown;
    QObject::connect(&player, &TRotationPlayer::ItemShown,
                     [&] { shown.push_back(*player.ShownItem()); });
    player.Play(items, 10s);
    EXPECT_FALSE(player.ShownItem());
    EXPECT_EQ(loaded, 0);

    clock.SetNow(monday + 9h);
    player.CheckHours();
    ASSERT_TRUE(QTest::qWaitFor([&] { return player.ShownItem() == 0u; }, VideoWaitCeilingMs));
    clock.SetNow(monday + 10h);
    player.CheckHours();
    ASSERT_TRUE(QTest::qWaitFor([&] { return player.ShownItem() == 1u; }, VideoWaitCeilingMs));
    clock.SetNow(monday + 11h);
    player.CheckHours();
    EXPECT_FALSE(player.ShownItem());
    EXPECT_TRUE(player.ShownFrame().isNull());
    EXPECT_EQ(shown, (std::vector<size_t>{0, 1}));
    EXPECT_EQ(loaded, 2);
    EXPECT_TRUE(problems.isEmpty()) << problems.join('\n').toStdString();

    clock.SetSynchronised(false);
    player.CheckHours();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return player.ShownItem().has_value(); }, VideoWaitCeilingMs));
    player.CheckHours();
    EXPECT_EQ(problems, QStringList{"the system clock is not synchronised: a rotation's hours are "
                                    "not applied until it is"});
}

} // namespace
