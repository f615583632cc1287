#include "LanguageTable.h"

namespace {

struct TEntryTexts {
    std::string TLanguageTable::*Entry;
    std::string_view English;
    std::string_view Russian;
};

// Every entry in both languages; the Latin words inside two Russian texts are deliberate.
const TEntryTexts EntryTexts[] = {
    {&TLanguageTable::LanguageName, "English", "Русский"},
    {&TLanguageTable::InterfaceLabel, "Interface", "Интерфейс"},
    {&TLanguageTable::ClientsNetworkLabel, "Clients network:", "Сетевые клиенты:"},
    {&TLanguageTable::PortNumberLabel, "Port number:", "Номер порта:"},
    {&TLanguageTable::ClientNameLabel, "Client name:", "Имя клиента:"},
    {&TLanguageTable::DisplayTypeLabel, "Display type:", "Тип дисплея:"},
    {&TLanguageTable::ServerTitle, "Server", "Сервер"},
    {&TLanguageTable::SettingsTitle, "Settings", "Настройки"},
    {&TLanguageTable::HelpHint, "See help file", "Показать файл помощи"},
    {&TLanguageTable::WebsiteText, "Go to our website", "Перейти на наш сайт"},
    {&TLanguageTable::MinimizeHint, "Minimize to tray", "Свернуть программу в Tray"},
    {&TLanguageTable::ExitText, "Exit the program", "Выйти из программы"},
    {&TLanguageTable::ProgramPageText, "Visit the program page", "Посетить страницу программы"},
    {&TLanguageTable::ServerStartText, "Server: Start", "Сервер: Старт"},
    {&TLanguageTable::ServerStopText, "Server: Stop", "Сервер: Стоп"},
    {&TLanguageTable::HintShowHint, "Show hints", "Показывать всплывающие подсказки"},
    {&TLanguageTable::HintShowCaption, "Show hints", "Показывать подсказки"},
    {&TLanguageTable::AutoRunHint, "Autorun program at the start of Windows",
     "Автозапуск программы при старте Windows"},
    {&TLanguageTable::AutoRunCaption, "Autorun", "Автозапуск"},
    {&TLanguageTable::MinFormShowHint, "Auto minimization program at the start",
     "Авто минимизация программы при запуске"},
    {&TLanguageTable::MinFormShowCaption, "Auto minimization", "Минимизация"},
    {&TLanguageTable::LogOKHint, "Write the log file when changes occur",
     "Писать лог-файл только при наличии изменений"},
    {&TLanguageTable::LogOKCaption, "Write the log file if changes only",
     "Писать лог-файл только при изменениях"},
    {&TLanguageTable::NoStatusText, "no status from this display", "нет статуса от этого дисплея"},
    {&TLanguageTable::ShownLabel, "Shown:", "Показ:"},
    {&TLanguageTable::PlaceLabel, "Place:", "Позиция:"},
    {&TLanguageTable::ScreenLabel, "Screen:", "Экран:"},
    {&TLanguageTable::MediaLabel, "Media:", "Медиа:"},
    {&TLanguageTable::ProblemLabel, "Last problem:", "Сбой:"},
    {&TLanguageTable::UptimeLabel, "Uptime:", "Время работы:"},
    {&TLanguageTable::VersionLabel, "Version:", "Версия:"},
    {&TLanguageTable::TemperatureLabel, "Temperature:", "Температура:"},
};

} // namespace

namespace LanguageTable {

void Fill(TLanguageTable& table, int languageIndex) {
    if (languageIndex != English && languageIndex != Russian)
        return;
    for (const TEntryTexts& texts : EntryTexts)
        table.*texts.Entry = languageIndex == English ? texts.English : texts.Russian;
}

int Switched(int languageIndex) {
    return languageIndex == English ? Russian : English;
}

std::vector<TLanguageAssignment> Assignments(const TLanguageTable& t) {
    using enum TLanguageTarget;
    return {
        {"Sb_Help", Hint, t.HelpHint},
        {"Sb_Internet", Hint, t.WebsiteText},
        {"Sb_Min", Hint, t.MinimizeHint},
        {"Sb_Close", Hint, t.ExitText},
        {"Lbl_Title_1", Caption, t.ServerTitle},
        {"Lbl_Title_2", Caption, t.SettingsTitle},
        {"Lbl1", Caption, t.ClientsNetworkLabel},
        {"Lbl2", Caption, t.PortNumberLabel},
        {"Lbl3", Caption, t.ClientNameLabel},
        {"Lbl4", Caption, t.DisplayTypeLabel},
        {"Lbl_Lang", Caption, t.InterfaceLabel + ":"},
        {"Lbl_LogOK", Caption, t.LogOKCaption},
        {"Lbl_LogOK", Hint, t.LogOKHint},
        {"Cb_LogOK", Hint, t.LogOKHint},
        {"Lbl_HintShow", Caption, t.HintShowCaption},
        {"Lbl_HintShow", Hint, t.HintShowHint},
        {"Cb_HintShow", Hint, t.HintShowHint},
        {"Lbl_MinFormShow", Caption, t.MinFormShowCaption},
        {"Lbl_MinFormShow", Hint, t.MinFormShowHint},
        {"Cb_MinFormShow", Hint, t.MinFormShowHint},
        {"Lbl_AutoRun", Caption, t.AutoRunCaption},
        {"Lbl_AutoRun", Hint, t.AutoRunHint},
        {"Cb_AutoRun", Hint, t.AutoRunHint},
        {"TrayMenu_1", Caption, t.ServerStartText},
        {"TrayMenu_1", Hint, t.ServerStartText},
        {"TrayMenu_2", Caption, t.ServerStopText},
        {"TrayMenu_2", Hint, t.ServerStopText},
        {"TrayMenu_3", Caption, t.WebsiteText},
        {"TrayMenu_3", Hint, t.WebsiteText},
        {"TrayMenu_4", Caption, t.ProgramPageText},
        {"TrayMenu_4", Hint, t.ProgramPageText},
        {"TrayMenu_5", Caption, t.ExitText},
        {"TrayMenu_5", Hint, t.ExitText},
        {"Edit_Lang", Caption, t.LanguageName},
    };
}

std::vector<TLanguageAssignment> StatusAssignments(const TLanguageTable& t) {
    using enum TLanguageTarget;
    return {
        {"Lbl_NoStatus", Caption, t.NoStatusText},
        {"Lbl_Shown", Caption, t.ShownLabel},
        {"Lbl_Place", Caption, t.PlaceLabel},
        {"Lbl_Screen", Caption, t.ScreenLabel},
        {"Lbl_Media", Caption, t.MediaLabel},
        {"Lbl_Problem", Caption, t.ProblemLabel},
        {"Lbl_Uptime", Caption, t.UptimeLabel},
        {"Lbl_Version", Caption, t.VersionLabel},
        {"Lbl_Temperature", Caption, t.TemperatureLabel},
    };
}

} // namespace LanguageTable
