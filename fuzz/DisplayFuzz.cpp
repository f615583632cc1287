// Any bytes as the display meets them: as blocks from the server, through the link's reading
// to the layout a display shows (the type text, the configuration text, the media paths, the
// arrangement on a screen), as the kept layout file of its state folder, and as a playlist or
// the file names of a folder that a layout names as a rotation.
#include "display/DisplayArrangement.h"
#include "display/DisplayLink.h"
#include "display/KeptLayout.h"
#include "display/LayoutContent.h"
#include "display/MediaPath.h"
#include "layouts/FolderRotation.h"
#include "layouts/Playlist.h"
#include "platform/AsciiText.h"
#include "platform/CodePage1251.h"
#include "protocol/DisplayTypeMessage.h"
#include "protocol/TextMessage.h"

#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <string_view>
#include <utility>

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

// One connection that delivers the blocks, then ends; the link then stops at its first pause.
class TBlockFeed : public IDisplayTransport {
public:
    explicit TBlockFeed(std::deque<TExchangeBlock> blocks) : blocks_(std::move(blocks)) {}

    bool Open(const std::string&, uint16_t, const std::string&, std::string& why) override {
        why = "closed";
        return !std::exchange(opened_, true);
    }
    std::string LocalAddress() override { return "10.1.1.7"; }
    bool Send(const TExchangeBlock&, std::string&) override { return true; }
    std::optional<TExchangeBlock> Receive(const TReceiveLimits&, TReceiveEnd& end,
                                          std::string& why) override {
        if (blocks_.empty()) {
            end = TReceiveEnd::Ended;
            why = "closed";
            return std::nullopt;
        }
        TExchangeBlock block = blocks_.front();
        blocks_.pop_front();
        return block;
    }
    void Close() override {}
    void Interrupt() override {}
    bool Pause(std::chrono::milliseconds) override { return false; }

private:
    std::deque<TExchangeBlock> blocks_;
    bool opened_ = false;
};

const std::vector<TPathMap> Maps{{"C:\\Media", "/srv/media"},
                                 {"\\\\hall\\ads", "http://10.0.0.5:8080/ads/"}};

// A copy's name never leaves the cache folder, nor takes a staged file's or the index's (the
// map's folder itself names a copy of the hash alone).
void CheckCopyName(const TMediaSource& source) {
    const std::string name = source.CopyName();
    Check(name.size() >= 17 && name.size() < 256 && name.find('/') == std::string::npos &&
          name[16] == '-');
}

// What the display's window does with a layout, short of drawing it.
void Show(int displayType, const std::string& configText) {
    const TLayoutConfig config = TLayoutConfig::Parse(configText);
    const TLayoutConfig resent(config.Section(), config.Values());
    Check(TLayoutConfig::Parse(resent.Text()) == resent);
    const TWantedLayout content = LayoutOf(displayType, config, Maps);
    for (const TMediaSource& source : content.Sources())
        CheckCopyName(source);
    for (const auto& [width, height] : {std::pair{816, 638}, std::pair{1920, 1080}}) {
        const auto arrangement = LayoutArrangement::Arrange(
            displayType, width, height, DisplayArrangement::ScaleFor(height, 0));
        Check(arrangement.Texts.size() == content.Texts.size());
    }
}

class TShownLayouts : public IDisplayLinkEvents {
public:
    void Status(const std::string&) override {}
    void LayoutReceived(int displayType, const std::string& configText) override {
        Show(displayType, configText);
    }
    void MessageReceived(const std::string& text) override {
        Check(text.size() <= ExchangeBlock::FieldCapacity);
    }
};

void ReadAsBlocks(std::string_view bytes) {
    std::deque<TExchangeBlock> blocks;
    for (size_t offset = 0; offset < bytes.size(); offset += sizeof(TExchangeBlock)) {
        TExchangeBlock block = ExchangeBlock::Empty();
        std::memcpy(&block, bytes.data() + offset, std::min(sizeof block, bytes.size() - offset));
        // What the display reads of a message, the server would send again the same.
        if (const auto layout = DisplayTypeMessage::Read(block))
            Check(DisplayTypeMessage::Read(DisplayTypeMessage::Make(*layout)) == layout);
        if (const auto message = TextMessage::Read(block))
            Check(TextMessage::Read(TextMessage::Make(*message)) == message);
        blocks.push_back(block);
    }
    TDisplayOptions options;
    options.Host = "127.0.0.1";
    options.Name = "Client 3";
    TBlockFeed feed(std::move(blocks));
    TShownLayouts shown;
    TDisplayLink link(options, "kiosk-3", feed, shown);
    link.Run();
}

void ReadAsKeptLayout(std::string_view bytes) {
    const auto kept = KeptLayout::Parse(bytes);
    if (!kept)
        return;
    Check(KeptLayout::Parse(KeptLayout::Text(*kept)) == kept);
    Show(kept->DisplayType, kept->ConfigText);
}

// Every entry is a path in UTF-8 without control characters; the lines stay bounded.
void CheckRotation(TRotation rotation) {
    Check(rotation.Entries.size() <= Rotation::MostEntries);
    for (const TRotationEntry& entry : rotation.Entries) {
        Check(CodePage1251::IsUtf8(entry.Path) && !AsciiText::HasControl(entry.Path) &&
              !entry.Path.empty());
        Check(!entry.Seconds || *entry.Seconds >= 1);
    }
    for (const TPlacedEntry& placed : MediaPath::PlaceEntries(rotation, Maps)) {
        if (placed.Place.Source)
            CheckCopyName(*placed.Place.Source);
    }
}

void ReadAsPlaylist(std::string_view bytes) {
    for (const char* path : {"C:\\Media\\mall.m3u", "/srv/ads/mall.m3u8", "\\\\hall\\ads\\a.M3U",
                             "http://10.0.0.5/ads/mall.m3u"}) {
        const TRotation rotation = Playlist::Read(bytes, path);
        Check(rotation.Problems.size() <= Playlist::MostProblemLines + 1);
        CheckRotation(rotation);
    }
}

// Each line a file name in a folder: the order is a strict one, whatever the names.
void ReadAsFolder(std::string_view bytes) {
    std::vector<std::string> names;
    for (size_t start = 0; start <= bytes.size();) {
        const size_t end = std::min(bytes.find('\n', start), bytes.size());
        names.emplace_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    for (size_t i = 1; i < names.size(); ++i) {
        const std::string& a = names[i - 1];
        const std::string& b = names[i];
        Check(!FolderRotation::NaturalLess(a, a));
        Check(a == b || FolderRotation::NaturalLess(a, b) != FolderRotation::NaturalLess(b, a));
    }
    const TRotation rotation = FolderRotation::Of("C:\\Media\\spring", names);
    for (size_t i = 1; i < rotation.Entries.size(); ++i)
        Check(!FolderRotation::NaturalLess(rotation.Entries[i].Path, rotation.Entries[i - 1].Path));
    CheckRotation(rotation);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 4 * sizeof(TExchangeBlock))
        return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ReadAsBlocks(bytes);
    ReadAsKeptLayout(bytes);
    ReadAsPlaylist(bytes);
    ReadAsFolder(bytes);
    return 0;
}
