// Any bytes, as 1505-byte blocks from a display client, through the whole handling path: the
// connect event, one block event per block, the disconnect event, with replies written to the
// other connections and every line going to the activity log. What the display says of itself
// (statuses, picture parts) is kept in its entry and read after every block as the window
// reads it, with the sender selected.
#include "common/TempDir.h"
#include "console/ActivityLog.h"
#include "platform/FileIo.h"
#include "server/DisplayServer.h"
#include "server/DisplayWatch.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace {

struct TPeer {
    TIdPeerThread* thread = nullptr;
    TSocketHandle remote;
};

// The folder goes with the process's end, also when the fuzzer stops at its time limit.
const std::string& IniPath() {
    static const TTempDir folder;
    static const std::string path = [] {
        const std::string ini = folder.File("velmora.ini");
        FileIo::WriteAtomically(ini, "[ClientDisplay_Client1]\nDisplayType=3\n"
                                     "[DisplayParams_Client1_3]\nMediaPlayers_0_FileName=/a.avi\n"
                                     "Edits_0_Text=x=y\n[ClientDisplay_]\nDisplayType=$2\n");
        return ini;
    }();
    return path;
}

TPeer Connect(TDisplayServer& server, const std::string& address) {
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        std::abort();
    TPeer peer;
    peer.remote = TSocketHandle(pair[1]);
    ::fcntl(pair[1], F_SETFL, O_NONBLOCK);
    auto connection = std::make_unique<TIdTCPServerConnection>(TSocketHandle(pair[0]), address, 1);
    peer.thread = server.ThreadMgr.CreateThread(server.Server, std::move(connection));
    server.SvrConnect(*peer.thread);
    return peer;
}

// The window's status area without widgets; a picture decodes when it starts as a JPEG does.
class TStatusView : public IDisplayStatusView {
public:
    void ShowStatusArea(bool) override {}
    bool ShowPicture(const std::string& jpeg) override {
        return jpeg.size() >= 3 && jpeg.compare(0, 3, "\xFF\xD8\xFF") == 0;
    }
    void ClearPicture() override {}
    void ShowStatusValues(const std::optional<std::vector<std::string>>& values) override {
        if (values && values->size() != 8)
            std::abort();
    }
    void SetRowHint(int, const std::string&) override {}
};

uint64_t SerialOf(TDisplayServer& server, const TPeer& peer) {
    auto list = server.Clients()->LockList();
    for (const auto& entry : list)
        if (entry->Thread == peer.thread)
            return entry->Serial;
    std::abort();
}

void Drain(const TPeer& peer) {
    char buffer[8192];
    while (::recv(peer.remote.Get(), buffer, sizeof buffer, 0) > 0) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Room for a whole picture of ShotMessage::MostParts parts and a few blocks around it.
    if (size == 0 || size > 36 * sizeof(TExchangeBlock))
        return 0;
    TActivityLog log;
    TDisplayServer server(IniPath(), [&log](std::string line) { log.AddLog(std::move(line)); });
    TPeer sender = Connect(server, "127.0.0.1");
    TPeer sameAddress = Connect(server, "127.0.0.1");
    TPeer other = Connect(server, "10.0.0.2");
    TStatusView view;
    TDisplayWatch watch(server, view, [&log](std::string line) { log.AddLog(std::move(line)); });
    const std::vector<uint64_t> rows{SerialOf(server, other), SerialOf(server, sender)};

    for (size_t offset = 0; offset < size; offset += sizeof(TExchangeBlock)) {
        TExchangeBlock block = ExchangeBlock::Empty();
        std::memcpy(&block, data + offset, std::min(sizeof block, size - offset));
        if (::send(sender.remote.Get(), &block, sizeof block, MSG_NOSIGNAL) !=
            static_cast<ssize_t>(sizeof block))
            std::abort();
        try {
            server.SvrExecute(*sender.thread);
        } catch (const std::exception&) {
            // Errors end the block's handling; the connection layer decides what follows.
        }
        watch.Tick(rows, 1);
        for (const TPeer* peer : {&sender, &sameAddress, &other})
            Drain(*peer);
    }
    for (TPeer* peer : {&sender, &sameAddress, &other}) {
        server.SvrDisconnect(*peer->thread);
        server.ThreadMgr.DiscardThread(peer->thread);
    }
    if (server.Clients()->LockList().Count() != 0)
        std::abort();
    return 0;
}
