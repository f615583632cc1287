#include "DisplayWatch.h"

#include "net/IdExceptions.h"
#include "platform/Clock.h"
#include "platform/CodePage1251.h"
#include "protocol/ShotMessage.h"
#include "protocol/StatusKeys.h"

TDisplayWatch::TDisplayWatch(TDisplayServer& server, IDisplayStatusView& view,
                             TDisplayServer::TLogSink addLog)
    : server_(server), view_(view), addLog_(std::move(addLog)) {}

void TDisplayWatch::Tick(const std::vector<uint64_t>& rowSerials, int selectedRow) {
    TClientTable* table = server_.Clients();
    if (table == nullptr)
        return;
    const bool rowSelected =
        selectedRow >= 0 && static_cast<size_t>(selectedRow) < rowSerials.size();
    if (areaShown_ != rowSelected) {
        view_.ShowStatusArea(rowSelected);
        areaShown_ = rowSelected;
    }
    const uint64_t serial = rowSelected ? rowSerials[static_cast<size_t>(selectedRow)] : 0;
    const bool newSelection = serial != selected_ || !shownStatus_;
    if (newSelection) {
        selected_ = serial;
        shownStatus_.reset();
        shownPicture_.reset();
        view_.ClearPicture();
    }
    // What the entries hold is copied under the lock and shown after it: the workers never wait
    // for the widgets.
    TNews news;
    std::vector<std::string> hints;
    {
        auto clients = table->LockList();
        hints = ReadHints(clients, rowSerials);
        const TClientEntry* entry = clients.Find(serial);
        news = ReadSelected(entry);
        // A clock set back would otherwise hold the next request off for as long.
        const auto now = Clock::Now();
        if (entry != nullptr &&
            (newSelection || now - lastAsked_ >= ShotInterval || now < lastAsked_)) {
            lastAsked_ = now;
            AskForPicture(clients, *entry);
        }
    }
    for (size_t row = 0; row < hints.size(); ++row)
        view_.SetRowHint(static_cast<int>(row), hints[row]);
    Show(news);
}

TDisplayWatch::TNews TDisplayWatch::ReadSelected(const TClientEntry* entry) {
    TNews news;
    const uint64_t statusCount = entry != nullptr ? entry->Report.StatusCount() : 0;
    if (shownStatus_ != statusCount) {
        shownStatus_ = statusCount;
        news.StatusChanged = true;
        if (entry != nullptr)
            news.Status = entry->Report.Status();
    }
    if (entry != nullptr && entry->Report.PictureCount() != 0 &&
        shownPicture_ != entry->Report.PictureCount()) {
        shownPicture_ = entry->Report.PictureCount();
        news.Picture = entry->Report.Picture();
    }
    if (entry != nullptr)
        selectedName_ = entry->ClientName;
    return news;
}

void TDisplayWatch::AskForPicture(TClientTable::TLockedList& clients, const TClientEntry& entry) {
    // Every connection of the client's name: a display that reconnected may still be listed
    // twice, and the row shows the last one.
    for (const auto& e : clients) {
        if (!CodePage1251::SameText(e->ClientName, entry.ClientName))
            continue;
        try {
            SendTo(*e, ShotMessage::MakeRequest(e->PeerIP));
        } catch (const EIdException&) {
            // A closed or overflowing connection is ended by its own worker.
        }
    }
}

std::vector<std::string> TDisplayWatch::ReadHints(TClientTable::TLockedList& clients,
                                                  const std::vector<uint64_t>& rowSerials) {
    std::vector<std::string> hints;
    for (const uint64_t serial : rowSerials) {
        const TClientEntry* entry = clients.Find(serial);
        const bool hasStatus = entry != nullptr && entry->Report.Status().has_value();
        hints.push_back(hasStatus ? entry->Report.Status()->Summary : std::string());
    }
    return hints;
}

void TDisplayWatch::Show(const TNews& news) {
    if (news.StatusChanged) {
        if (!news.Status) {
            view_.ShowStatusValues(std::nullopt);
        } else {
            std::vector<std::string> values;
            for (const std::string_view key : StatusKeys::InWindowOrder)
                values.push_back(StatusMessage::Value(news.Status->Lines, key));
            view_.ShowStatusValues(values);
        }
    }
    if (news.Picture && !view_.ShowPicture(*news.Picture))
        addLog_(Clock::LongTimeText() + " Dropped a picture from \"" + selectedName_ +
                "\": it does not decode");
}
