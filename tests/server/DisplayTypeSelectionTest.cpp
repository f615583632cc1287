#include "server/DisplayTypeSelection.h"

#include "common/TempDir.h"
#include "platform/IniFile.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

// The selector as plain values: what it shows now, and every picture it was asked for.
class TFakeSelectorView : public IDisplayTypeView {
public:
    void ShowClientName(const std::string& name) override { clientName = name; }
    void ShowDisplayType(const std::string& text) override { displayType = text; }
    void ShowDisplayPicture(int type) override { pictures.push_back(type); }

    std::string clientName = "untouched";
    std::string displayType;
    std::vector<int> pictures;
};

class DisplayTypeSelectionTest : public ::testing::Test {
protected:
    std::string Stored(const std::string& section) const {
        return TIniFile(iniPath).ReadString(section, "DisplayType", "<none>");
    }

    TTempDir dir;
    std::string iniPath = dir.File("velmora.ini");
    TFakeSelectorView view;
    TDisplayTypeSelection selection{view, iniPath};
};

TEST_F(DisplayTypeSelectionTest, StartsOnType1WithNoClientAndStoresNothingUntilAChange) {
    selection.ShowAll();
    EXPECT_EQ(view.clientName, "");
    EXPECT_EQ(view.displayType, "№ 1");
    EXPECT_EQ(view.pictures, std::vector<int>{1});
    EXPECT_EQ(Stored("ClientDisplay_"), "<none>");
    // "Play display" opens even now; the setup button needs a client.
    EXPECT_EQ(selection.PlayOpening(), (TLayoutOpening{TLayoutMode::Play, "", 1}));
    EXPECT_EQ(selection.SetupOpening(), std::nullopt);
}

TEST_F(DisplayTypeSelectionTest, AClickedRowTakesTheSlotsTypeThenTheNameItsClientSpelled) {
    TIniFile(iniPath).WriteInteger("ClientDisplay_Client2", "DisplayType", 8);
    selection.SelectClient("Client 2", std::string("client 2"));
    EXPECT_EQ(view.clientName, "client 2");
    EXPECT_EQ(view.displayType, "№ 8");
    EXPECT_EQ(view.pictures, std::vector<int>{8});
    // The type is stored back under the slot name; the spelling shares its section.
    EXPECT_EQ(Stored("ClientDisplay_Client2"), "8");
    EXPECT_EQ(selection.SetupOpening(), (TLayoutOpening{TLayoutMode::Edit, "client 2", 8}));

    selection.SelectClient("Client 6", std::nullopt); // a slot no client holds
    EXPECT_EQ(view.clientName, "Client 6");
    EXPECT_EQ(Stored("ClientDisplay_Client6"), "1");
}

TEST_F(DisplayTypeSelectionTest, EveryArrowStepIsShownAndStoredForTheClient) {
    selection.SelectClient("Client 3", std::nullopt);
    selection.StepDown();
    EXPECT_EQ(view.displayType, "№ 8");
    EXPECT_EQ(view.pictures.back(), 8);
    EXPECT_EQ(Stored("ClientDisplay_Client3"), "8");
    selection.StepUp();
    EXPECT_EQ(selection.DisplayType(), 1);
    EXPECT_EQ(Stored("ClientDisplay_Client3"), "1");
    // A type without a picture is asked for all the same: the view keeps the one shown.
    selection.SelectDisplayType(12);
    selection.StepUp();
    EXPECT_EQ(view.displayType, "№ 13");
    EXPECT_EQ(view.pictures.back(), 13);
    selection.SelectDisplayType(0);
    EXPECT_EQ(selection.SetupOpening(), std::nullopt) << "type 0 has no layout to edit";
    EXPECT_EQ(selection.PlayOpening(), (TLayoutOpening{TLayoutMode::Play, "Client 3", 0}));
}

TEST_F(DisplayTypeSelectionTest, AKickedClientLeavesTheSelectionWithoutAName) {
    selection.SelectClient("Client 4", std::nullopt);
    selection.ClearClientName();
    EXPECT_EQ(view.clientName, "");
    EXPECT_EQ(selection.SetupOpening(), std::nullopt);
    selection.StepUp();
    EXPECT_EQ(Stored("ClientDisplay_"), "2") << "an empty name stores into the bare section";
}

TEST_F(DisplayTypeSelectionTest, ATypeThatCannotBeStoredIsShownButNotPictured) {
    TFakeSelectorView lostView;
    TDisplayTypeSelection lost(lostView, dir.File("missing-folder/velmora.ini"));
    EXPECT_THROW(lost.SelectDisplayType(5), EIniFileException);
    EXPECT_EQ(lostView.displayType, "№ 5");
    EXPECT_TRUE(lostView.pictures.empty());
    EXPECT_EQ(lost.DisplayType(), 5);
}

} // namespace
