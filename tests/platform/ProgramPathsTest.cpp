#include "platform/ProgramPaths.h"

#include "common/TempDir.h"

#include <gtest/gtest.h>

namespace {

class ProgramPathsTest : public ::testing::Test {
protected:
    void TearDown() override { ProgramPaths::SetExecutablePath(""); }
};

TEST_F(ProgramPathsTest, IniBesideTheExecutable) {
    ProgramPaths::SetExecutablePath("/opt/velmora/build/velmora");
    EXPECT_EQ(ProgramPaths::IniPath(), "/opt/velmora/build/velmora.ini");
    EXPECT_EQ(ProgramPaths::ExecutableFolder(), "/opt/velmora/build/");
    EXPECT_EQ(ProgramPaths::DataFolder(), "/opt/velmora/build/data/");
    ProgramPaths::SetExecutablePath("/opt/v.1/VELMORA.EXE");
    EXPECT_EQ(ProgramPaths::IniPath(), "/opt/v.1/VELMORA.ini");
    EXPECT_EQ(ProgramPaths::ProgramTitle(), "Velmora");
    ProgramPaths::SetExecutablePath("/opt/v.1/velmora.tar.gz");
    EXPECT_EQ(ProgramPaths::ProgramTitle(), "velmora");
    EXPECT_EQ(ProgramPaths::IniPath(), "/opt/v.1/velmora.tar.ini");
}

TEST_F(ProgramPathsTest, RealExecutableIsThisTest) {
    EXPECT_NE(ProgramPaths::ExecutablePath().find("platform_tests"), std::string::npos);
}

TEST_F(ProgramPathsTest, ConfigHomeFollowsXdgThenHome) {
    TTempDir dir;
    TConfigHomeGuard guard(dir.Path());
    EXPECT_EQ(ProgramPaths::ConfigHome(), dir.Path());
    ::setenv("XDG_CONFIG_HOME", "", 1);
    EXPECT_EQ(ProgramPaths::ConfigHome(), dir.Path() + "/.config");
}

} // namespace
