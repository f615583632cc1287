#include "CodePage1251.h"

#include <array>

namespace {

// Code points of the bytes 0x80 to 0xBF; 0xC0 to 0xFF are U+0410 to U+044F in order. The byte
// 0x98 has no character of its own and stands for U+0098, so that every byte survives a round
// trip through the user interface.
constexpr std::array<char32_t, 64> HighTable = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F, // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, // B8
};

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

} // namespace

namespace CodePage1251 {

std::optional<char32_t> TakeUtf8(std::string_view& s) {
    const auto lead = static_cast<unsigned char>(s[0]);
    size_t length;
    char32_t cp;
    if (lead < 0x80) {
        length = 1;
        cp = lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        cp = lead & 0x07;
    } else {
        return std::nullopt;
    }
    if (s.size() < length)
        return std::nullopt;
    for (size_t i = 1; i < length; ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if ((c & 0xC0) != 0x80)
            return std::nullopt;
        cp = (cp << 6) | (c & 0x3F);
    }
    s.remove_prefix(length);
    return cp;
}

bool IsUtf8(std::string_view bytes) {
    while (!bytes.empty()) {
        if (!TakeUtf8(bytes))
            return false;
    }
    return true;
}

char32_t ToUnicode(unsigned char byte) {
    if (byte < 0x80)
        return byte;
    if (byte >= 0xC0)
        return 0x0410 + (byte - 0xC0);
    return HighTable[byte - 0x80];
}

std::optional<unsigned char> FromUnicode(char32_t codePoint) {
    if (codePoint < 0x80)
        return static_cast<unsigned char>(codePoint);
    if (codePoint >= 0x0410 && codePoint <= 0x044F)
        return static_cast<unsigned char>(0xC0 + (codePoint - 0x0410));
    for (size_t i = 0; i < HighTable.size(); ++i) {
        if (HighTable[i] == codePoint)
            return static_cast<unsigned char>(0x80 + i);
    }
    return std::nullopt;
}

std::string ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes)
        AppendUtf8(out, ToUnicode(static_cast<unsigned char>(c)));
    return out;
}

std::optional<std::string> FromUtf8(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    while (!utf8.empty()) {
        const auto cp = TakeUtf8(utf8);
        if (!cp)
            return std::nullopt;
        const auto byte = FromUnicode(*cp);
        if (!byte)
            return std::nullopt;
        out.push_back(static_cast<char>(*byte));
    }
    return out;
}

} // namespace CodePage1251

namespace {

unsigned char FoldCase(unsigned char c) {
    if (c >= 'A' && c <= 'Z')
        return static_cast<unsigned char>(c + 32);
    if (c >= 0xC0 && c <= 0xDF) // А..Я
        return static_cast<unsigned char>(c + 32);
    switch (c) {
    case 0xA8:
        return 0xB8; // Ё
    case 0x80:
        return 0x90; // Ђ
    case 0x81:
        return 0x83; // Ѓ
    case 0x8A:
        return 0x9A; // Љ
    case 0x8C:
        return 0x9C; // Њ
    case 0x8D:
        return 0x9D; // Ќ
    case 0x8E:
        return 0x9E; // Ћ
    case 0x8F:
        return 0x9F; // Џ
    case 0xA1:
        return 0xA2; // Ў
    case 0xA3:
        return 0xBC; // Ј
    case 0xA5:
        return 0xB4; // Ґ
    case 0xAA:
        return 0xBA; // Є
    case 0xAF:
        return 0xBF; // Ї
    case 0xB2:
        return 0xB3; // І
    case 0xBD:
        return 0xBE; // Ѕ
    default:
        return c;
    }
}

} // namespace

namespace CodePage1251 {

std::string FromUtf8Literal(std::string_view utf8) {
    if (auto bytes = FromUtf8(utf8))
        return *bytes;
    std::string out;
    while (!utf8.empty()) {
        const auto cp = TakeUtf8(utf8);
        if (!cp) {
            utf8.remove_prefix(1);
            out.push_back('?');
            continue;
        }
        const auto byte = FromUnicode(*cp);
        out.push_back(byte ? static_cast<char>(*byte) : '?');
    }
    return out;
}

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(static_cast<unsigned char>(a[i])) !=
            FoldCase(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool StartsWithText(std::string_view text, std::string_view head) {
    return text.size() >= head.size() && SameText(text.substr(0, head.size()), head);
}

} // namespace CodePage1251
