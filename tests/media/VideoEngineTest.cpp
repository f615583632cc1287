#include "media/VideoEngine.h"

#include "FormatClips.h"
#include "common/CheckoutPaths.h"
#include "common/ResourceLevels.h"
#include "common/StderrCapture.h"
#include "common/TempDir.h"

#include <QFile>
#include <QTest>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <gst/gst.h>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Upper bound for waiting on the engine: a guard against a hang, never a measurement.
constexpr int WaitCeilingMs = 30000;

QString Clip(const char* file) {
    return QString::fromStdString(CheckoutPaths::SourceFile(VELMORA_FORMAT_CLIPS)) +
           QLatin1String(file);
}

bool WaitFor(const std::function<bool()>& done) {
    return QTest::qWaitFor(done, WaitCeilingMs);
}

} // namespace

void PrintTo(const TFormatClip& clip, std::ostream* out) {
    *out << clip.Format;
}

namespace {

class FormatTest : public ::testing::TestWithParam<TFormatClip> {};

// Plays the clip the way the layout window does: Play again as each pass ends.
TEST_P(FormatTest, ShowsItsFirstFrameAndLoops) {
    TVideoEngine engine;
    int passes = 0;
    quint64 boundary = 0;
    QImage lastOfPass;
    QImage firstOfNext;
    QImage previous;
    QObject::connect(&engine, &TVideoEngine::FrameChanged, [&] {
        if (passes == 1 && firstOfNext.isNull() && engine.FrameNumber() > boundary) {
            lastOfPass = previous;
            firstOfNext = engine.Frame().copy();
        }
        previous = engine.Frame().copy();
    });
    QObject::connect(&engine, &TVideoEngine::PassEnded, [&] {
        ++passes;
        boundary = engine.FrameNumber();
        engine.Play();
    });
    engine.Open(Clip(GetParam().File));
    ASSERT_TRUE(WaitFor([&] { return engine.FrameNumber() > 0; })) << GetParam().Format;
    EXPECT_EQ(engine.State(), TVideoEngine::TState::Ready);
    EXPECT_EQ(engine.NaturalSize(), QSize(FormatClipWidth, FormatClipHeight));
    const QImage first = engine.Frame().copy();
    EXPECT_EQ(first.size(), QSize(FormatClipWidth, FormatClipHeight));
    EXPECT_GT(first.pixelColor(5, 110).blue(), first.pixelColor(5, 110).red()); // dark blue
    EXPECT_LE(SquareLeft(first), 12);

    engine.Play();
    EXPECT_EQ(engine.State(), TVideoEngine::TState::Playing);
    ASSERT_TRUE(WaitFor([&] { return !firstOfNext.isNull(); })) << GetParam().Format;
    EXPECT_TRUE(engine.FailureText().isEmpty()) << engine.FailureText().toStdString();
    // From the end of the clip back to its beginning.
    EXPECT_GE(SquareLeft(lastOfPass), 110) << GetParam().Format;
    EXPECT_LE(SquareLeft(firstOfNext), 15) << GetParam().Format;
    ASSERT_TRUE(WaitFor([&] { return engine.FrameNumber() > boundary + 5; }));
}

INSTANTIATE_TEST_SUITE_P(Clips, FormatTest, ::testing::ValuesIn(FormatClips),
                         [](const ::testing::TestParamInfo<TFormatClip>& clip) {
                             std::string name = clip.param.File;
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             }
                             return name;
                         });

