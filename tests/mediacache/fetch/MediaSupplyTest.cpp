// The media cache against real sources: folders, nginx and Python's web server on loopback, and a
// web server of the test's own that fails, stalls, cuts and redirects. Limits are shortened so
// that a stall shows within a second; every wait below is a bound, never a measurement.
#include "common/ProcessState.h"
#include "common/TempDir.h"
#include "common/WebServers.h"
#include "display/MediaPath.h"
#include "mediacache/fetch/MediaCache.h"
#include "platform/FileIo.h"

#include <QSignalSpy>
#include <QSslConfiguration>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int WaitMs = 10000;

TSupplyLimits ShortLimits() {
    TSupplyLimits limits;
    limits.FirstByte = std::chrono::milliseconds(500);
    limits.Stall = std::chrono::milliseconds(500);
    limits.RetryFirst = std::chrono::milliseconds(100);
    limits.RetryLongest = std::chrono::milliseconds(400);
    return limits;
}

// Sets a file's modification time, so that versions written within one second differ.
void Touch(const std::string& path, int secondsAgo) {
    const auto time =
        std::filesystem::file_time_type::clock::now() - std::chrono::seconds(secondsAgo);
    std::filesystem::last_write_time(path, time);
}

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

class MediaSupplyTest : public ::testing::Test {
protected:
    ~MediaSupplyTest() override { cache.reset(); }

    void Open(TSupplyLimits limits = ShortLimits()) {
        cache =
            std::make_unique<TMediaCache>(cacheDir.Path(), limits, [this](const std::string& line) {
                const std::lock_guard lock(linesLock);
                lines.push_back(line);
            });
        resolved = std::make_unique<QSignalSpy>(cache.get(), &TMediaCache::Resolved);
        arrived = std::make_unique<QSignalSpy>(cache.get(), &TMediaCache::Arrived);
    }
    // The source of a layout's path under the map.
    static TMediaSource Source(const std::string& to, const std::string& layoutPath) {
        return *MediaPath::Place(layoutPath, {{"C:\\Media", to}}).Source;
    }
    // What the cache answers: the names of the usable copies.
    QStringList Want(const std::vector<TMediaSource>& sources) {
        const quint64 token = cache->Want(sources);
        QStringList usable;
        const bool answered = QTest::qWaitFor(
            [&] {
                for (const QList<QVariant>& call : *resolved) {
                    if (call.at(0).toULongLong() == token) {
                        usable = call.at(1).toStringList();
                        return true;
                    }
                }
                return false;
            },
            WaitMs);
        EXPECT_TRUE(answered) << "the cache answers at once";
        return usable;
    }
    bool Arrivals(int count) {
        return QTest::qWaitFor([&] { return arrived->count() >= count; }, WaitMs);
    }
    int Said(const std::string& part) {
        const std::lock_guard lock(linesLock);
        return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const auto& line) {
            return line.find(part) != std::string::npos;
        }));
    }
    bool WaitSaid(const std::string& part, int times = 1) {
        return QTest::qWaitFor([&] { return Said(part) >= times; }, WaitMs);
    }
    std::string AllSaid() {
        const std::lock_guard lock(linesLock);
        std::string all;
        for (const auto& line : lines)
            all += line + "\n";
        return all;
    }
    std::optional<std::string> Copy(const TMediaSource& source) {
        return FileIo::ReadAll(cacheDir.File(source.CopyName()));
    }
    std::vector<std::string> CacheFiles() {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(cacheDir.Path()))
            names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    TTempDir sourceDir;
    TTempDir cacheDir;
    std::unique_ptr<TMediaCache> cache;
    std::unique_ptr<QSignalSpy> resolved;
    std::unique_ptr<QSignalSpy> arrived;
    std::mutex linesLock;
    std::vector<std::string> lines;
};

