#include "server/DisplayReport.h"

#include <gtest/gtest.h>
#include <random>

namespace {

using namespace std::chrono_literals;

const TDisplayReport::TTime T0 = std::chrono::system_clock::time_point(1'000'000s);

// A picture of three parts that starts as every JPEG does.
std::vector<TShotPart> Parts(int count = 3) {
    std::vector<TShotPart> parts;
    for (int n = 1; n <= count; ++n)
        parts.push_back({"Client 3", n, count, n == 1 ? std::string("\xFF\xD8\xFF\xE0") : "x"});
    return parts;
}

TEST(DisplayReportTest, PartsInOrderMakeThePictureAndAnythingElseDropsIt) {
    TDisplayReport report;
    const auto parts = Parts();
    EXPECT_EQ(report.TakeShotPart(parts[0], T0), "");
    EXPECT_EQ(report.TakeShotPart(parts[2], T0), "part 3/3 out of order");
    // The next part 1 starts afresh; a count that changes midway drops that picture too.
    EXPECT_EQ(report.TakeShotPart(parts[0], T0), "");
    EXPECT_EQ(report.TakeShotPart(TShotPart{"Client 3", 2, 4, "x"}, T0), "part 2/4 out of order");
    EXPECT_EQ(report.PictureCount(), 0u);
    for (const TShotPart& part : parts)
        EXPECT_EQ(report.TakeShotPart(part, T0), "");
    EXPECT_EQ(report.PictureCount(), 1u);
    EXPECT_EQ(report.Picture(), "\xFF\xD8\xFF\xE0xx");
}

TEST(DisplayReportTest, APartThatDoesNotReadOrComesTooLateDropsThePictureAndKeepsTheLastOne) {
    TDisplayReport report;
    for (const TShotPart& part : Parts())
        report.TakeShotPart(part, T0);
    const auto parts = Parts();
    // A count over 32 never reads.
    const TExchangeBlock over = ShotMessage::MakePart({"Client 3", 1, 33, "x"});
    report.TakeShotPart(parts[0], T0);
    EXPECT_EQ(report.TakeShotPart(ShotMessage::ReadPart(over), T0), "part does not read");
    EXPECT_EQ(report.TakeShotPart(parts[1], T0), "part 2/3 out of order");
    report.TakeShotPart(parts[0], T0);
    report.TakeShotPart(parts[1], T0 + 5s);
    EXPECT_EQ(report.TakeShotPart(parts[2], T0 + 11s), "picture left incomplete at part 2 of 3");
    EXPECT_EQ(report.PictureCount(), 1u);
    EXPECT_EQ(report.Picture(), "\xFF\xD8\xFF\xE0xx");
}

TEST(DisplayReportTest, APictureThatIsNoJpegIsNotKept) {
    TDisplayReport report;
    EXPECT_EQ(report.TakeShotPart(TShotPart{"Client 3", 1, 1, "GIF89a"}, T0),
              "picture is not a JPEG");
    EXPECT_EQ(report.PictureCount(), 0u);
}

TEST(DisplayReportTest, AStatusIsKeptOnlyAsKeyValueLines) {
    TDisplayReport report;
    const TStatusMessage good{"Client 3", "type 2: spring.mp4",
                              "shown=spring.mp4\r\nplace=3 of 6\r\ntemperature=51\r\n"};
    EXPECT_EQ(report.TakeStatus(good), "");
    std::mt19937 random(7);
    std::string garbage(1000, '\0');
    for (char& c : garbage)
        c = static_cast<char>(random() % 256);
    EXPECT_EQ(report.TakeStatus({"Client 3", "", garbage}), "lines are not key=value lines");
    EXPECT_EQ(report.TakeStatus({"Client 3", "two\r\nlines", ""}),
              "summary is not one line of text");
    EXPECT_EQ(report.StatusCount(), 1u);
    EXPECT_EQ(report.Status(), good);
    EXPECT_EQ(StatusMessage::Value(good.Lines, "place"), "3 of 6");
    EXPECT_EQ(StatusMessage::Value(good.Lines, "media"), "");
}

} // namespace