TEST(VideoEngineTest, WhatCannotBePlayedFailsNamingTheFileAndTheReason) {
    TTempDir dir;
    const std::string fifo = dir.File("fifo.avi");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string picture = dir.File("picture.avi");
    std::ofstream(picture) << "BM this is no video at all";

    const struct {
        std::string Path;
        const char* Reason;
    } cases[] = {
        {dir.File("none.avi"), "No such file or directory"},
        {fifo, "It is not a regular file"},
        {dir.Path(), "It is not a regular file"},
        {picture, ""},
    };
    for (const auto& c : cases) {
        TStderrCapture capture;
        TVideoEngine engine;
        int failures = 0;
        QObject::connect(&engine, &TVideoEngine::Failed, [&] { ++failures; });
        engine.Open(QString::fromStdString(c.Path));
        engine.Play(); // waits for the opening, and then has nothing to play
        EXPECT_EQ(engine.State(), TVideoEngine::TState::Opening);
        ASSERT_TRUE(WaitFor([&] { return failures > 0; })) << c.Path;
        EXPECT_EQ(engine.State(), TVideoEngine::TState::Failed);
        EXPECT_TRUE(engine.Frame().isNull());
        EXPECT_TRUE(engine.NaturalSize().isEmpty());
        EXPECT_FALSE(engine.FailureText().isEmpty());
        if (*c.Reason != '\0') {
            EXPECT_EQ(engine.FailureText().toStdString(), c.Reason);
        }
        EXPECT_EQ(capture.Text(),
                  "Cannot play \"" + c.Path + "\": " + engine.FailureText().toStdString() + "\n");
        engine.Play(); // nothing happens
        EXPECT_EQ(engine.State(), TVideoEngine::TState::Failed);
    }
}

TEST(VideoEngineTest, AMissingDecoderIsNamed) {
    TVideoEngine::Prepare();
    // Without its decoder: the registry's feature stays, ranked out of automatic use.
    GstPluginFeature* decoder = gst_registry_lookup_feature(gst_registry_get(), "avdec_wmv2");
    ASSERT_NE(decoder, nullptr);
    const guint rank = gst_plugin_feature_get_rank(decoder);
    gst_plugin_feature_set_rank(decoder, GST_RANK_NONE);

    TStderrCapture capture;
    TVideoEngine engine;
    engine.Open(Clip("wmv2.wmv"));
    ASSERT_TRUE(WaitFor([&] { return engine.State() == TVideoEngine::TState::Failed; }));
    gst_plugin_feature_set_rank(decoder, rank);
    gst_object_unref(decoder);
    EXPECT_EQ(engine.FailureText().toStdString(), "Missing decoder: Windows Media Video 8 decoder");
    EXPECT_EQ(capture.Text(), std::string("Cannot play \"") +
                                  CheckoutPaths::SourceFile(VELMORA_FORMAT_CLIPS) +
                                  "wmv2.wmv\": Missing decoder: Windows Media Video 8 decoder\n");
}

TEST(VideoEngineTest, APassWithoutAnAnswerWaitsAtItsEnd) {
    TVideoEngine engine;
    int passes = 0;
    QObject::connect(&engine, &TVideoEngine::PassEnded, [&] { ++passes; });
    engine.Open(Clip("mjpeg.avi"));
    engine.Play();
    ASSERT_TRUE(WaitFor([&] { return passes == 1; }));
    EXPECT_EQ(engine.State(), TVideoEngine::TState::Ended);
    const quint64 shown = engine.FrameNumber();
    EXPECT_GE(SquareLeft(engine.Frame()), 110);
    // A few frames' time: the end stays on show.
    QTest::qWait(300);
    EXPECT_EQ(engine.FrameNumber(), shown);
    EXPECT_EQ(passes, 1);

    engine.Play();
    ASSERT_TRUE(WaitFor([&] { return engine.FrameNumber() > shown; }));
    EXPECT_LE(SquareLeft(engine.Frame()), 15);
    EXPECT_EQ(engine.State(), TVideoEngine::TState::Playing);
}

