#include "display/ui/DpmsScreenSwitch.h"

#include <QGuiApplication>
#include <cstdlib>
#include <xcb/dpms.h>

namespace {

// Empty when the request went through, else its error.
std::string Checked(xcb_connection_t* connection, xcb_void_cookie_t cookie, const char* what) {
    xcb_generic_error_t* error = xcb_request_check(connection, cookie);
    if (error == nullptr)
        return {};
    const std::string text =
        std::string(what) + " (X error " + std::to_string(error->error_code) + ")";
    std::free(error);
    return text;
}

} // namespace

std::unique_ptr<TDpmsScreenSwitch> TDpmsScreenSwitch::OnX11(TSay say) {
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
    if (connection == nullptr)
        return nullptr;
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection, &xcb_dpms_id);
    if (extension == nullptr || extension->present == 0)
        return nullptr;
    xcb_dpms_capable_reply_t* capable =
        xcb_dpms_capable_reply(connection, xcb_dpms_capable(connection), nullptr);
    const bool canTurnOff = capable != nullptr && capable->capable != 0;
    std::free(capable);
    if (!canTurnOff)
        return nullptr;
    xcb_dpms_info_reply_t* info =
        xcb_dpms_info_reply(connection, xcb_dpms_info(connection), nullptr);
    const bool enabled = info != nullptr && info->state != 0;
    std::free(info);
    return std::unique_ptr<TDpmsScreenSwitch>(
        new TDpmsScreenSwitch(connection, enabled, std::move(say)));
}

std::string TDpmsScreenSwitch::Force(bool on) {
    // The level can be forced only while DPMS is enabled.
    std::string failed =
        Checked(connection_, xcb_dpms_enable_checked(connection_), "cannot enable DPMS");
    if (failed.empty())
        failed = Checked(connection_,
                         xcb_dpms_force_level_checked(connection_, on ? XCB_DPMS_DPMS_MODE_ON
                                                                      : XCB_DPMS_DPMS_MODE_OFF),
                         on ? "cannot turn the screen on" : "cannot turn the screen off");
    if (failed.empty() && on && !enabledBefore_)
        failed = Checked(connection_, xcb_dpms_disable_checked(connection_), "cannot disable DPMS");
    return failed;
}

void TDpmsScreenSwitch::SetOn(bool on) {
    const std::string failed = Force(on);
    if (!failed.empty() && !failureSaid_)
        say_("DPMS: " + failed);
    failureSaid_ = !failed.empty();
}
