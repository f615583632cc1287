#pragma once

#include "protocol/ExchangeBlock.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// "SHOT": the server asks a display for a picture of its screen (a block with an empty Text), and
// the display answers with a JPEG split over blocks. Data is read as text up to its first zero
// elsewhere, so each part's Text says which part it is, of how many, and its length in bytes:
// "3/12 1000". A display that does not know the word never answers.
struct TShotPart {
    std::string Sender; // the display's slot name
    int Part = 0;       // 1 to Count
    int Count = 0;      // 1 to MostParts
    std::string Bytes;  // 1 to PartBytes bytes of the JPEG

    bool operator==(const TShotPart&) const = default;
};

namespace ShotMessage {

inline constexpr std::string_view Command = "SHOT";
constexpr int MostParts = 32;
constexpr size_t PartBytes = 1000;

// The server's request to the display at the peer address (Receiver).
TExchangeBlock MakeRequest(const std::string& peerIP);
// A "SHOT" block with an empty Text: a request.
bool IsRequest(const TExchangeBlock& block);

TExchangeBlock MakePart(const TShotPart& part);
bool Is(const TExchangeBlock& block);
// A part whose Text reads and whose numbers hold (1 <= part <= count <= MostParts, 1 <= length <=
// PartBytes); nothing for another command, a request or a part that does not read.
std::optional<TShotPart> ReadPart(const TExchangeBlock& block);

// The picture's blocks, in order; none when it needs more than MostParts parts or is empty.
std::vector<TExchangeBlock> Split(const std::string& sender, std::string_view jpeg);

} // namespace ShotMessage
