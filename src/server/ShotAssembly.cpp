#include "ShotAssembly.h"

namespace {

// Every JPEG starts with the start-of-image marker and another marker; a picture without it is
// never handed to a decoder.
bool LooksLikeJpeg(const std::string& bytes) {
    return bytes.size() >= 4 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
           static_cast<unsigned char>(bytes[1]) == 0xD8 &&
           static_cast<unsigned char>(bytes[2]) == 0xFF;
}

} // namespace

TShotAssembly::TOutcome TShotAssembly::Add(const TShotPart& part, TTime now) {
    TOutcome outcome;
    if (!parts_.empty() && now - started_ > IncompleteLimit) {
        outcome.Problem = "picture left incomplete at part " + std::to_string(parts_.size()) +
                          " of " + std::to_string(count_);
        Drop();
    }
    const int expected = static_cast<int>(parts_.size()) + 1;
    if (part.Part != expected || (!parts_.empty() && part.Count != count_) ||
        part.Count > ShotMessage::MostParts) {
        // A part out of order ends the picture; a part 1 then starts the next one at once.
        const bool startsAnew = part.Part == 1 && part.Count <= ShotMessage::MostParts;
        if ((!parts_.empty() || !startsAnew) && outcome.Problem.empty())
            outcome.Problem = "part " + std::to_string(part.Part) + "/" +
                              std::to_string(part.Count) + " out of order";
        Drop();
        if (!startsAnew)
            return outcome;
    }
    if (parts_.empty()) {
        count_ = part.Count;
        started_ = now;
    }
    parts_.push_back(part.Bytes);
    if (static_cast<int>(parts_.size()) < count_)
        return outcome;
    std::string picture;
    for (const std::string& bytes : parts_)
        picture += bytes;
    Drop();
    if (!LooksLikeJpeg(picture)) {
        outcome.Problem = "picture is not a JPEG";
        return outcome;
    }
    outcome.Picture = std::move(picture);
    return outcome;
}

void TShotAssembly::Drop() {
    parts_.clear();
    count_ = 0;
}
