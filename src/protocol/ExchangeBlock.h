#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// A short string as the wire carries it: a length byte, then the characters, then padding up to
// the capacity. The length byte is not checked against the capacity on reception.
struct TShortString100 {
    uint8_t Length;
    char Chars[100];
};

// The 1505-byte record that is the whole wire protocol between the server and a display client.
// Fields stand one after the other without padding; texts are Windows-1251 bytes. Each command
// is made and read by its own message: RegisterMessage, TextMessage, DisplayTypeMessage,
// KickMessage.
struct TExchangeBlock {
    TShortString100 Command;
    TShortString100 Sender;
    TShortString100 Text;
    TShortString100 Receiver;
    TShortString100 Name;
    char Data[1000]; // zero-terminated unless it is full
};

static_assert(sizeof(TShortString100) == 101);
static_assert(sizeof(TExchangeBlock) == 1505);
static_assert(offsetof(TExchangeBlock, Command) == 0);
static_assert(offsetof(TExchangeBlock, Sender) == 101);
static_assert(offsetof(TExchangeBlock, Text) == 202);
static_assert(offsetof(TExchangeBlock, Receiver) == 303);
static_assert(offsetof(TExchangeBlock, Name) == 404);
static_assert(offsetof(TExchangeBlock, Data) == 505);

namespace ExchangeBlock {

constexpr size_t Size = sizeof(TExchangeBlock);
constexpr size_t FieldCapacity = 100;
constexpr size_t DataCapacity = 1000;

// The sender of every block the server makes itself.
inline constexpr std::string_view ServerSender = "SERVER";

// An all-zero block.
TExchangeBlock Empty();

// Stores at most the field's capacity of characters and zeroes the padding.
void SetField(TShortString100& field, std::string_view text);

// Stores the first 1000 bytes of the text and zeroes the rest of the field.
void SetData(TExchangeBlock& block, std::string_view text);

// Whether the field's length byte and characters equal the word exactly (case-sensitive, no
// trimming); bytes behind the length are not compared.
bool IsCommand(const TExchangeBlock& block, std::string_view word);

// The field as the server keeps it: at most its capacity of characters.
std::string KeptText(const TShortString100& field);

// The field as a log line shows it: as many bytes as the length byte gives, up to 255, running on
// into the bytes that follow the field inside the block (never beyond the block's end). Line
// breaks show as "\r" and "\n", so that no client can write a line of its own into the log.
std::string LogText(const TExchangeBlock& block, const TShortString100& field);

// The data text: up to the first zero byte, at most 1000 bytes.
std::string DataText(const TExchangeBlock& block);

} // namespace ExchangeBlock
