#pragma once

#include <optional>
#include <string>
#include <string_view>

// Windows-1251, the single-byte code page of every text that crosses the wire or the .ini file.
// Texts pass through the program unconverted; they are converted only at the edge of the user
// interface, to and from UTF-8.
namespace CodePage1251 {

// The Unicode code point of one byte. Every byte has one, so decoding never fails and encoding
// the result gives the same bytes back.
char32_t ToUnicode(unsigned char byte);

// The byte for a code point, or nothing when the code page cannot carry it.
std::optional<unsigned char> FromUnicode(char32_t codePoint);

// Windows-1251 bytes to UTF-8.
std::string ToUtf8(std::string_view bytes);

// UTF-8 to Windows-1251 bytes; nothing when a character cannot be carried or the UTF-8 is
// malformed. Never replaces a character silently.
std::optional<std::string> FromUtf8(std::string_view utf8);

// The code point of the UTF-8 sequence at the front of utf8 (not empty), which it then leaves;
// nothing (and utf8 unchanged) when the sequence is malformed.
std::optional<char32_t> TakeUtf8(std::string_view& utf8);

// Whether the bytes are UTF-8 throughout.
bool IsUtf8(std::string_view bytes);

} // namespace CodePage1251

namespace CodePage1251 {

// The program's own UTF-8 literal (a log line, a caption) as Windows-1251 bytes. Only for texts
// the code page carries; a character it cannot carry becomes "?".
std::string FromUtf8Literal(std::string_view utf8);

// Whether two Windows-1251 texts are equal without regard to letter case (Latin and Cyrillic).
bool SameText(std::string_view a, std::string_view b);
// Whether the text begins with head, compared as SameText does.
bool StartsWithText(std::string_view text, std::string_view head);

} // namespace CodePage1251