TEST(VideoEngineTest, OpeningAnotherFileLeavesNothingOfTheFirst) {
    auto engine = std::make_unique<TVideoEngine>();
    int opened = 0;
    QObject::connect(engine.get(), &TVideoEngine::Opened, [&] { ++opened; });
    engine->Open(Clip("h264.mp4"));
    engine->Play();
    engine->Open(QString::fromStdString(CheckoutPaths::SourceFile(VELMORA_DATA_FOLDER "1.avi")));
    ASSERT_TRUE(WaitFor([&] { return opened > 0 && engine->FrameNumber() > 0; }));
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(engine->NaturalSize(), QSize(320, 240));
    EXPECT_EQ(engine->Frame().size(), QSize(320, 240));
    EXPECT_EQ(engine->State(), TVideoEngine::TState::Ready);

    // Gone while playing, and while opening: nothing waits, nothing arrives afterwards.
    engine->Play();
    ASSERT_TRUE(WaitFor([&] { return engine->FrameNumber() > 3; }));
    engine.reset();
    TVideoEngine opening;
    opening.Open(Clip("vp9.webm"));
    opening.Close();
    EXPECT_EQ(opening.State(), TVideoEngine::TState::Closed);
    QTest::qWait(200);
    EXPECT_EQ(opening.FrameNumber(), 0u);
    EXPECT_TRUE(opening.NaturalSize().isEmpty());
}

} // namespace

