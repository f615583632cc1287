// The plain rules of the main window's shell: where it stands, the help files, the web pages,
// the tray menu.
#include "app/HelpFiles.h"
#include "app/MainWindowPlace.h"
#include "app/TrayMenu.h"
#include "app/WebLinks.h"
#include "common/TempDir.h"
#include "console/LanguageTable.h"
#include "platform/FileIo.h"

#include <gtest/gtest.h>
#include <map>

namespace {

TEST(ShellTest, WindowIsCentredAndANarrowScreenGivesANegativeLeft) {
    EXPECT_EQ(MainWindowPlace::Left(1920, 802), 559);
    EXPECT_EQ(MainWindowPlace::Left(3840, 802), 1519);
    EXPECT_EQ(MainWindowPlace::Left(640, 802), -81);
    EXPECT_EQ(MainWindowPlace::Left(641, 802), -80) << "rounded toward zero";
    EXPECT_EQ(MainWindowPlace::Top, 10);
}

TEST(ShellTest, HelpFileByLanguageFoundInCurrentFolderThenBesideTheProgram) {
    EXPECT_EQ(HelpFiles::FileName(0), "Help_e.txt");
    EXPECT_EQ(HelpFiles::FileName(1), "Help_r.txt");
    EXPECT_EQ(HelpFiles::FileName(5), std::nullopt);
    TTempDir current, program;
    EXPECT_EQ(HelpFiles::Find("Help_e.txt", current.Path(), program.Path()), std::nullopt);
    ASSERT_TRUE(FileIo::WriteAtomically(program.File("Help_e.txt"), "guide"));
    EXPECT_EQ(HelpFiles::Find("Help_e.txt", current.Path(), program.Path() + "/"),
              program.File("Help_e.txt"));
    ASSERT_TRUE(FileIo::WriteAtomically(current.File("Help_e.txt"), "local guide"));
    EXPECT_EQ(HelpFiles::Find("Help_e.txt", current.Path(), program.Path()),
              current.File("Help_e.txt"));
}

TEST(ShellTest, WebPagesByLanguage) {
    using WebLinks::TWebLink;
    const std::string host = WebLinks::MakerWebServer;
    EXPECT_EQ(WebLinks::WebPage(TWebLink::HomePage, 0), host + "/index_e.html");
    EXPECT_EQ(WebLinks::WebPage(TWebLink::HomePage, 1), host + "/index.html");
    EXPECT_EQ(WebLinks::WebPage(TWebLink::ProgramPage, 0), host + "/engl/velmora/velmora.html");
    EXPECT_EQ(WebLinks::WebPage(TWebLink::ProgramPage, 1), host + "/russ/velmora/velmora.html");
    EXPECT_EQ(WebLinks::WebPage(TWebLink::HomePage, 2), std::nullopt);
}

// Each tray item does what its caption says; the language table gives the items their captions
// by their names.
TEST(ShellTest, TrayItemsDoWhatTheirCaptionsSay) {
    TLanguageTable table;
    LanguageTable::Fill(table, LanguageTable::English);
    std::map<std::string, std::string, std::less<>> captions;
    for (const TLanguageAssignment& a : LanguageTable::Assignments(table))
        if (a.Target == TLanguageTarget::Caption)
            captions[std::string(a.Control)] = a.Text;
    using enum TTrayAction;
    const std::pair<TTrayAction, std::string> expected[] = {{StartServer, "Server: Start"},
                                                            {StopServer, "Server: Stop"},
                                                            {OpenWebPage, "Go to our website"},
                                                            {OpenWebPage, "Visit the program page"},
                                                            {CloseProgram, "Exit the program"}};
    ASSERT_EQ(TrayMenu::Items.size(), std::size(expected));
    for (size_t i = 0; i < TrayMenu::Items.size(); ++i) {
        const TTrayItem& item = TrayMenu::Items[i];
        EXPECT_EQ(item.Action, expected[i].first) << item.Name;
        EXPECT_EQ(captions[std::string(item.Name)], expected[i].second) << item.Name;
    }
    EXPECT_EQ(TrayMenu::Items[2].Page, WebLinks::TWebLink::HomePage);
    EXPECT_EQ(TrayMenu::Items[3].Page, WebLinks::TWebLink::ProgramPage);
}

} // namespace
