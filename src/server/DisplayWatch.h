#pragma once

#include "DisplayServer.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The main window's area for what the selected display says about itself.
class IDisplayStatusView {
public:
    virtual ~IDisplayStatusView() = default;
    // The area shows while a row is selected; hidden, it shows nothing.
    virtual void ShowStatusArea(bool visible) = 0;
    // Decodes the JPEG and shows it scaled to fit; false, with the picture shown unchanged, when
    // it does not decode.
    virtual bool ShowPicture(const std::string& jpeg) = 0;
    virtual void ClearPicture() = 0;
    // The value of each key of StatusKeys::InWindowOrder (Windows-1251); nothing: the display
    // never sent a status, and the area says so.
    virtual void ShowStatusValues(const std::optional<std::vector<std::string>>& values) = 0;
    // The hint of a row of the client list: its display's summary line (empty: none). Called at
    // every tick for every row.
    virtual void SetRowHint(int row, const std::string& summary) = 0;
};

// What the operator sees of the selected display: its status and its picture, read from its
// client entry on the window's work timer, and a picture asked of it when it is selected and
// every 10 s while it stays selected. Runs in the window thread.
class TDisplayWatch {
public:
    static constexpr std::chrono::seconds ShotInterval{10};

    TDisplayWatch(TDisplayServer& server, IDisplayStatusView& view,
                  TDisplayServer::TLogSink addLog);

    // One tick of the work timer: the serial of each row's client (0: none) and the selected row
    // (-1: none).
    void Tick(const std::vector<uint64_t>& rowSerials, int selectedRow);

private:
    struct TNews {
        std::optional<TStatusMessage> Status; // when it changed
        bool StatusChanged = false;
        std::optional<std::string> Picture; // when a new one came
    };
    // Under the table's lock: what changed in the selected entry since the last tick.
    TNews ReadSelected(const TClientEntry* entry);
    void AskForPicture(TClientTable::TLockedList& clients, const TClientEntry& entry);
    // Under the table's lock: each row's summary line.
    static std::vector<std::string> ReadHints(TClientTable::TLockedList& clients,
                                              const std::vector<uint64_t>& rowSerials);
    void Show(const TNews& news);

    TDisplayServer& server_;
    IDisplayStatusView& view_;
    TDisplayServer::TLogSink addLog_;
    std::optional<bool> areaShown_;
    uint64_t selected_ = 0;
    std::string selectedName_;
    std::optional<uint64_t> shownStatus_, shownPicture_;
    std::chrono::system_clock::time_point lastAsked_{};
};
