#include "console/ActivityLog.h"

#include <gtest/gtest.h>
#include <set>
#include <thread>

namespace {

TEST(ActivityLogTest, LinesFromManyThreadsStayWholeAndInOrderPerThread) {
    TActivityLog log;
    constexpr int Threads = 8, PerThread = 500;
    std::vector<std::thread> threads;
    for (int t = 0; t < Threads; ++t) {
        threads.emplace_back([&log, t] {
            for (int i = 0; i < PerThread; ++i)
                log.AddLog("12:00:00 Connection from \"127.0.0." + std::to_string(t) + "\" #" +
                           std::to_string(i));
        });
    }
    for (auto& th : threads)
        th.join();
    const auto lines = log.Lines();
    ASSERT_EQ(lines.size(), static_cast<size_t>(Threads * PerThread));
    std::vector<int> next(Threads, 0);
    for (const auto& line : lines) {
        const auto quote = line.find("127.0.0.");
        ASSERT_NE(quote, std::string::npos) << line;
        const auto t = static_cast<size_t>(line[quote + 8] - '0');
        EXPECT_EQ(line, "12:00:00 Connection from \"127.0.0." + std::to_string(t) + "\" #" +
                            std::to_string(next[t]));
        ++next[t];
    }
}

TEST(ActivityLogTest, KeepsOnlyTheNewestLines) {
    TActivityLog log;
    for (size_t i = 0; i < TActivityLog::MaxLines + 5; ++i)
        log.AddLog(std::to_string(i));
    const auto lines = log.Lines();
    ASSERT_EQ(lines.size(), TActivityLog::MaxLines);
    EXPECT_EQ(lines.front(), "5");
    EXPECT_EQ(lines.back(), std::to_string(TActivityLog::MaxLines + 4));
}

TEST(ActivityLogTest, ReaderCollectsOnlyNewLinesAndSkipsDroppedOnes) {
    TActivityLog log;
    uint64_t last = 0;
    EXPECT_TRUE(log.LinesAfter(0, last).empty());
    log.AddLog("a");
    log.AddLog("b");
    auto got = log.LinesAfter(0, last);
    EXPECT_EQ(got, (std::vector<std::string>{"a", "b"}));
    log.AddLog("");
    got = log.LinesAfter(last, last);
    EXPECT_EQ(got, (std::vector<std::string>{""}));
    EXPECT_TRUE(log.LinesAfter(last, last).empty());
    for (size_t i = 0; i < TActivityLog::MaxLines * 2; ++i)
        log.AddLog("x" + std::to_string(i));
    got = log.LinesAfter(last, last);
    ASSERT_EQ(got.size(), TActivityLog::MaxLines);
    EXPECT_EQ(got.front(), "x" + std::to_string(TActivityLog::MaxLines));
}

TEST(ActivityLogTest, ClearEmptiesButKeepsNumbering) {
    TActivityLog log;
    log.AddLog("meLog");
    uint64_t last = 0;
    log.LinesAfter(0, last);
    log.Clear();
    EXPECT_TRUE(log.Lines().empty());
    log.AddLog("Сервер запущен на порту 5678");
    EXPECT_EQ(log.LinesAfter(last, last),
              (std::vector<std::string>{"Сервер запущен на порту 5678"}));
}

} // namespace
