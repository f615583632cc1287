#pragma once

#include <QString>
#include <optional>
#include <string>
#include <string_view>

// The one place where the Windows-1251 bytes that the program keeps and sends meet the Unicode
// text that the controls show and take.
namespace ShownText {

// Bytes as a control shows them. Every byte decodes, so nothing is lost.
QString FromBytes(std::string_view bytes);

// A control's text as bytes; nothing when a character cannot be carried.
std::optional<std::string> ToBytes(const QString& text);

// A control's text as bytes, with "?" for a character the code page cannot carry: only for
// texts that are never stored or sent as typed (a name to look up, a row to find).
std::string ToBytesLossy(const QString& text);

} // namespace ShownText
