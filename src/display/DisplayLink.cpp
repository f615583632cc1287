#include "display/DisplayLink.h"

#include "platform/CodePage1251.h"

#include <charconv>

namespace {

std::string Seconds(std::chrono::milliseconds time) {
    return std::to_string(std::chrono::duration_cast<std::chrono::seconds>(time).count()) + " s";
}

int DisplayTypeOf(const TExchangeBlock& block) {
    const std::string text = ExchangeBlock::KeptText(block.Text);
    int type = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), type);
    return error == std::errc() && end == text.data() + text.size() ? type : 0;
}

} // namespace

TDisplayLink::TDisplayLink(const TDisplayOptions& options, std::string hostName,
                           IDisplayTransport& transport, IDisplayLinkEvents& events)
    : options_(options), hostName_(std::move(hostName)), transport_(transport), events_(events) {}

std::string TDisplayLink::Where() const {
    return options_.Host + ":" + std::to_string(options_.Port);
}

bool TDisplayLink::Wait(std::chrono::milliseconds time) {
    return !stopping_ && transport_.Pause(time) && !stopping_;
}

void TDisplayLink::Stop() {
    stopping_ = true;
    transport_.Interrupt();
}

void TDisplayLink::Run() {
    while (!stopping_) {
        std::string why;
        if (!transport_.Open(options_.Host, options_.Port, options_.Source, why)) {
            if (stopping_)
                break;
            events_.Status("cannot reach " + Where() + " (" + why + "), next try in " +
                           Seconds(retry_));
        } else {
            Serve();
            transport_.Close();
            if (stopping_)
                break;
            if (kicked_) {
                kicked_ = false;
                retry_ = FirstRetry;
                if (!Wait(std::chrono::seconds(options_.KickQuietSeconds)))
                    break;
                continue;
            }
        }
        if (!Wait(retry_))
            break;
        retry_ = std::min<std::chrono::milliseconds>(retry_ * 2, LongestRetry);
    }
}

void TDisplayLink::Serve() {
    events_.Status("connected to " + Where());
    localAddress_ = transport_.LocalAddress();
    TExchangeBlock registration = ExchangeBlock::Empty();
    ExchangeBlock::SetField(registration.Command, ExchangeBlock::Register);
    ExchangeBlock::SetField(registration.Sender, hostName_);
    ExchangeBlock::SetField(registration.Name, options_.Name);
    std::string why;
    if (!transport_.Send(registration, why)) {
        events_.Status("server lost (" + why + "), next try in " + Seconds(retry_));
        return;
    }
    for (;;) {
        const auto block = transport_.Receive(why);
        if (!block) {
            if (!stopping_)
                events_.Status("server lost (" + why + "), next try in " + Seconds(retry_));
            return;
        }
        if (ExchangeBlock::IsCommand(*block, ExchangeBlock::DisplayType)) {
            const int type = DisplayTypeOf(*block);
            serverCallsUs_ = ExchangeBlock::KeptText(block->Receiver);
            retry_ = FirstRetry;
            events_.Status("registered as " + CodePage1251::ToUtf8(options_.Name) + ", type " +
                           std::to_string(type));
            events_.LayoutReceived(type, ExchangeBlock::DataText(*block));
        } else if (ExchangeBlock::IsCommand(*block, ExchangeBlock::Kick)) {
            events_.Status("kicked, quiet for " +
                           Seconds(std::chrono::seconds(options_.KickQuietSeconds)));
            kicked_ = true;
            return;
        } else if (ExchangeBlock::IsCommand(*block, ExchangeBlock::Message) &&
                   ForThisDisplay(*block)) {
            events_.MessageReceived(ExchangeBlock::KeptText(block->Text));
        }
    }
}

bool TDisplayLink::ForThisDisplay(const TExchangeBlock& message) const {
    if (message.Receiver.Length == 0)
        return true;
    const std::string receiver = ExchangeBlock::KeptText(message.Receiver);
    return CodePage1251::SameText(receiver, options_.Name) || receiver == localAddress_ ||
           (!serverCallsUs_.empty() && receiver == serverCallsUs_);
}