// A shared folder (an SMB or NFS mount, a synced folder): copied once, copied again only when its
// size or time changes, and shown from the cache while the folder is away.
TEST_F(MediaSupplyTest, AFolderSourceIsCopiedWhenItChangesAndItsCopyShowsWhileItIsAway) {
    const std::string share = sourceDir.File("share");
    FileIo::MakeFolders(share + "/Ads");
    FileIo::WriteAtomically(share + "/Ads/ad.bmp", "first advert");
    Touch(share + "/Ads/ad.bmp", 60);
    Open();
    const TMediaSource ad = Source(share, "C:\\Media\\Ads\\ad.bmp");
    EXPECT_EQ(ad.Location, share + "/Ads/ad.bmp");
    EXPECT_TRUE(Want({ad}).isEmpty()) << "nothing cached yet";
    ASSERT_TRUE(Arrivals(1));
    EXPECT_EQ(arrived->at(0).at(0).toString().toStdString(), ad.CopyName());
    EXPECT_EQ(Copy(ad), "first advert");
    EXPECT_EQ(Said("fetching 0.0 kB from " + ad.Location), 1) << AllSaid();
    EXPECT_EQ(Said("fetched 0.0 kB in "), 1) << AllSaid();

    EXPECT_EQ(Want({ad}), QStringList{QString::fromStdString(ad.CopyName())});
    FileIo::WriteAtomically(share + "/Ads/ad.bmp", "second advert");
    EXPECT_EQ(Want({ad}).size(), 1) << "the old copy shows while the new one comes";
    ASSERT_TRUE(Arrivals(2));
    EXPECT_EQ(Copy(ad), "second advert");
    EXPECT_EQ(Said("fetching"), 2) << "an unchanged file was not copied again: " << AllSaid();

    std::filesystem::rename(share, sourceDir.File("elsewhere"));
    EXPECT_EQ(Want({ad}).size(), 1);
    ASSERT_TRUE(WaitSaid("showing the cached copy of " + ad.Location + ": "));
    EXPECT_EQ(Want({ad}).size(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return resolved->count() >= 5; }, WaitMs));
    std::filesystem::rename(sourceDir.File("elsewhere"), share);
    ASSERT_TRUE(WaitSaid(ad.Location + " can be reached again")) << AllSaid();
    EXPECT_EQ(Said("showing the cached copy"), 1) << "said once while it was away";
    EXPECT_EQ(Copy(ad), "second advert");
}

// nginx as an operator runs it: the first fetch transfers the file, an unchanged file costs a 304
// with no body, a changed one is fetched again; with the server gone the copy shows.
TEST_F(MediaSupplyTest, NginxAnswersAnUnchangedFileWithA304AndTheCopyOutlivesTheServer) {
    if (!TNginxServer::Available())
        GTEST_SKIP() << "nginx is not installed";
    FileIo::MakeFolders(sourceDir.File("media/Spring ads"));
    const std::string file = sourceDir.File("media/Spring ads/Весна.avi");
    FileIo::WriteAtomically(file, std::string(300000, 'a'));
    Touch(file, 120);
    TNginxServer nginx(sourceDir.File("media"));
    Open();
    const TMediaSource ad = Source(nginx.Url(), "C:\\Media\\Spring ads\\\xC2\xE5\xF1\xED\xE0.avi");
    EXPECT_EQ(ad.Location, nginx.Url() + "Spring%20ads/%D0%92%D0%B5%D1%81%D0%BD%D0%B0.avi");
    Want({ad});
    ASSERT_TRUE(Arrivals(1)) << AllSaid();
    EXPECT_EQ(Copy(ad), std::string(300000, 'a'));
    EXPECT_EQ(Said("fetching 300.0 kB from " + ad.Location), 1) << AllSaid();

    Want({ad});
    ASSERT_TRUE(nginx.WaitForAccessLog(2));
    const TAccessEntry second = nginx.AccessLog().at(1);
    EXPECT_EQ(second.status, 304);
    EXPECT_EQ(second.bodyBytes, 0u);
    EXPECT_FALSE(second.ifNoneMatch.empty());
    EXPECT_FALSE(second.ifModifiedSince.empty());

    FileIo::WriteAtomically(file, std::string(300000, 'b'));
    Want({ad});
    ASSERT_TRUE(Arrivals(2));
    EXPECT_EQ(Copy(ad), std::string(300000, 'b')) << "same size, a later time: a new ETag";

    nginx.Stop();
    EXPECT_EQ(Want({ad}).size(), 1);
    ASSERT_TRUE(WaitSaid("showing the cached copy of " + ad.Location)) << AllSaid();
    nginx.Start();
    ASSERT_TRUE(WaitSaid(ad.Location + " can be reached again")) << AllSaid();
    EXPECT_EQ(arrived->count(), 2) << "back, the copy is current: a 304";
}

