#include "ExchangeBlock.h"

#include <algorithm>
#include <cstring>

namespace ExchangeBlock {

TExchangeBlock Empty() {
    TExchangeBlock block;
    std::memset(&block, 0, sizeof block);
    return block;
}

void SetField(TShortString100& field, std::string_view text) {
    const size_t n = std::min(text.size(), FieldCapacity);
    field.Length = static_cast<uint8_t>(n);
    std::memset(field.Chars, 0, sizeof field.Chars);
    std::memcpy(field.Chars, text.data(), n);
}

void SetData(TExchangeBlock& block, std::string_view text) {
    const size_t n = std::min(text.size(), DataCapacity);
    std::memset(block.Data, 0, sizeof block.Data);
    std::memcpy(block.Data, text.data(), n);
}

bool IsCommand(const TExchangeBlock& block, std::string_view word) {
    return block.Command.Length == word.size() &&
           std::memcmp(block.Command.Chars, word.data(), word.size()) == 0;
}

std::string KeptText(const TShortString100& field) {
    return std::string(field.Chars, std::min<size_t>(field.Length, FieldCapacity));
}

std::string LogText(const TExchangeBlock& block, const TShortString100& field) {
    const auto* blockStart = reinterpret_cast<const char*>(&block);
    const size_t start = static_cast<size_t>(field.Chars - blockStart);
    const size_t n = std::min<size_t>(field.Length, Size - start);
    // A line break from a client would start a forged line of its own in the log.
    std::string text;
    for (const char c : std::string_view(field.Chars, n)) {
        if (c == '\r')
            text += "\\r";
        else if (c == '\n')
            text += "\\n";
        else
            text += c;
    }
    return text;
}

std::string DataText(const TExchangeBlock& block) {
    const auto* end = static_cast<const char*>(std::memchr(block.Data, 0, DataCapacity));
    return std::string(block.Data,
                       end != nullptr ? static_cast<size_t>(end - block.Data) : DataCapacity);
}

} // namespace ExchangeBlock
