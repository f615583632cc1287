#include "ServerParamsKeeper.h"

#include "console/Settings.h"
#include "platform/IniFile.h"
#include "platform/SettingsTable.h"

TServerParamsKeeper::TServerParamsKeeper(IServerParamsView& view, std::string iniPath)
    : view_(view), iniPath_(std::move(iniPath)) {}

bool TServerParamsKeeper::Load() {
    const TServerParams params = Settings::ReadServerParams(TIniFile(iniPath_));
    view_.SetPortText(SettingsTable::PortText(params.Port));
    view_.SetAutoStart(params.AutoStart);
    return params.AutoStart;
}

void TServerParamsKeeper::SaveOnce() {
    if (saved_)
        return;
    saved_ = true;
    TIniFile ini(iniPath_);
    Settings::WriteServerParams(ini, view_.PortText(), view_.AutoStart());
}
