#pragma once

#include <optional>
#include <string>

// The display type selector of the main window as the selection shows itself on it.
class IDisplayTypeView {
public:
    virtual ~IDisplayTypeView() = default;
    // The client name the selection applies to, Windows-1251.
    virtual void ShowClientName(const std::string& name) = 0;
    // The display type as its field shows it, UTF-8.
    virtual void ShowDisplayType(const std::string& text) = 0;
    // The picture of the display type; a type without a picture leaves the one shown.
    virtual void ShowDisplayPicture(int displayType) = 0;
};

enum class TLayoutMode { Edit, Play };

// The layout window to open: its mode, the client (Windows-1251) and the display type it works on.
struct TLayoutOpening {
    TLayoutMode Mode;
    std::string ClientName;
    int DisplayType;

    bool operator==(const TLayoutOpening&) const = default;
};

// The operator's selection in the main window: a client name and a display type. Every type the
// selection takes is stored for its client in the program .ini at once; the layout window opens
// on the selection.
class TDisplayTypeSelection {
public:
    static constexpr int InitialDisplayType = 1;

    TDisplayTypeSelection(IDisplayTypeView& view, std::string iniPath);

    int DisplayType() const { return displayType_; }
    const std::string& ClientName() const { return clientName_; }

    // Shows the whole selection, as when the selector is made.
    void ShowAll();

    // A row of the client list was clicked: the slot's stored type becomes the selection and is
    // stored back for the slot name; then the name is the one the row's client spelled, when a
    // client still holds the row.
    void SelectClient(const std::string& slotName, const std::optional<std::string>& listedName);

    // Makes the type the selection and stores it for the client name (an empty name stores into
    // the section "ClientDisplay_" alone). Raises EIniFileException "Unable to write to <file>"
    // when it cannot be stored; the type is shown all the same, its picture not.
    void SelectDisplayType(int displayType);
    // The selector's arrows: one type down or up (DisplayAssignment::StepDown, StepUp).
    void StepDown();
    void StepUp();

    // The client was sent away: the selection names no client.
    void ClearClientName();

    // The setup button opens the layout only for a type above 0 and a named client.
    std::optional<TLayoutOpening> SetupOpening() const;
    // "Play display" opens it whatever the selection.
    TLayoutOpening PlayOpening() const;

    // "№ " and the type in decimal.
    static std::string DisplayTypeText(int displayType);

private:
    void SetClientName(std::string name);

    IDisplayTypeView& view_;
    std::string iniPath_;
    int displayType_ = InitialDisplayType;
    std::string clientName_;
};
