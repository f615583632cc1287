#pragma once

#include "display/DisplayOptions.h"
#include "display/ScreenSwitch.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// What turns this machine's panel off and on: the TV over HDMI-CEC (unless the options say
// "off" or no adapter is found) and, on X11, the X server's DPMS. say must be thread-safe: the
// HDMI-CEC switch talks from its own thread.
std::vector<std::unique_ptr<IScreenSwitch>>
MakeScreenSwitches(const TDisplayOptions& options, std::function<void(const std::string&)> say);