// A server that sends Last-Modified without an ETag is asked with If-Modified-Since.
TEST_F(MediaSupplyTest, AServerWithoutETagsIsAskedByTime) {
    if (!TPythonWebServer::Available())
        GTEST_SKIP() << "python3 is not installed";
    FileIo::WriteAtomically(sourceDir.File("ad.jpg"), "picture");
    Touch(sourceDir.File("ad.jpg"), 120);
    TPythonWebServer python(sourceDir.Path());
    Open();
    const TMediaSource ad = Source(python.Url(), "C:\\Media\\ad.jpg");
    Want({ad});
    ASSERT_TRUE(Arrivals(1)) << AllSaid();
    for (int n = 0; n < 3; ++n)
        Want({ad});
    cache.reset(); // every check has ended
    EXPECT_EQ(Said("fetching"), 1) << "each later check was a 304: " << AllSaid();
    EXPECT_EQ(Said("showing the cached copy"), 0) << AllSaid();
}

// HTTPS goes through the system's TLS: a server whose certificate nobody vouches for is refused,
// and the same server is fetched from once its certificate is trusted (as after a certificate
// authority is installed on the display and the display started again).
TEST_F(MediaSupplyTest, AnHttpsSourceIsFetchedOnlyWithACertificateTheDisplayTrusts) {
    if (!TPythonWebServer::Available() || !FileIo::Exists("/usr/bin/openssl"))
        GTEST_SKIP() << "python3 or openssl is not installed";
    FileIo::WriteAtomically(sourceDir.File("ad.jpg"), "picture over TLS");
    const TSelfSignedCertificate certificate;
    TPythonWebServer https(sourceDir.Path(), &certificate);
    Open();
    const TMediaSource ad = Source(https.Url(), "C:\\Media\\ad.jpg");
    ASSERT_EQ(ad.Location.rfind("https://127.0.0.1:", 0), 0u);
    Want({ad});
    ASSERT_TRUE(WaitSaid("cannot get " + ad.Location + ": ")) << AllSaid();
    EXPECT_FALSE(Copy(ad));

    const QSslConfiguration system = QSslConfiguration::defaultConfiguration();
    QSslConfiguration trusting = system;
    ASSERT_TRUE(trusting.addCaCertificates(QString::fromStdString(certificate.CertificateFile())));
    QSslConfiguration::setDefaultConfiguration(trusting);
    cache.reset(); // the display started again after its certificates were updated
    Open();
    Want({ad});
    const bool fetched = Arrivals(1);
    QSslConfiguration::setDefaultConfiguration(system);
    ASSERT_TRUE(fetched) << AllSaid();
    EXPECT_EQ(Copy(ad), "picture over TLS");
}

