#include "console/ServerParamsKeeper.h"

#include "common/TempDir.h"
#include "platform/FileIo.h"
#include "platform/IniFile.h"

#include <gtest/gtest.h>

namespace {

// The port field and the auto-start box, as plain values.
class TFakeParamsView : public IServerParamsView {
public:
    std::string PortText() const override { return portText; }
    void SetPortText(const std::string& text) override { portText = text; }
    bool AutoStart() const override { return autoStart; }
    void SetAutoStart(bool value) override { autoStart = value; }

    std::string portText = "untouched";
    bool autoStart = false;
};

class ServerParamsKeeperTest : public ::testing::Test {
protected:
    std::string Ini() const { return FileIo::ReadAll(iniPath).value_or("<missing>"); }

    TTempDir dir;
    std::string iniPath = dir.File("velmora.ini");
    TFakeParamsView view;
    TServerParamsKeeper keeper{view, iniPath};
};

TEST_F(ServerParamsKeeperTest, LoadFillsTheControlsAndSaysWhetherToStart) {
    EXPECT_FALSE(keeper.Load());
    EXPECT_EQ(view.portText, "5678");
    EXPECT_FALSE(view.autoStart);
    for (const char* stored : {"0", "abc"}) {
        ASSERT_TRUE(FileIo::WriteAtomically(iniPath, std::string("[ServerParams]\nServerPort=") +
                                                         stored + "\n"));
        keeper.Load();
        EXPECT_EQ(view.portText, "5678") << stored;
    }
    ASSERT_TRUE(
        FileIo::WriteAtomically(iniPath, "[ServerParams]\nServerPort=5679\nServerAutoStart=1\n"));
    EXPECT_TRUE(keeper.Load());
    EXPECT_EQ(view.portText, "5679");
    EXPECT_TRUE(view.autoStart);
}

TEST_F(ServerParamsKeeperTest, SaveWritesTheControlsOnceOnly) {
    view.portText = "abc";
    view.autoStart = true;
    keeper.SaveOnce();
    EXPECT_EQ(Ini(), "[ServerParams]\nServerPort=5678\nServerAutoStart=1\n");
    // The window closed and is now destroyed: its second save writes nothing.
    view.portText = "5679";
    view.autoStart = false;
    keeper.SaveOnce();
    EXPECT_EQ(Ini(), "[ServerParams]\nServerPort=5678\nServerAutoStart=1\n");
}

TEST_F(ServerParamsKeeperTest, AFolderThatCannotBeWrittenIsToldOnce) {
    const std::string unwritable = dir.File("missing-folder/velmora.ini");
    TServerParamsKeeper lost(view, unwritable);
    try {
        lost.SaveOnce();
        FAIL() << "the write should have failed";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + unwritable);
    }
    EXPECT_NO_THROW(lost.SaveOnce());
}

} // namespace
