#pragma once

#include "display/ScreenSwitch.h"

#include <functional>
#include <memory>
#include <string>

struct xcb_connection_t;

// Turns the monitor off and on through the X server's DPMS extension: DPMS enabled and its level
// forced. On turns it back on and leaves DPMS as it found it, so that a desktop's own power
// saving stays the desktop's. Window thread only; each call is one round trip to the X server.
class TDpmsScreenSwitch : public IScreenSwitch {
public:
    using TSay = std::function<void(const std::string&)>;

    // On X11 where the X server has DPMS and its screen can take it; null otherwise.
    static std::unique_ptr<TDpmsScreenSwitch> OnX11(TSay say);

    void SetOn(bool on) override;

private:
    TDpmsScreenSwitch(xcb_connection_t* connection, bool enabledBefore, TSay say)
        : connection_(connection), enabledBefore_(enabledBefore), say_(std::move(say)) {}
    // Empty when the X server took the requests, else what it refused.
    std::string Force(bool on);

    xcb_connection_t* const connection_;
    const bool enabledBefore_;
    const TSay say_;
    bool failureSaid_ = false;
};
