#pragma once

#include "display/TvPower.h"
#include "platform/Descriptor.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// An HDMI-CEC adapter of the kernel's CEC framework (/dev/cecN), as a playback device that turns
// the TV (logical address 0) off and on. Its descriptor is its own; one thread uses it at a time.
class TCecAdapter : public ITvControl {
public:
    // What the display calls itself on the bus (the TV's source menu shows it).
    static constexpr const char* OsdName = "Velmora";
    // A reply to a question comes within the standard's 1 s, or not at all.
    static constexpr std::chrono::milliseconds ReplyLimit{1000};
    // Polling the bus for a free address takes well under a second; longer, the adapter has no
    // physical address yet (no TV, or the TV not yet seen).
    static constexpr std::chrono::milliseconds ClaimLimit{10000};

    // The adapter the setting names: "off", none; a device path, that one (a device that cannot
    // be opened is said through say); empty, the first /dev/cec* that can act as a source (its
    // physical address is not the TV's 0.0.0.0), none said when there is none.
    static std::unique_ptr<TCecAdapter> Choose(const std::string& setting,
                                               const std::function<void(const std::string&)>& say);

    const std::string& Path() const { return path_; }

    // Claims a playback device's logical address, within ClaimLimit.
    std::string Connect(TWakeup& wake, const std::function<bool()>& stopping) override;
    std::string Command(bool on) override;
    TTvAnswer AskPower() override;

private:
    TCecAdapter(std::string path, TDescriptor fd) : path_(std::move(path)), fd_(std::move(fd)) {}
    // The adapter at the path, open; null with the error in failure.
    static std::unique_ptr<TCecAdapter> Open(const std::string& path, std::string& failure);
    bool CanBeSource() const;
    bool Claimed(uint8_t& address) const;
    // Sends the message; empty when the TV (or the bus, for a broadcast) took it.
    std::string Transmit(struct cec_msg& message);

    const std::string path_;
    TDescriptor fd_;
    uint8_t address_ = 0xf; // the claimed logical address
};
