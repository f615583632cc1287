#pragma once

#include "DisplayServer.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// The client list as the operator's window shows it: one row per display slot, with a check mark
// when a registered client holds the slot, and a reference to that client's entry.
class IClientListView {
public:
    virtual ~IClientListView() = default;
    virtual int RowCount() const = 0;
    virtual std::string RowText(int row) const = 0; // Windows-1251
    virtual bool RowChecked(int row) const = 0;
    virtual void SetRowChecked(int row, bool checked) = 0;
    // The serial number of the client a row stands for (0: none). A number, not the entry's
    // address: an entry freed and another made at the same place is never taken for the first.
    virtual uint64_t RowSerial(int row) const = 0;
    virtual void SetRowSerial(int row, uint64_t serial) = 0;
    virtual bool RowSelected(int row) const = 0;
    virtual void Clear() = 0;
    virtual void AddRow(const std::string& text) = 0;
};

// Raised when the port typed by the operator cannot be listened on.
class EInvalidPort : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The operator's control of the display server: start and stop, the client list kept in step
// with the client table, kicking and re-sending configurations. Runs in the window thread.
class TServerControl {
public:
    TServerControl(TDisplayServer& server, IClientListView& list, TDisplayServer::TLogSink addLog);

    // The sixteen slot names, "Client 1" to "Client 16".
    static std::vector<std::string> ClientSlotNames();

    // Listens on the port of the text; false when the server was already listening. Raises the
    // connection server's error when listening fails.
    bool StartServer(std::string_view portText);
    // Stops listening; false when it was not listening or clients are still connected.
    bool StopServer();

    // Rebuilds the list when the number of check marks differs from the number of connected
    // clients whose name is a slot name, or when a row shows another client than the table
    // holds; clients under other names are sent "KICK" at every rebuild.
    void RefreshClients();

    // The name of the client on the row, as the client spelled it, if the row carries an entry
    // that is still connected.
    std::optional<std::string> ListedClientName(int row);

    // "KICK" to the client of every selected row.
    void KickSelected();
    // "KICK" to the client of every row, each logged.
    void KickAll();
    // The "DISPLAY_TYPE" block again to the client of every selected row.
    void RefreshSelected();

private:
    bool ListOutOfStep(TClientTable::TLockedList& clients) const;
    void RebuildList(TClientTable::TLockedList& clients);
    // Writes to the row's client if it is still in the table; false when it has gone.
    template <typename TMakeBlock>
    bool WriteToRowClient(TClientTable::TLockedList& clients, int row, TMakeBlock makeBlock);

    TDisplayServer& server_;
    IClientListView& list_;
    TDisplayServer::TLogSink addLog_;
    bool refreshing_ = false;
};