namespace {

void PlayUntilFrames(TVideoEngine& engine, const QString& clip, quint64 frames) {
    const quint64 start = engine.FrameNumber();
    engine.Open(clip);
    engine.Play();
    ASSERT_TRUE(WaitFor([&] { return engine.FrameNumber() >= start + frames; }))
        << clip.toStdString();
}

// Every video opened takes descriptors (the file, the pipeline's wake-ups) and threads; all of
// them come back when it goes, whether it is replaced by another, closed, or its engine deleted.
TEST(VideoEngineTest, SwappedVideosGiveBackEveryDescriptorAndThread) {
    const QString clips[] = {Clip("mjpeg.avi"), Clip("h264.mp4"), Clip("h264.ts")};
    {
        TVideoEngine warm; // decoders loaded, the clock and the pools started
        for (const QString& clip : clips)
            PlayUntilFrames(warm, clip, 3);
    }
    const TResourceLevels before = TResourceLevels::Settled();
    {
        TVideoEngine engine;
        for (int n = 0; n < 45; ++n)
            PlayUntilFrames(engine, clips[n % 3], 2);
        engine.Close();
        EXPECT_TRUE(before.CameBack()) << "after closing";
        for (int n = 0; n < 5; ++n)
            PlayUntilFrames(engine, clips[n % 3], 2);
    }
    EXPECT_TRUE(before.CameBack()) << "after the engine went while playing";
}

// A display's file, as it stands where layouts name it.
class TLiveFile {
public:
    explicit TLiveFile(const char* sourceClip) : path_(dir_.File("live.avi")) {
        EXPECT_TRUE(Replace(sourceClip));
    }
    QString Path() const { return QString::fromStdString(path_); }
    // The safe way: a whole new file renamed over the old one.
    bool Replace(const QString& source) {
        const std::string temporary = dir_.File("incoming.avi");
        QFile::remove(QString::fromStdString(temporary));
        return QFile::copy(source, QString::fromStdString(temporary)) &&
               std::rename(temporary.c_str(), path_.c_str()) == 0;
    }
    bool Replace(const char* clip) { return Replace(Clip(clip)); }
    // What a careless copy does: the same file written over from its beginning.
    bool Overwrite(const std::string& content) {
        const int fd = ::open(path_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        const bool written = fd >= 0 && ::write(fd, content.data(), content.size()) ==
                                            static_cast<ssize_t>(content.size());
        return ::close(fd) == 0 && written;
    }

private:
    TTempDir dir_;
    std::string path_;
};

// A clip written over while it plays: the engine stops it within a bounded time instead of
// spinning on it, says so once, keeps the last frame, and plays the file again by itself once it
// is good again.
TEST(VideoEngineTest, AFileOverwrittenWhilePlayingStopsCleanlyAndPlaysAgainWhenGood) {
    TLiveFile live("mjpeg.avi");
    TStderrCapture capture;
    TVideoEngine engine;
    engine.SetKeepTrying(true);
    int failures = 0;
    QObject::connect(&engine, &TVideoEngine::Failed, [&] { ++failures; });
    QObject::connect(&engine, &TVideoEngine::PassEnded, &engine, &TVideoEngine::Play);
    PlayUntilFrames(engine, live.Path(), 5);

    ASSERT_TRUE(live.Overwrite(std::string(64 * 1024, '\x5a')));
    ASSERT_TRUE(WaitFor([&] { return failures > 0; })) << "stopped, not left spinning";
    EXPECT_EQ(engine.State(), TVideoEngine::TState::Failed);
    EXPECT_FALSE(engine.Frame().isNull()) << "the last good frame stays";
    EXPECT_EQ(engine.RetryDelay(), TVideoEngine::FirstRetry);
    // Tried again and failing the same way: not said again.
    ASSERT_TRUE(WaitFor([&] { return failures > 1; }));
    EXPECT_EQ(engine.RetryDelay(), 2 * TVideoEngine::FirstRetry);

    ASSERT_TRUE(live.Replace("mjpeg.avi"));
    const quint64 shown = engine.FrameNumber();
    ASSERT_TRUE(WaitFor([&] {
        return engine.State() == TVideoEngine::TState::Playing && engine.FrameNumber() > shown + 5;
    }));
    ASSERT_TRUE(WaitFor([&] { return engine.RetryDelay().count() == 0 && failures >= 2; }));
    engine.Close();
    // One line for each reason it met (a stall while playing, then what the opening found).
    std::istringstream said(capture.Text());
    std::set<std::string> lines;
    for (std::string line; std::getline(said, line);) {
        EXPECT_EQ(line.rfind("Cannot play \"" + live.Path().toStdString() + "\": ", 0), 0u) << line;
        EXPECT_TRUE(lines.insert(line).second) << "said twice: " << line;
    }
    EXPECT_FALSE(lines.empty());
}

// Renamed over while playing, the path names a new video: it plays from the next loop on, with
// no empty frame between the two and nothing said about a failure.
TEST(VideoEngineTest, AFileRenamedOverPlaysTheNewContentAtItsNextLoop) {
    TLiveFile live("mjpeg.avi");
    TStderrCapture capture;
    TVideoEngine engine;
    engine.SetKeepTrying(true);
    bool emptyFrame = false;
    QObject::connect(&engine, &TVideoEngine::FrameChanged,
                     [&] { emptyFrame = emptyFrame || engine.Frame().isNull(); });
    QObject::connect(&engine, &TVideoEngine::PassEnded, &engine, &TVideoEngine::Play);
    PlayUntilFrames(engine, live.Path(), 3);
    ASSERT_EQ(engine.NaturalSize(), QSize(FormatClipWidth, FormatClipHeight));

    ASSERT_TRUE(live.Replace(
        QString::fromStdString(CheckoutPaths::SourceFile(VELMORA_DATA_FOLDER "1.avi"))));
    ASSERT_TRUE(WaitFor([&] { return engine.NaturalSize() == QSize(320, 240); }));
    const quint64 shown = engine.FrameNumber();
    ASSERT_TRUE(WaitFor([&] { return engine.FrameNumber() > shown + 3; }));
    EXPECT_EQ(engine.Frame().size(), QSize(320, 240));
    EXPECT_EQ(engine.State(), TVideoEngine::TState::Playing);
    EXPECT_FALSE(emptyFrame);
    EXPECT_FALSE(engine.Frame().isNull());
    engine.Close();
    EXPECT_EQ(capture.Text(),
              "\"" + live.Path().toStdString() + "\" has changed: playing it anew\n");
}

// A file that is not there is tried again after 1 s, 2 s, 4 s ... and said once.
TEST(VideoEngineTest, AMissingFileIsTriedAgainWithBackOffAndSaidOnce) {
    TTempDir dir;
    TStderrCapture capture;
    TVideoEngine engine;
    engine.SetKeepTrying(true);
    std::vector<std::chrono::milliseconds> delays;
    QObject::connect(&engine, &TVideoEngine::Failed,
                     [&] { delays.push_back(engine.RetryDelay()); });
    engine.Open(QString::fromStdString(dir.File("none.avi")));
    engine.Play();
    ASSERT_TRUE(WaitFor([&] { return delays.size() == 3; }));
    using std::chrono::milliseconds;
    EXPECT_EQ(delays, (std::vector<milliseconds>{milliseconds(1000), milliseconds(2000),
                                                 milliseconds(4000)}));
    engine.Close();
    EXPECT_EQ(engine.RetryDelay().count(), 0);
    EXPECT_EQ(capture.Text(),
              "Cannot play \"" + dir.File("none.avi") + "\": No such file or directory\n");
}

} // namespace

namespace {

// Frames come at the size they are drawn at, scaled once while decoded: larger (converted first)
// and much smaller (shrunk first) than the clip, for decoders of different pixel formats. The
// picture stays the clip's: the dark blue ground on the left and the square where the frame
// stands in the clip.
TEST(FrameSizeTest, FramesComeAtTheSizeAskedForWithTheClipsPicture) {
    for (const char* file : {"h264.mp4", "mjpeg.avi", "vp9.webm", "theora.ogv"}) {
        for (const QSize size : {QSize(400, 300), QSize(64, 48), QSize(161, 119)}) {
            SCOPED_TRACE(std::string(file) + " at " + std::to_string(size.width()) + "x" +
                         std::to_string(size.height()));
            TVideoEngine engine;
            engine.SetFrameSize(size);
            engine.Open(Clip(file));
            ASSERT_TRUE(WaitFor([&] { return engine.FrameNumber() > 0; }));
            EXPECT_EQ(engine.NaturalSize(), QSize(FormatClipWidth, FormatClipHeight));
            engine.Play();
            ASSERT_TRUE(WaitFor([&] { return engine.FrameNumber() > 8; }));
            const QImage frame = engine.Frame().copy();
            ASSERT_EQ(frame.size(), size);
            const QColor ground = frame.pixelColor(2, 110 * size.height() / FormatClipHeight);
            EXPECT_GT(ground.blue(), ground.red() + 20);
            const int square = SquareLeft(frame);
            EXPECT_GE(square, 10);
            EXPECT_LE(square, 60);
            // Copied as they are into a window's pixels, where a compositor may read the top
            // byte as alpha: every pixel is opaque, as RGB32 promises.
            bool opaque = true;
            for (int y = 0; y < frame.height(); ++y) {
                const auto* line = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
                for (int x = 0; x < frame.width(); ++x)
                    opaque = opaque && qAlpha(line[x]) == 0xff;
            }
            EXPECT_TRUE(opaque);
        }
    }
}

// The size changes while the video plays, as when the operator's layout window is resized: the
// frames follow without a stop, and the passes go on.
TEST(FrameSizeTest, ASizeChangedWhilePlayingIsTakenWithoutAStop) {
    TVideoEngine engine;
    int passes = 0;
    QObject::connect(&engine, &TVideoEngine::PassEnded, [&] {
        ++passes;
        engine.Play();
    });
    engine.Open(Clip("h264.mp4"));
    engine.Play();
    ASSERT_TRUE(WaitFor([&] { return engine.FrameNumber() > 3; }));
    EXPECT_EQ(engine.Frame().size(), QSize(FormatClipWidth, FormatClipHeight));
    for (const QSize size : {QSize(320, 240), QSize(40, 30), QSize()}) {
        engine.SetFrameSize(size);
        const QSize wanted = size.isEmpty() ? QSize(FormatClipWidth, FormatClipHeight) : size;
        ASSERT_TRUE(WaitFor([&] { return engine.Frame().size() == wanted; }))
            << wanted.width() << "x" << wanted.height();
        EXPECT_EQ(engine.State(), TVideoEngine::TState::Playing);
    }
    const int before = passes;
    ASSERT_TRUE(WaitFor([&] { return passes > before + 1; }));
    EXPECT_EQ(engine.Frame().size(), QSize(FormatClipWidth, FormatClipHeight));
    EXPECT_TRUE(engine.FailureText().isEmpty()) << engine.FailureText().toStdString();
}

} // namespace
