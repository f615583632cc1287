#include "console/ShellRules.h"

#include "common/TempDir.h"
#include "platform/FileIo.h"

#include <gtest/gtest.h>

namespace {

TEST(ShellRulesTest, RegionCoversTheSteppedOutlineExactly) {
    // Count the pixels of the region and check the corners: 800 x 600 minus the steps.
    std::vector<std::vector<bool>> inside(602, std::vector<bool>(802, false));
    for (const auto& r : ShellRules::WindowRegion()) {
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x) {
                EXPECT_FALSE(inside[y][x]) << "rectangles overlap at " << x << "," << y;
                inside[y][x] = true;
            }
        }
    }
    EXPECT_FALSE(inside[1][5]);
    EXPECT_TRUE(inside[1][6]);
    EXPECT_TRUE(inside[1][795]);
    EXPECT_FALSE(inside[1][796]);
    EXPECT_TRUE(inside[300][1]);
    EXPECT_TRUE(inside[300][800]);
    EXPECT_FALSE(inside[300][801]);
    EXPECT_FALSE(inside[0][400]);
    EXPECT_TRUE(inside[600][400]);
    EXPECT_FALSE(inside[601][400]) << "nothing below row 601 is visible";
    int count = 0;
    for (const auto& row : inside)
        count += static_cast<int>(std::count(row.begin(), row.end(), true));
    EXPECT_EQ(count, 800 * 600 - 4 * (5 + 3 + 2 + 1 + 1));
}

TEST(ShellRulesTest, WindowIsCentredAndANarrowScreenGivesANegativeLeft) {
    EXPECT_EQ(ShellRules::WindowLeft(1920, 802), 559);
    EXPECT_EQ(ShellRules::WindowLeft(3840, 802), 1519);
    EXPECT_EQ(ShellRules::WindowLeft(640, 802), -81);
    EXPECT_EQ(ShellRules::WindowLeft(641, 802), -80) << "rounded toward zero";
}

TEST(ShellRulesTest, HoverComparisonsAreStrict) {
    // Sb_Close at (774, 5), 22 x 23, in a window at (100, 10).
    const auto under = [](int x, int y) {
        return ShellRules::UnderCursor(100, 10, 774, 5, 22, 23, x, y);
    };
    EXPECT_TRUE(under(880, 20));
    EXPECT_FALSE(under(874, 20)) << "the leftmost column itself";
    EXPECT_TRUE(under(875, 20));
    EXPECT_TRUE(under(895, 37));
    EXPECT_FALSE(under(896, 20));
    EXPECT_FALSE(under(880, 15));
    EXPECT_FALSE(under(880, 38));
}

TEST(ShellRulesTest, HelpFileByLanguageFoundInCurrentFolderThenBesideTheProgram) {
    EXPECT_EQ(ShellRules::HelpFileName(0), "Help_e.txt");
    EXPECT_EQ(ShellRules::HelpFileName(1), "Help_r.txt");
    EXPECT_EQ(ShellRules::HelpFileName(5), std::nullopt);
    TTempDir current, program;
    EXPECT_EQ(ShellRules::FindHelpFile("Help_e.txt", current.Path(), program.Path()), std::nullopt);
    ASSERT_TRUE(FileIo::WriteAtomically(program.File("Help_e.txt"), "guide"));
    EXPECT_EQ(ShellRules::FindHelpFile("Help_e.txt", current.Path(), program.Path() + "/"),
              program.File("Help_e.txt"));
    ASSERT_TRUE(FileIo::WriteAtomically(current.File("Help_e.txt"), "local guide"));
    EXPECT_EQ(ShellRules::FindHelpFile("Help_e.txt", current.Path(), program.Path()),
              current.File("Help_e.txt"));
}

TEST(ShellRulesTest, WebPagesByLanguage) {
    using ShellRules::TWebLink;
    const std::string host = ShellRules::MakerWebServer;
    EXPECT_EQ(ShellRules::WebPage(TWebLink::HomePage, 0), host + "/index_e.html");
    EXPECT_EQ(ShellRules::WebPage(TWebLink::HomePage, 1), host + "/index.html");
    EXPECT_EQ(ShellRules::WebPage(TWebLink::ProgramPage, 0), host + "/engl/velmora/velmora.html");
    EXPECT_EQ(ShellRules::WebPage(TWebLink::ProgramPage, 1), host + "/russ/velmora/velmora.html");
    EXPECT_EQ(ShellRules::WebPage(TWebLink::HomePage, 2), std::nullopt);
}

} // namespace
