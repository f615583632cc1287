#pragma once

#include <algorithm>
#include <string_view>

// Small helpers for the text formats of the settings files, whose names compare without regard
// to ASCII letter case and whose blanks around names and values do not count.
namespace AsciiText {

inline bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

inline std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// A C0 control character or DEL: text that holds one is garbage, or would break the line that
// shows it.
inline bool IsControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

// Whether the text holds a control character: a line or a name that does is garbage, or would
// break the log line that shows it.
inline bool HasControl(std::string_view text) {
    return std::any_of(text.begin(), text.end(), IsControl);
}

inline char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Lower(x) == Lower(y); });
}

} // namespace AsciiText
