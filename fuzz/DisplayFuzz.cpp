// Any bytes as the display meets them: as blocks from the server, through the link's reading
// to the layout a display shows (the type text, the configuration text, the media paths, the
// arrangement on a screen), and as the kept layout file of its state folder.
#include "display/DisplayArrangement.h"
#include "display/DisplayLink.h"
#include "display/KeptLayout.h"
#include "display/LayoutContent.h"
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

// What the display's window does with a layout, short of drawing it.
void Show(int displayType, const std::string& configText) {
    const TLayoutConfig config = TLayoutConfig::Parse(configText);
    const TLayoutConfig resent(config.Section(), config.Values());
    Check(TLayoutConfig::Parse(resent.Text()) == resent);
    const std::vector<TPathMap> maps{{"C:\\Media", "/srv/media"},
                                     {"\\\\hall\\ads", "http://10.0.0.5:8080/ads/"}};
    const TWantedLayout content = LayoutOf(displayType, config, maps);
    // A copy's name never leaves the cache folder, nor takes a staged file's or the index's
    // (the map's folder itself names a copy of the hash alone).
    for (const TMediaSource& source : content.Sources()) {
        const std::string name = source.CopyName();
        Check(name.size() >= 17 && name.size() < 256 && name.find('/') == std::string::npos &&
              name[16] == '-');
    }
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 4 * sizeof(TExchangeBlock))
        return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ReadAsBlocks(bytes);
    ReadAsKeptLayout(bytes);
    return 0;
}
