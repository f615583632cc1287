#include "ServerControl.h"

#include "platform/Clock.h"
#include "platform/CodePage1251.h"
#include "platform/ScopeGuard.h"
#include "platform/SettingsTable.h"
#include "protocol/KickMessage.h"

#include <string>

TServerControl::TServerControl(TDisplayServer& server, IClientListView& list,
                               TDisplayServer::TLogSink addLog)
    : server_(server), list_(list), addLog_(std::move(addLog)) {}

std::vector<std::string> TServerControl::ClientSlotNames() {
    std::vector<std::string> names;
    for (int i = 1; i <= 16; ++i)
        names.push_back("Client " + std::to_string(i));
    return names;
}

bool TServerControl::StartServer(std::string_view portText) {
    if (server_.Listening())
        return false;
    const int port = SettingsTable::PortFromText(portText);
    // A port beyond 16 bits would otherwise be cut to another port without a word.
    if (port < 0 || port > 65535)
        throw EInvalidPort("Invalid port number " + std::to_string(port) +
                           ": a port is a number from 1 to 65535.");
    server_.StartListening(port);
    // Port 0 asks the system for a free port; the line tells which one it chose.
    addLog_(CodePage1251::FromUtf8Literal("Сервер запущен на порту ") +
            std::to_string(server_.Server.BoundPort()));
    return true;
}

bool TServerControl::StopServer() {
    if (!server_.StopListening())
        return false;
    addLog_(CodePage1251::FromUtf8Literal("Сервер остановлен "));
    return true;
}

void TServerControl::RefreshClients() {
    if (refreshing_)
        return;
    refreshing_ = true;
    const TScopeGuard clear([this] { refreshing_ = false; });

    try {
        int marked = 0;
        for (int row = 0; row < list_.RowCount(); ++row)
            marked += list_.RowChecked(row) ? 1 : 0;
        int found = 0;
        bool outOfStep = false;
        {
            auto clients = server_.Clients()->LockList();
            for (const auto& entry : clients) {
                for (int row = 0; row < list_.RowCount(); ++row) {
                    if (CodePage1251::SameText(entry->ClientName, list_.RowText(row))) {
                        ++found;
                        break;
                    }
                }
            }
            outOfStep = ListOutOfStep(clients);
        }
        // An empty list, as on the first tick, is always rebuilt.
        if (list_.RowCount() == 0)
            marked = 600;
        // Equal counts can hide a change: a client that registers again under another slot
        // name, or one of two clients of a name leaving while another slot empties. The list is
        // then compared row by row as well.
        if ((marked != found && marked + found > 0) || outOfStep) {
            auto clients = server_.Clients()->LockList();
            RebuildList(clients);
        }
    } catch (const std::exception& e) {
        addLog_(Clock::LongTimeText() + " error at RefreshClients: " + e.what());
    }
}

bool TServerControl::ListOutOfStep(TClientTable::TLockedList& clients) const {
    for (int row = 0; row < list_.RowCount(); ++row) {
        // The row should carry the last client of its name in table order, checked, or nothing.
        TClientEntry* expected = nullptr;
        for (const auto& entry : clients) {
            if (CodePage1251::SameText(entry->ClientName, list_.RowText(row)))
                expected = entry.get();
        }
        if (list_.RowChecked(row) != (expected != nullptr) ||
            (expected != nullptr && list_.RowSerial(row) != expected->Serial))
            return true;
    }
    return false;
}

void TServerControl::RebuildList(TClientTable::TLockedList& clients) {
    list_.Clear();
    const auto names = ClientSlotNames();
    for (const auto& name : names)
        list_.AddRow(name);
    for (const auto& entry : clients) {
        int match = -1;
        for (int row = 0; row < list_.RowCount() && match < 0; ++row) {
            if (CodePage1251::SameText(entry->ClientName, list_.RowText(row)))
                match = row;
        }
        if (match >= 0) {
            // A later client of the same name takes the row over.
            list_.SetRowChecked(match, true);
            list_.SetRowSerial(match, entry->Serial);
        } else {
            const TExchangeBlock kick = KickMessage::Make({entry->PeerIP});
            SendTo(*entry, kick);
        }
    }
}

std::optional<std::string> TServerControl::ListedClientName(int row) {
    auto clients = server_.Clients()->LockList();
    const TClientEntry* entry = clients.Find(list_.RowSerial(row));
    if (entry == nullptr)
        return std::nullopt;
    return entry->ClientName;
}

template <typename TMakeBlock>
bool TServerControl::WriteToRowClient(TClientTable::TLockedList& clients, int row,
                                      TMakeBlock makeBlock) {
    // The row may still point at a client that left since the last rebuild: use the entry only
    // while the table, locked for the whole write, still holds it.
    const TClientEntry* entry = clients.Find(list_.RowSerial(row));
    if (entry == nullptr)
        return false;
    const TExchangeBlock block = makeBlock(*entry);
    SendTo(*entry, block);
    return true;
}

void TServerControl::KickSelected() {
    auto clients = server_.Clients()->LockList();
    for (int row = 0; row < list_.RowCount(); ++row) {
        if (list_.RowSelected(row)) {
            WriteToRowClient(clients, row,
                             [](const TClientEntry& e) { return KickMessage::Make({e.PeerIP}); });
        }
    }
}

void TServerControl::KickAll() {
    auto clients = server_.Clients()->LockList();
    for (int row = 0; row < list_.RowCount(); ++row) {
        std::string peerIP;
        const bool written = WriteToRowClient(clients, row, [&peerIP](const TClientEntry& e) {
            peerIP = e.PeerIP;
            return KickMessage::Make({e.PeerIP});
        });
        if (written)
            addLog_(Clock::LongTimeText() + " KICK \"" + peerIP + "\"");
    }
}

void TServerControl::RefreshSelected() {
    auto clients = server_.Clients()->LockList();
    for (int row = 0; row < list_.RowCount(); ++row) {
        if (list_.RowSelected(row)) {
            WriteToRowClient(clients, row, [this](const TClientEntry& e) {
                return server_.DisplayTypeBlockFor(e);
            });
        }
    }
}
