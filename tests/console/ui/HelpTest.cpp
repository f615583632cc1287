#include "console/ui/Help.h"

#include "common/TempDir.h"
#include "platform/FileIo.h"
#include "platform/KeyStore.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

// A window with a few controls of the names the texts go into; the full list is checked against
// the real main window in its own tests.
class TBareWindow : public QWidget {
public:
    TBareWindow() {
        for (const char* name : {"Sb_Help", "Sb_Close"})
            Add<QToolButton>(name);
        for (const char* name : {"Lbl_Title_1", "Lbl_Title_2", "Lbl1", "Lbl_Lang", "Cb_AutoRun"})
            Add<QLabel>(name)->setText("Надпись");
        Add<QLineEdit>("Edit_Lang");
        Add<QWidget>("Lbl4"); // a control without a text: only hints could go there
        auto* menu = new QMenu(this);
        for (int i = 1; i <= 5; ++i)
            menu->addAction(QString())->setObjectName(QString("TrayMenu_%1").arg(i));
    }

    template <class T>
    T* Add(const char* name) {
        auto* widget = new T(this);
        widget->setObjectName(name);
        return widget;
    }
    QString Text(const char* name) const {
        return findChild<QObject*>(name)->property("text").toString();
    }
    QString Hint(const char* name) const {
        return findChild<QObject*>(name)->property("toolTip").toString();
    }
};

class HelpTest : public ::testing::Test {
protected:
    TTempDir home;
    TConfigHomeGuard guard{home.Path()};
    TBareWindow window;
    TfmHelp help;
};

TEST_F(HelpTest, EnglishGoesIntoCaptionsHintsAndTrayItems) {
    help.ApplyLanguage(0, window);
    EXPECT_EQ(window.Text("Lbl_Title_1"), "Server");
    EXPECT_EQ(window.Text("Lbl_Lang"), "Interface:");
    EXPECT_EQ(window.Hint("Sb_Close"), "Exit the program");
    EXPECT_EQ(window.Text("TrayMenu_5"), "Exit the program");
    EXPECT_EQ(window.Text("Cb_AutoRun"), "Надпись") << "check pictures only take hints";
    EXPECT_EQ(window.Text("Edit_Lang"), "English");
    EXPECT_EQ(help.Table().ServerStopText, "Server: Stop");
    EXPECT_FALSE(window.findChild<QObject*>("Lbl4")->property("text").isValid())
        << "no dynamic property is made on a control without a text";
}

TEST_F(HelpTest, RussianIsShownAsUnicode) {
    help.ApplyLanguage(1, window);
    EXPECT_EQ(window.Text("Lbl_Title_2").size(), 9);
    EXPECT_EQ(window.Text("Lbl_Title_2").at(0), QChar(0x041D));
}

TEST_F(HelpTest, SwitchAppliesAndSavesAtOnce) {
    int languageIndex = 1;
    help.ApplyLanguage(languageIndex, window);
    help.SwitchLanguage(languageIndex, window);
    EXPECT_EQ(languageIndex, 0);
    EXPECT_EQ(window.Text("Lbl1"), "Clients network:");
    EXPECT_EQ(TKeyStore().ReadInteger("Languare"), 0);
    help.SwitchLanguage(languageIndex, window);
    EXPECT_EQ(TKeyStore().ReadInteger("Languare"), 1);
    EXPECT_EQ(window.Text("Lbl1"), QString::fromUtf8("Сетевые клиенты:"));
}

// The switch is applied first; a save that fails then says so, with the value's name.
TEST_F(HelpTest, ASwitchThatCannotBeSavedIsAppliedAndThenReported) {
    ASSERT_TRUE(FileIo::WriteAtomically(home.File("Quillbrook"), "in the way"));
    int languageIndex = 0;
    help.ApplyLanguage(languageIndex, window);
    try {
        help.SwitchLanguage(languageIndex, window);
        FAIL() << "the failed save was not reported";
    } catch (const ERegistryException& error) {
        EXPECT_EQ(std::string(error.what()), "Failed to set data for 'Languare'");
    }
    EXPECT_EQ(languageIndex, 1);
    EXPECT_EQ(window.Text("Edit_Lang"), QString::fromUtf8("Русский"));
}

TEST_F(HelpTest, UnknownLanguageLeavesTextsEmptyUntilTheFirstSwitch) {
    int languageIndex = 5;
    help.ApplyLanguage(languageIndex, window);
    EXPECT_EQ(window.Text("Lbl_Title_1"), "");
    EXPECT_EQ(window.Hint("Sb_Help"), "");
    EXPECT_EQ(window.Text("TrayMenu_3"), "");
    EXPECT_EQ(window.Text("Lbl_Lang"), ":");
    help.SwitchLanguage(languageIndex, window);
    EXPECT_EQ(languageIndex, 0);
    EXPECT_EQ(window.Text("Edit_Lang"), "English");
    EXPECT_EQ(TKeyStore().ReadInteger("Languare"), 0);
}

TEST_F(HelpTest, MissingControlsAreSkipped) {
    delete window.findChild<QObject*>("Lbl_Title_1");
    delete window.findChild<QObject*>("TrayMenu_4");
    help.ApplyLanguage(0, window);
    EXPECT_EQ(window.Text("Lbl_Title_2"), "Settings");
    EXPECT_EQ(window.Text("TrayMenu_5"), "Exit the program");
}

} // namespace
