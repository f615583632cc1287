#include "server/DisplayAssignment.h"

#include "common/TempDir.h"
#include "platform/FileIo.h"
#include "platform/IniFile.h"

#include <gtest/gtest.h>

namespace {

class DisplayAssignmentTest : public ::testing::Test {
protected:
    TTempDir dir;
    TIniFile ini{dir.File("velmora.ini")};
};

TEST_F(DisplayAssignmentTest, UnassignedClientsHaveType1) {
    EXPECT_EQ(DisplayAssignment::GetClientDisplayType(ini, "Client 3"), 1);
    EXPECT_EQ(DisplayAssignment::BuildDisplayConfig(ini, 1, "Client 3"),
              "[DisplayParams_Client3_1]\r\n");
}

TEST_F(DisplayAssignmentTest, TypesAreReadByTheIntegerRule) {
    for (const auto& [stored, expected] : std::vector<std::pair<std::string, int>>{
             {"4", 4}, {"0x7", 7}, {"$8", 8}, {"12", 12}, {"-1", -1}, {"abc", 1}, {"", 1}}) {
        ini.WriteString("ClientDisplay_Client5", "DisplayType", stored);
        EXPECT_EQ(DisplayAssignment::GetClientDisplayType(ini, "Client 5"), expected) << stored;
    }
}

TEST_F(DisplayAssignmentTest, NamesDifferingInSpacesAndCaseShareOneSection) {
    DisplayAssignment::SetClientDisplayType(ini, "Client 3", 6);
    EXPECT_EQ(DisplayAssignment::GetClientDisplayType(ini, "Client3"), 6);
    EXPECT_EQ(DisplayAssignment::GetClientDisplayType(ini, "client 3"), 6);
    EXPECT_EQ(ini.ReadString("ClientDisplay_Client3", "DisplayType", ""), "6");
    DisplayAssignment::SetClientDisplayType(ini, "", 2);
    EXPECT_EQ(ini.ReadString("ClientDisplay_", "DisplayType", ""), "2");
}

TEST_F(DisplayAssignmentTest, ConfigTextListsTheSectionInFileOrderWithCrLf) {
    ASSERT_TRUE(FileIo::WriteAtomically(ini.FileName(),
                                        "[DisplayParams_Client3_3]\nb=2\na=x=y\n[Other]\nc=3\n"));
    EXPECT_EQ(DisplayAssignment::BuildDisplayConfig(ini, 3, "Client 3"),
              "[DisplayParams_Client3_3]\r\nb=2\r\na=x=y\r\n");
    EXPECT_EQ(DisplayAssignment::BuildDisplayConfig(ini, 3, "client3"),
              "[DisplayParams_client3_3]\r\nb=2\r\na=x=y\r\n");
}

TEST_F(DisplayAssignmentTest, MissingFileGivesDefaultsAndUnwritableFileRaises) {
    TIniFile missing(dir.File("no-folder/velmora.ini"));
    EXPECT_EQ(DisplayAssignment::GetClientDisplayType(missing, "Client 1"), 1);
    try {
        DisplayAssignment::SetClientDisplayType(missing, "Client 1", 2);
        FAIL();
    } catch (const EIniFileException& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + missing.FileName());
    }
}

TEST(DisplayTypeStepTest, ArrowsWrapOnlyAtTheEndsOfOneToEight) {
    EXPECT_EQ(DisplayAssignment::StepDown(1), 8);
    EXPECT_EQ(DisplayAssignment::StepUp(8), 1);
    EXPECT_EQ(DisplayAssignment::StepDown(5), 4);
    EXPECT_EQ(DisplayAssignment::StepUp(5), 6);
    EXPECT_EQ(DisplayAssignment::StepUp(12), 13);
    EXPECT_EQ(DisplayAssignment::StepDown(12), 11);
    EXPECT_EQ(DisplayAssignment::StepDown(0), -1);
    EXPECT_EQ(DisplayAssignment::StepUp(0), 1);
    EXPECT_EQ(DisplayAssignment::StepUp(-1), 0);
}

} // namespace
