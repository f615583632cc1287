#include "display/CecAdapter.h"

#include "platform/Wakeup.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <iterator>
#include <linux/cec-funcs.h>
#include <linux/cec.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <vector>

namespace {

// The power statuses by their numbers on the bus.
constexpr TTvPower Powers[] = {TTvPower::On, TTvPower::Standby, TTvPower::ToOn,
                               TTvPower::ToStandby};
static_assert(CEC_OP_POWER_STATUS_ON == 0 && CEC_OP_POWER_STATUS_STANDBY == 1 &&
              CEC_OP_POWER_STATUS_TO_ON == 2 && CEC_OP_POWER_STATUS_TO_STANDBY == 3);

// The TV's own physical address: an adapter there is the TV's side of the cable.
constexpr uint16_t RootAddress = 0;

std::string ErrorText(const char* what) {
    const int error = errno;
    if (error == ENONET)
        return std::string(what) + ": the adapter has no address on the bus";
    return std::string(what) + ": " + std::strerror(error);
}

std::string AddressText(uint16_t address) {
    char text[16];
    std::snprintf(text, sizeof text, "%x.%x.%x.%x", (address >> 12) & 0xf, (address >> 8) & 0xf,
                  (address >> 4) & 0xf, address & 0xf);
    return text;
}

// /dev/cec0, /dev/cec1, … in their numbers' order.
std::vector<std::string> Devices() {
    std::vector<std::pair<unsigned long, std::string>> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev", error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() > 3 && name.compare(0, 3, "cec") == 0 &&
            name.find_first_not_of("0123456789", 3) == std::string::npos)
            found.emplace_back(std::stoul(name.substr(3)), entry.path().string());
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> paths;
    for (auto& [number, path] : found)
        paths.push_back(std::move(path));
    return paths;
}

cec_log_addrs PlaybackDevice() {
    cec_log_addrs addresses{};
    addresses.cec_version = CEC_OP_CEC_VERSION_1_4;
    addresses.vendor_id = CEC_VENDOR_ID_NONE;
    // Every playback address taken, it still sends as "unregistered".
    addresses.flags = CEC_LOG_ADDRS_FL_ALLOW_UNREG_FALLBACK;
    addresses.num_log_addrs = 1;
    std::strncpy(addresses.osd_name, TCecAdapter::OsdName, sizeof addresses.osd_name - 1);
    addresses.primary_device_type[0] = CEC_OP_PRIM_DEVTYPE_PLAYBACK;
    addresses.log_addr_type[0] = CEC_LOG_ADDR_TYPE_PLAYBACK;
    addresses.all_device_types[0] = CEC_OP_ALL_DEVTYPE_PLAYBACK;
    return addresses;
}

} // namespace

std::unique_ptr<TCecAdapter> TCecAdapter::Open(const std::string& path, std::string& failure) {
    TDescriptor fd(::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid()) {
        failure = ErrorText(("cannot open " + path).c_str());
        return nullptr;
    }
    cec_caps caps{};
    if (::ioctl(fd.Get(), CEC_ADAP_G_CAPS, &caps) != 0) {
        failure = ErrorText((path + " is no CEC adapter").c_str());
        return nullptr;
    }
    if ((caps.capabilities & CEC_CAP_TRANSMIT) == 0 ||
        (caps.capabilities & CEC_CAP_LOG_ADDRS) == 0) {
        failure = path + " cannot send as a device of its own";
        return nullptr;
    }
    return std::unique_ptr<TCecAdapter>(new TCecAdapter(path, std::move(fd)));
}

std::unique_ptr<TCecAdapter>
TCecAdapter::Choose(const std::string& setting,
                    const std::function<void(const std::string&)>& say) {
    if (setting == "off")
        return nullptr;
    std::string failure;
    if (!setting.empty()) {
        auto adapter = Open(setting, failure);
        if (adapter == nullptr)
            say("HDMI-CEC: " + failure);
        return adapter;
    }
    for (const std::string& path : Devices())
        if (auto adapter = Open(path, failure); adapter != nullptr && adapter->CanBeSource())
            return adapter;
    return nullptr;
}

bool TCecAdapter::CanBeSource() const {
    uint16_t address = RootAddress;
    return ::ioctl(fd_.Get(), CEC_ADAP_G_PHYS_ADDR, &address) == 0 && address != RootAddress;
}

