#pragma once

#include "protocol/ShotMessage.h"

#include <chrono>
#include <string>
#include <vector>

// One display's picture of its screen being put together from its "SHOT" parts. Parts come in
// order, 1 to count; anything else drops the picture being assembled. What it holds is bounded by
// the message: at most MostParts parts of PartBytes bytes.
class TShotAssembly {
public:
    using TTime = std::chrono::system_clock::time_point;

    // A picture left incomplete this long is dropped when the next part comes.
    static constexpr std::chrono::seconds IncompleteLimit{10};

    struct TOutcome {
        std::string Picture; // the JPEG the part completed; empty when it completed none
        std::string Problem; // why a picture was dropped; empty when none was
    };

    TOutcome Add(const TShotPart& part, TTime now);

private:
    void Drop();

    std::vector<std::string> parts_;
    int count_ = 0;
    TTime started_{};
};