// Servers that fail: an error status, a transfer that stalls, a body cut short, silence. None of
// it ever becomes a copy, the old copy stays, and the source is tried again.
TEST_F(MediaSupplyTest, AFailingServerNeverLeavesACopyAndIsTriedAgain) {
    TScriptedWebServer web;
    const std::string body(200000, 'x');
    web.Set("/good.avi", TWebBehaviour::Serve("old advert", "\"v1\""));
    Open();
    const TMediaSource good = Source(web.Url(), "C:\\Media\\good.avi");
    Want({good});
    ASSERT_TRUE(Arrivals(1));

    web.Set("/good.avi", TWebBehaviour::Fail(500));
    Want({good});
    ASSERT_TRUE(
        WaitSaid("showing the cached copy of " + good.Location + ": the server answered 500"))
        << AllSaid();
    const size_t asked = web.Requests().size();
    EXPECT_TRUE(web.WaitForRequests(asked + 2)) << "tried again with back-off";
    EXPECT_EQ(Copy(good), "old advert");

    web.Set("/stall.avi", TWebBehaviour::StallAfter(body, 1000));
    web.Set("/cut.avi", TWebBehaviour::CutAfter(body, 1000));
    web.Set("/silent.avi", TWebBehaviour::Silent());
    const TMediaSource stall = Source(web.Url(), "C:\\Media\\stall.avi");
    const TMediaSource cut = Source(web.Url(), "C:\\Media\\cut.avi");
    const TMediaSource silent = Source(web.Url(), "C:\\Media\\silent.avi");
    Want({stall, cut, silent});
    ASSERT_TRUE(WaitSaid("cannot get " + stall.Location + ": no byte for 0.5 s")) << AllSaid();
    ASSERT_TRUE(WaitSaid("cannot get " + cut.Location + ": it came cut: 1000 of 200000 bytes"))
        << AllSaid();
    ASSERT_TRUE(WaitSaid("cannot get " + silent.Location + ": no answer within 0.5 s"))
        << AllSaid();
    cache.reset();
    EXPECT_EQ(CacheFiles(), Sorted({good.CopyName(), "index"})) << "no staged file is left behind";
}

// Redirects are followed within the map's address only: a server cannot send the display to
// fetch from anywhere else.
TEST_F(MediaSupplyTest, RedirectsAreFollowedWithinTheMapOnly) {
    TScriptedWebServer web;
    TScriptedWebServer other;
    web.Set("/moved.bmp", TWebBehaviour::Redirect(web.Url() + "new/moved.bmp"));
    web.Set("/new/moved.bmp", TWebBehaviour::Serve("moved picture"));
    web.Set("/away.bmp", TWebBehaviour::Redirect(other.Url() + "away.bmp"));
    other.SetDefault(TWebBehaviour::Serve("someone else's picture"));
    Open();
    const TMediaSource moved = Source(web.Url(), "C:\\Media\\moved.bmp");
    const TMediaSource away = Source(web.Url(), "C:\\Media\\away.bmp");
    Want({moved, away});
    ASSERT_TRUE(Arrivals(1)) << AllSaid();
    EXPECT_EQ(Copy(moved), "moved picture");
    ASSERT_TRUE(WaitSaid("cannot get " + away.Location + ": it was redirected to " + other.Url() +
                         "away.bmp, outside " + web.Url()))
        << AllSaid();
    EXPECT_TRUE(other.Requests().empty());
}

// A copy damaged on disk while the display was off is found by its hash at the next start: it is
// never shown, and it is fetched again.
TEST_F(MediaSupplyTest, ACopyDamagedBetweenRunsIsNotShownAndIsFetchedAgain) {
    TScriptedWebServer web;
    web.Set("/ad.avi", TWebBehaviour::Serve("the advert", "\"v1\""));
    Open();
    const TMediaSource ad = Source(web.Url(), "C:\\Media\\ad.avi");
    Want({ad});
    ASSERT_TRUE(Arrivals(1));
    cache.reset();
    ASSERT_TRUE(FileIo::WriteAtomically(cacheDir.File(ad.CopyName()), "the advexx"));
    Open();
    EXPECT_TRUE(Want({ad}).isEmpty());
    ASSERT_TRUE(Arrivals(1)) << AllSaid();
    EXPECT_EQ(Said("the cached copy of " + ad.Location + " was damaged"), 1) << AllSaid();
    EXPECT_EQ(Copy(ad), "the advert");
    EXPECT_EQ(web.Requests().back().Header("If-None-Match"), "") << "asked for whole";
}