bool TCecAdapter::Claimed(uint8_t& address) const {
    cec_log_addrs addresses{};
    if (::ioctl(fd_.Get(), CEC_ADAP_G_LOG_ADDRS, &addresses) != 0 || addresses.log_addr_mask == 0)
        return false;
    address = addresses.log_addr[0];
    return true;
}

std::string TCecAdapter::Connect(TWakeup& wake, const std::function<bool()>& stopping) {
    const auto deadline = std::chrono::steady_clock::now() + ClaimLimit;
    // Whatever the adapter claimed before (a former run, another program) is given up first:
    // the kernel keeps an adapter's addresses after its descriptors close.
    cec_log_addrs none{};
    cec_log_addrs wanted = PlaybackDevice();
    // Without the descriptor's O_NONBLOCK both return at once; the claim ends in an event.
    if (::ioctl(fd_.Get(), CEC_ADAP_S_LOG_ADDRS, &none) != 0 ||
        ::ioctl(fd_.Get(), CEC_ADAP_S_LOG_ADDRS, &wanted) != 0)
        return ErrorText(("cannot claim a playback address on " + path_).c_str());
    while (!Claimed(address_)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            uint16_t physical = 0xffff;
            ::ioctl(fd_.Get(), CEC_ADAP_G_PHYS_ADDR, &physical);
            return "no playback address claimed on " + path_ + " within " +
                   std::to_string(ClaimLimit.count() / 1000) + " s (physical address " +
                   AddressText(physical) + ")";
        }
        pollfd waits[2] = {{fd_.Get(), POLLPRI, 0}, {wake.Fd(), POLLIN, 0}};
        if (::poll(waits, 2, static_cast<int>(left.count())) < 0 && errno != EINTR)
            return ErrorText("cannot wait for the adapter");
        if ((waits[1].revents & POLLIN) != 0) {
            wake.Drain();
            if (stopping())
                return "stopped";
        }
        cec_event event{};
        while (::ioctl(fd_.Get(), CEC_DQEVENT, &event) == 0) {
        }
    }
    // From here on each exchange waits for its end (the adapter's own bounds).
    const int flags = ::fcntl(fd_.Get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd_.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
        return ErrorText("cannot make the adapter wait");
    return {};
}

std::string TCecAdapter::Transmit(cec_msg& message) {
    if (::ioctl(fd_.Get(), CEC_TRANSMIT, &message) != 0)
        return ErrorText("cannot send");
    if ((message.tx_status & CEC_TX_STATUS_OK) == 0)
        return "it does not answer";
    return {};
}

std::string TCecAdapter::Command(bool on) {
    cec_msg message{};
    cec_msg_init(&message, address_, CEC_LOG_ADDR_TV);
    if (!on) {
        cec_msg_standby(&message);
        return Transmit(message);
    }
    cec_msg_image_view_on(&message);
    if (std::string failed = Transmit(message); !failed.empty())
        return failed;
    // The address as it is now: the cable may have moved since the claim.
    uint16_t physical = 0xffff;
    if (::ioctl(fd_.Get(), CEC_ADAP_G_PHYS_ADDR, &physical) != 0)
        return ErrorText("cannot read the physical address");
    cec_msg active{};
    cec_msg_init(&active, address_, CEC_LOG_ADDR_BROADCAST);
    cec_msg_active_source(&active, physical);
    return Transmit(active);
}

TTvAnswer TCecAdapter::AskPower() {
    cec_msg message{};
    cec_msg_init(&message, address_, CEC_LOG_ADDR_TV);
    cec_msg_give_device_power_status(&message, 1);
    message.timeout = static_cast<uint32_t>(ReplyLimit.count());
    TTvAnswer answer;
    if (answer.Failure = Transmit(message); !answer.Failure.empty())
        return answer;
    if ((message.rx_status & CEC_RX_STATUS_OK) == 0) {
        answer.Failure = (message.rx_status & CEC_RX_STATUS_FEATURE_ABORT) != 0
                             ? "it refuses to tell its power status"
                             : "it does not answer";
        return answer;
    }
    uint8_t status = 0;
    cec_ops_report_power_status(&message, &status);
    if (status >= std::size(Powers)) {
        answer.Failure = "it tells an unknown power status " + std::to_string(status);
        return answer;
    }
    answer.Power = Powers[status];
    answer.Answered = true;
    return answer;
}
