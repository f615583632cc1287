#include "console/LanguageTable.h"

#include "platform/CodePage1251.h"

#include <gtest/gtest.h>

namespace {

// Every entry, to check properties that hold for all of them.
std::vector<const std::string*> Entries(const TLanguageTable& t) {
    return {&t.LanguageName,       &t.InterfaceLabel,   &t.ClientsNetworkLabel, &t.PortNumberLabel,
            &t.ClientNameLabel,    &t.DisplayTypeLabel, &t.ServerTitle,         &t.SettingsTitle,
            &t.HelpHint,           &t.WebsiteText,      &t.MinimizeHint,        &t.ExitText,
            &t.ProgramPageText,    &t.ServerStartText,  &t.ServerStopText,      &t.HintShowHint,
            &t.HintShowCaption,    &t.AutoRunHint,      &t.AutoRunCaption,      &t.MinFormShowHint,
            &t.MinFormShowCaption, &t.LogOKHint,        &t.LogOKCaption};
}

TEST(LanguageTableTest, StartsEmptyAndFillsEveryEntryInBothLanguages) {
    TLanguageTable english, russian;
    for (const std::string* entry : Entries(english))
        EXPECT_TRUE(entry->empty());
    LanguageTable::Fill(english, 0);
    LanguageTable::Fill(russian, 1);
    const auto e = Entries(english), r = Entries(russian);
    for (size_t i = 0; i < e.size(); ++i) {
        EXPECT_FALSE(e[i]->empty()) << i;
        EXPECT_NE(*e[i], *r[i]) << i;
        // Every text must be one the system's single-byte code page can carry.
        EXPECT_TRUE(CodePage1251::FromUtf8(*r[i]).has_value()) << *r[i];
        EXPECT_EQ(CodePage1251::FromUtf8(*e[i]), *e[i]) << "English is plain ASCII";
    }
}

TEST(LanguageTableTest, TextsWhoseSpellingMatters) {
    TLanguageTable t;
    LanguageTable::Fill(t, 0);
    EXPECT_EQ(t.HintShowHint, t.HintShowCaption);
    EXPECT_EQ(t.ServerStartText, "Server: Start");
    EXPECT_EQ(t.LogOKCaption, "Write the log file if changes only");
    LanguageTable::Fill(t, 1);
    EXPECT_NE(t.HintShowHint, t.HintShowCaption);
    EXPECT_EQ(t.LanguageName, "Русский");
    EXPECT_EQ(t.MinimizeHint, "Свернуть программу в Tray");
    EXPECT_EQ(t.AutoRunHint, "Автозапуск программы при старте Windows");
    EXPECT_EQ(t.ServerStopText, "Сервер: Стоп");
    EXPECT_EQ(CodePage1251::FromUtf8(t.ServerTitle), "\xD1\xE5\xF0\xE2\xE5\xF0");
}

TEST(LanguageTableTest, OtherIndexLeavesEveryEntryAsItWas) {
    TLanguageTable t;
    LanguageTable::Fill(t, 5);
    for (const std::string* entry : Entries(t))
        EXPECT_TRUE(entry->empty());
    LanguageTable::Fill(t, 1);
    LanguageTable::Fill(t, -1);
    EXPECT_EQ(t.SettingsTitle, "Настройки");
}

TEST(LanguageTableTest, EitherArrowTogglesAndAnyOtherValueGoesToEnglish) {
    EXPECT_EQ(LanguageTable::Switched(0), 1);
    EXPECT_EQ(LanguageTable::Switched(1), 0);
    EXPECT_EQ(LanguageTable::Switched(5), 0);
    EXPECT_EQ(LanguageTable::Switched(-1), 0);
}

TEST(LanguageTableTest, AssignmentsInTheirOrder) {
    TLanguageTable t;
    LanguageTable::Fill(t, 0);
    const auto list = LanguageTable::Assignments(t);
    std::string order;
    for (const auto& a : list)
        order += std::string(a.Control) + (a.Target == TLanguageTarget::Hint ? "?" : "") + " ";
    EXPECT_EQ(order, "Sb_Help? Sb_Internet? Sb_Min? Sb_Close? Lbl_Title_1 Lbl_Title_2 Lbl1 Lbl2 "
                     "Lbl3 Lbl4 Lbl_Lang Lbl_LogOK Lbl_LogOK? Cb_LogOK? Lbl_HintShow "
                     "Lbl_HintShow? Cb_HintShow? Lbl_MinFormShow Lbl_MinFormShow? "
                     "Cb_MinFormShow? Lbl_AutoRun Lbl_AutoRun? Cb_AutoRun? TrayMenu_1 "
                     "TrayMenu_1? TrayMenu_2 TrayMenu_2? TrayMenu_3 TrayMenu_3? TrayMenu_4 "
                     "TrayMenu_4? TrayMenu_5 TrayMenu_5? Edit_Lang ");
    EXPECT_EQ(list[10].Text, "Interface:");
    EXPECT_EQ(list[3].Text, "Exit the program");
    EXPECT_EQ(list[32].Text, "Exit the program");
    EXPECT_EQ(list[27].Text, "Go to our website");
    EXPECT_EQ(list.back().Text, "English");
}

TEST(LanguageTableTest, EmptyTableGivesEmptyTextsButTheColon) {
    const auto list = LanguageTable::Assignments(TLanguageTable{});
    for (const auto& a : list)
        EXPECT_EQ(a.Text, a.Control == "Lbl_Lang" ? ":" : "") << a.Control;
}

} // namespace
