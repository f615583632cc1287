#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

// The system's time zone is the one named (TZ, through the C library's zone files) for the
// guard's scope; the one before comes back after.
class TZoneGuard {
public:
    explicit TZoneGuard(const char* zone) {
        if (const char* before = std::getenv("TZ"))
            before_ = before;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    TZoneGuard(const TZoneGuard&) = delete;
    TZoneGuard& operator=(const TZoneGuard&) = delete;
    ~TZoneGuard() {
        if (before_)
            ::setenv("TZ", before_->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::optional<std::string> before_;
};
