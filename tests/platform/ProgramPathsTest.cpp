#include "platform/ProgramPaths.h"

#include "common/TempDir.h"
#include "platform/FileIo.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

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

TEST_F(ProgramPathsTest, StartCommandIsTheLauncherOnlyWhenItCanRun) {
    TTempDir dir;
    const std::string launcher = dir.File("velmora");
    ProgramPaths::SetExecutablePath("/home/alice/.local/share/velmora/velmora");
    {
        TVariableGuard unset("VELMORA_LAUNCHER", nullptr);
        EXPECT_EQ(ProgramPaths::StartCommand(), "/home/alice/.local/share/velmora/velmora");
    }
    TVariableGuard set("VELMORA_LAUNCHER", launcher.c_str());
    EXPECT_EQ(ProgramPaths::StartCommand(), "/home/alice/.local/share/velmora/velmora")
        << "a launcher that is not there";
    ASSERT_TRUE(FileIo::WriteAtomically(launcher, "#!/bin/sh\n"));
    EXPECT_EQ(ProgramPaths::StartCommand(), "/home/alice/.local/share/velmora/velmora")
        << "a launcher that cannot run";
    ASSERT_EQ(::chmod(launcher.c_str(), 0755), 0);
    EXPECT_EQ(ProgramPaths::StartCommand(), launcher);
    TVariableGuard relative("VELMORA_LAUNCHER", "velmora");
    EXPECT_EQ(ProgramPaths::StartCommand(), "/home/alice/.local/share/velmora/velmora");
}

TEST_F(ProgramPathsTest, ConfigHomeFollowsXdgThenHome) {
    TTempDir dir;
    TConfigHomeGuard guard(dir.Path());
    EXPECT_EQ(ProgramPaths::ConfigHome(), dir.Path());
    ::setenv("XDG_CONFIG_HOME", "", 1);
    EXPECT_EQ(ProgramPaths::ConfigHome(), dir.Path() + "/.config");
}

} // namespace
