#include "display/ui/ScreenSwitches.h"

#include "display/CecAdapter.h"
#include "display/CecScreenSwitch.h"
#include "display/ui/DpmsScreenSwitch.h"

std::vector<std::unique_ptr<IScreenSwitch>>
MakeScreenSwitches(const TDisplayOptions& options, std::function<void(const std::string&)> say) {
    std::vector<std::unique_ptr<IScreenSwitch>> switches;
    if (auto adapter = TCecAdapter::Choose(options.Cec, say))
        switches.push_back(std::make_unique<TCecScreenSwitch>(std::move(adapter), say));
    if (auto dpms = TDpmsScreenSwitch::OnX11(say))
        switches.push_back(std::move(dpms));
    return switches;
}
