#include "display/DisplayLink.h"

#include "platform/CodePage1251.h"
#include "protocol/DisplayTypeMessage.h"
#include "protocol/KickMessage.h"
#include "protocol/RegisterMessage.h"
#include "protocol/ShotMessage.h"

#include <algorithm>

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
            {
                std::lock_guard lock(outMutex_);
                registered_ = false;
                outgoing_.clear();
            }
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
    std::string why;
    if (!transport_.Send(RegisterMessage::Make({hostName_, options_.Name}), why)) {
        Lost(why);
        return;
    }
    // Until the answer, every block (a broadcast message, say) must come before this time.
    const TSteady::time_point answerBy = TSteady::now() + limits_.Answer;
    bool answered = false;
    for (;;) {
        if (answered && !SendHandedOver(why)) {
            Lost(why);
            return;
        }
        TReceiveLimits receiveLimits{std::nullopt, limits_.Rest};
        if (!answered)
            receiveLimits.FirstByte = Left(answerBy);
        TReceiveEnd end = TReceiveEnd::Ended;
        const auto block = transport_.Receive(receiveLimits, end, why);
        if (!block && end == TReceiveEnd::Nudged)
            continue;
        if (!block) {
            if (!stopping_)
                Lost(WhyNoBlock(end, why));
            return;
        }
        if (const auto layout = DisplayTypeMessage::Read(*block)) {
            answered = true;
            serverCallsUs_ = layout->PeerIP;
            retry_ = FirstRetry;
            {
                std::lock_guard lock(outMutex_);
                registered_ = true;
            }
            events_.Status("registered as " + CodePage1251::ToUtf8(options_.Name) + ", type " +
                           std::to_string(layout->DisplayType));
            events_.LayoutReceived(layout->DisplayType, layout->ConfigText);
        } else if (ShotMessage::IsRequest(*block)) {
            events_.ShotRequested();
        } else if (KickMessage::Is(*block)) {
            events_.Status("kicked, quiet for " + Seconds(KickQuiet()));
            kicked_ = true;
            return;
        } else if (const auto message = TextMessage::Read(*block);
                   message && ForThisDisplay(*message)) {
            events_.MessageReceived(message->Text);
        }
    }
}

bool TDisplayLink::Send(std::vector<TExchangeBlock> blocks) {
    {
        std::lock_guard lock(outMutex_);
        // A server that stopped reading gets no more than a picture and a status waiting.
        if (!registered_ || outgoing_.size() + blocks.size() > MostWaiting)
            return false;
        outgoing_.insert(outgoing_.end(), blocks.begin(), blocks.end());
    }
    transport_.Nudge();
    return true;
}

bool TDisplayLink::SendHandedOver(std::string& why) {
    std::vector<TExchangeBlock> blocks;
    {
        std::lock_guard lock(outMutex_);
        blocks.swap(outgoing_);
    }
    for (const TExchangeBlock& block : blocks)
        if (!transport_.Send(block, why))
            return false;
    return true;
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
    case TReceiveEnd::Nudged:
        break;
    }
    return why;
}

std::chrono::milliseconds TDisplayLink::KickQuiet() const {
    return std::max<std::chrono::milliseconds>(std::chrono::seconds(options_.KickQuietSeconds),
                                               FirstRetry);
}

bool TDisplayLink::ForThisDisplay(const TTextMessage& message) const {
    if (message.ForEverybody())
        return true;
    const std::string& receiver = message.Receiver;
    return CodePage1251::SameText(receiver, options_.Name) || receiver == localAddress_ ||
           (!serverCallsUs_.empty() && receiver == serverCallsUs_);
}
