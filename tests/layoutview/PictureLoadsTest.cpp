#include "layoutview/PictureLoads.h"

#include <QTest>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <set>

namespace {

// Bound of the waits: a guard against a hang, never a measurement.
constexpr int CeilingMs = 10000;

// Stands for the file system: records what was read, and holds the reads of files whose name
// begins with "held" until it lets them go, as a hung mount would.
class TFileSystem {
public:
    TPicture Read(const QString& path) {
        std::unique_lock lock(lock_);
        read_.insert(path);
        changed_.notify_all();
        if (path.startsWith(QLatin1String("held")))
            changed_.wait(lock, [this] { return released_; });
        return TPicture(QImage(2, 2, QImage::Format_RGB32));
    }
    void Release() {
        const std::lock_guard lock(lock_);
        released_ = true;
        changed_.notify_all();
    }
    std::set<QString> Read() {
        const std::lock_guard lock(lock_);
        return read_;
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    std::set<QString> read_;
    bool released_ = false;
};

// What each load answered, by path.
class TAnswers {
public:
    TPictureLoads::TDone For(const QString& path) {
        return [this, path](const TPictureLoads::TResult& result) {
            ++count_[path];
            failure_[path] = result.Picture ? QString() : result.Failure;
        };
    }
    int Count(const QString& path) const { return count_.value(path); }
    QString Failure(const QString& path) const { return failure_.value(path); }

private:
    QHash<QString, int> count_;
    QHash<QString, QString> failure_;
};

TEST(PictureLoadsTest, LoadsOfAReplacedLayoutAreDroppedBeforeTheyReadAByte) {
    TFileSystem files;
    TAnswers answers;
    TPictureLoads loads([&](const QString& path) { return files.Read(path); });
    QObject layout;
    // Both threads busy with large pictures of an old layout.
    const auto first = loads.Load("held 1", &layout, answers.For("held 1"));
    const auto second = loads.Load("held 2", &layout, answers.For("held 2"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return files.Read().size() == 2; }, CeilingMs));
    // Forty layouts come and go before their pictures' turn; one more goes with its layout.
    for (int n = 0; n < 40; ++n)
        (void)loads.Load(QStringLiteral("stale %1").arg(n), &layout, answers.For("stale"));
    auto orphan = std::make_unique<QObject>();
    const auto orphaned = loads.Load("orphaned", orphan.get(), answers.For("orphaned"));
    orphan.reset();
    const auto current = loads.Load("current", &layout, answers.For("current"));

    files.Release();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return answers.Count("current") == 1 && answers.Count("held 1") == 1 &&
                   answers.Count("held 2") == 1;
        },
        CeilingMs));
    EXPECT_EQ(answers.Failure("current"), QString());
    EXPECT_EQ(answers.Count("stale"), 0);
    EXPECT_EQ(answers.Count("orphaned"), 0) << "nobody to answer";
    const std::set<QString> read = files.Read();
    EXPECT_EQ(read.count("current"), 1u);
    for (const QString& path : read)
        EXPECT_FALSE(path.startsWith(QLatin1String("stale"))) << path.toStdString();
}

TEST(PictureLoadsTest, ALoadThatHangsIsGivenUpAndLaterLoadsStillRun) {
    TFileSystem files;
    TAnswers answers;
    TPictureLoads loads([&](const QString& path) { return files.Read(path); },
                        std::chrono::milliseconds(200));
    QObject layout;
    const auto first = loads.Load("held 1", &layout, answers.For("held 1"));
    const auto second = loads.Load("held 2", &layout, answers.For("held 2"));
    const auto next = loads.Load("next", &layout, answers.For("next"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return answers.Count("next") == 1; }, CeilingMs))
        << "not starved by the two hung loads";
    EXPECT_EQ(answers.Failure("next"), QString());
    EXPECT_EQ(answers.Count("held 1"), 1);
    EXPECT_EQ(answers.Failure("held 1"), QStringLiteral("it did not load within 0.2 s"));
    EXPECT_EQ(loads.GivenUp(), 2);

    files.Release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return loads.GivenUp() == 0; }, CeilingMs));
    // Their late results were posted before they left: none may be answered again.
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(answers.Count("held 1"), 1);
    EXPECT_EQ(answers.Count("held 2"), 1);
}

} // namespace