// A display fetches for weeks: fifty changed files, from the web and from a folder, leave no
// thread, descriptor or staged file behind.
TEST_F(MediaSupplyTest, FiftyFetchesLeaveNoThreadDescriptorOrStagedFileBehind) {
    TScriptedWebServer web;
    FileIo::MakeFolders(sourceDir.File("share"));
    Open();
    const TMediaSource fromWeb = Source(web.Url(), "C:\\Media\\ad.avi");
    const TMediaSource fromFolder = Source(sourceDir.File("share"), "C:\\Media\\ad.bmp");
    const auto change = [&](int n) {
        const std::string content(static_cast<size_t>(100000 + n), static_cast<char>('a' + n % 26));
        web.Set("/ad.avi", TWebBehaviour::Serve(content, "\"v" + std::to_string(n) + "\""));
        FileIo::WriteAtomically(sourceDir.File("share/ad.bmp"), content);
    };
    change(0);
    Want({fromWeb, fromFolder});
    ASSERT_TRUE(Arrivals(2));
    const pid_t self = ::getpid();
    const long threads = ProcessState::Threads(self);
    const long descriptors = ProcessState::Descriptors(self);
    for (int n = 1; n <= 25; ++n) {
        change(n);
        Want({fromWeb, fromFolder});
        ASSERT_TRUE(Arrivals(2 + 2 * n)) << n << AllSaid();
    }
    EXPECT_EQ(Copy(fromWeb), std::string(100025, 'z'));
    EXPECT_TRUE(QTest::qWaitFor([&] { return ProcessState::Threads(self) <= threads; }, WaitMs))
        << ProcessState::Threads(self) << " threads, " << threads << " before";
    EXPECT_LE(ProcessState::Descriptors(self), descriptors + 2)
        << "a connection kept alive at most";
    cache.reset();
    EXPECT_EQ(CacheFiles(), Sorted({fromWeb.CopyName(), fromFolder.CopyName(), "index"}));
}

// The cache keeps to its limit: the least recently shown copies go for a new one, never one of
// the layouts that may be on the screen.
TEST_F(MediaSupplyTest, TheLimitMakesRoomFromCopiesNoLongerShown) {
    TScriptedWebServer web;
    web.SetDefault(TWebBehaviour::Serve(std::string(400000, 'm')));
    TSupplyLimits limits = ShortLimits();
    limits.CacheBytes = 1000000;
    Open(limits);
    std::vector<TMediaSource> ads;
    for (const char* name : {"C:\\Media\\a.avi", "C:\\Media\\b.avi", "C:\\Media\\c.avi"})
        ads.push_back(Source(web.Url(), name));
    Want({ads[0]});
    ASSERT_TRUE(Arrivals(1));
    Want({ads[1]});
    ASSERT_TRUE(Arrivals(2));
    Want({ads[2]});
    ASSERT_TRUE(Arrivals(3)) << AllSaid();
    EXPECT_FALSE(Copy(ads[0])) << "a.avi went: the two last layouts may still be on the screen";
    EXPECT_TRUE(Copy(ads[1]));
    EXPECT_TRUE(Copy(ads[2]));

    Want({ads[0], ads[1], ads[2]});
    ASSERT_TRUE(WaitSaid("the cache's limit of 1.0 MB cannot hold " + ads[0].Location))
        << AllSaid();
    EXPECT_EQ(Copy(ads[1]).value_or("").size(), 400000u) << "nothing shown gave way";
}

} // namespace
