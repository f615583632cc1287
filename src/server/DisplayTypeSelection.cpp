#include "DisplayTypeSelection.h"

#include "platform/IniFile.h"
#include "server/DisplayAssignment.h"

TDisplayTypeSelection::TDisplayTypeSelection(IDisplayTypeView& view, std::string iniPath)
    : view_(view), iniPath_(std::move(iniPath)) {}

void TDisplayTypeSelection::ShowAll() {
    view_.ShowClientName(clientName_);
    view_.ShowDisplayType(DisplayTypeText(displayType_));
    view_.ShowDisplayPicture(displayType_);
}

void TDisplayTypeSelection::SetClientName(std::string name) {
    clientName_ = std::move(name);
    view_.ShowClientName(clientName_);
}

void TDisplayTypeSelection::SelectClient(const std::string& slotName,
                                         const std::optional<std::string>& listedName) {
    SetClientName(slotName);
    SelectDisplayType(DisplayAssignment::GetClientDisplayType(TIniFile(iniPath_), slotName));
    if (listedName)
        SetClientName(*listedName);
}

void TDisplayTypeSelection::SelectDisplayType(int displayType) {
    displayType_ = displayType;
    view_.ShowDisplayType(DisplayTypeText(displayType));
    TIniFile ini(iniPath_);
    DisplayAssignment::SetClientDisplayType(ini, clientName_, displayType);
    view_.ShowDisplayPicture(displayType);
}

void TDisplayTypeSelection::StepDown() {
    SelectDisplayType(DisplayAssignment::StepDown(displayType_));
}

void TDisplayTypeSelection::StepUp() {
    SelectDisplayType(DisplayAssignment::StepUp(displayType_));
}

void TDisplayTypeSelection::ClearClientName() {
    SetClientName({});
}

std::optional<TLayoutOpening> TDisplayTypeSelection::SetupOpening() const {
    if (displayType_ <= 0 || clientName_.empty())
        return std::nullopt;
    return TLayoutOpening{TLayoutMode::Edit, clientName_, displayType_};
}

TLayoutOpening TDisplayTypeSelection::PlayOpening() const {
    return {TLayoutMode::Play, clientName_, displayType_};
}

std::string TDisplayTypeSelection::DisplayTypeText(int displayType) {
    return "№ " + std::to_string(displayType);
}
