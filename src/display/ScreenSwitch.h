#pragma once

// What turns the screen's panel off and on for the screen's hours: HDMI-CEC to the TV, the X
// server's DPMS. The display's window shows black while off in any case.
class IScreenSwitch {
public:
    virtual ~IScreenSwitch() = default;
    // Called on the window thread at each change, and once at the start; never blocks it.
    virtual void SetOn(bool on) = 0;
};
