#include "display/DisplayLink.h"

#include "platform/CodePage1251.h"

#include <algorithm>
#include <charconv>

namespace {

using TSteady = std::chrono::steady_clock;

// Whole seconds as seconds, anything finer (a test's short limits) in milliseconds.
std::string Seconds(std::chrono::milliseconds time) {
    if (time % std::chrono::seconds(1) != std::chrono::milliseconds(0))
        return std::to_string(time.count()) + " ms";
    return std::to_string(std::chrono::duration_cast<std::chrono::seconds>(time).count()) + " s";
}

// What is left of the time until the deadline, never less than nothing.
std::chrono::milliseconds Left(TSteady::time_point deadline) {
    return std::max(std::chrono::ceil<std::chrono::milliseconds>(deadline - TSteady::now()),
                    std::chrono::milliseconds(0));
}

int DisplayTypeOf(const TExchangeBlock& block) {
    const std::string text = ExchangeBlock::KeptText(block.Text);
    int type = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), type);
    return error == std::errc() && end == text.data() + text.size() ? type : 0;
}

} // namespace

TDisplayLink::TDisplayLink(const TDisplayOptions& options, std::string hostName,
                           IDisplayTransport& transport, IDisplayLinkEvents& events,
                           TLinkLimits limits)
    : options_(options), hostName_(std::move(hostName)), transport_(transport), events_(events),
      limits_(limits) {}

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
                if (!Wait(KickQuiet()))
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
        Lost(why);
        return;
    }
    // Until the answer, every block (a broadcast message, say) must come before this time.
    const TSteady::time_point answerBy = TSteady::now() + limits_.Answer;
    bool answered = false;
    for (;;) {
        TReceiveLimits receiveLimits{std::nullopt, limits_.Rest};
        if (!answered)
            receiveLimits.FirstByte = Left(answerBy);
        TReceiveEnd end = TReceiveEnd::Ended;
        const auto block = transport_.Receive(receiveLimits, end, why);
        if (!block) {
            if (!stopping_)
                Lost(WhyNoBlock(end, why));
            return;
        }
        if (ExchangeBlock::IsCommand(*block, ExchangeBlock::DisplayType)) {
            answered = true;
            const int type = DisplayTypeOf(*block);
            serverCallsUs_ = ExchangeBlock::KeptText(block->Receiver);
            retry_ = FirstRetry;
            events_.Status("registered as " + CodePage1251::ToUtf8(options_.Name) + ", type " +
                           std::to_string(type));
            events_.LayoutReceived(type, ExchangeBlock::DataText(*block));
        } else if (ExchangeBlock::IsCommand(*block, ExchangeBlock::Kick)) {
            events_.Status("kicked, quiet for " + Seconds(KickQuiet()));
            kicked_ = true;
            return;
        } else if (ExchangeBlock::IsCommand(*block, ExchangeBlock::Message) &&
                   ForThisDisplay(*block)) {
            events_.MessageReceived(ExchangeBlock::KeptText(block->Text));
        }
    }
}

void TDisplayLink::Lost(const std::string& why) {
    events_.Status("server lost (" + why + "), next try in " + Seconds(retry_));
}

std::string TDisplayLink::WhyNoBlock(TReceiveEnd end, const std::string& why) const {
    switch (end) {
    case TReceiveEnd::NoFirstByte:
        return "no answer to the registration within " + Seconds(limits_.Answer);
    case TReceiveEnd::NoRest:
        return "the rest of a block did not come within " + Seconds(limits_.Rest);
    case TReceiveEnd::Ended:
        break;
    }
    return why;
}

std::chrono::milliseconds TDisplayLink::KickQuiet() const {
    return std::max<std::chrono::milliseconds>(std::chrono::seconds(options_.KickQuietSeconds),
                                               FirstRetry);
}

bool TDisplayLink::ForThisDisplay(const TExchangeBlock& message) const {
    if (message.Receiver.Length == 0)
        return true;
    const std::string receiver = ExchangeBlock::KeptText(message.Receiver);
    return CodePage1251::SameText(receiver, options_.Name) || receiver == localAddress_ ||
           (!serverCallsUs_.empty() && receiver == serverCallsUs_);
}
