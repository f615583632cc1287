#include "RegistryText.h"

#include "AsciiText.h"

#include <algorithm>

namespace {

using AsciiText::IsBlank;
using AsciiText::SameName;
using AsciiText::Trim;

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && SameName(s.substr(0, prefix.size()), prefix);
}

// A key path names the same key with or without its trailing backslash.
bool SameKey(std::string_view a, std::string_view b) {
    if (!a.empty() && a.back() == '\\')
        a.remove_suffix(1);
    if (!b.empty() && b.back() == '\\')
        b.remove_suffix(1);
    return SameName(a, b);
}

bool HoldsLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

// Reads a quoted text at the start of s (s[0] is the opening quote), undoing the backslash
// escapes. On success s is left after the closing quote.
std::optional<std::string> TakeQuoted(std::string_view& s) {
    std::string out;
    for (size_t i = 1; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            out.push_back(s[++i]);
        } else if (s[i] == '"') {
            s.remove_prefix(i + 1);
            return out;
        } else {
            out.push_back(s[i]);
        }
    }
    return std::nullopt;
}

std::string Quoted(std::string_view s) {
    std::string out = "\"";
    for (const char c : s) {
        if (c == '\\' || c == '"')
            out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

std::optional<uint32_t> ParseDWord(std::string_view digits) {
    if (digits.empty() || digits.size() > 8)
        return std::nullopt;
    uint32_t value = 0;
    for (const char c : digits) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        value = value * 16 + static_cast<uint32_t>(digit);
    }
    return value;
}

RegistryText::TValue ParseData(std::string_view data) {
    using RegistryText::TValue;
    if (StartsWithNoCase(data, "dword:")) {
        if (const auto value = ParseDWord(data.substr(6)))
            return TValue::FromDWord(*value);
        return {};
    }
    if (!data.empty() && data.front() == '"') {
        std::string_view rest = data;
        auto text = TakeQuoted(rest);
        if (text && Trim(rest).empty())
            return TValue::FromString(std::move(*text));
    }
    return {};
}

} // namespace

namespace RegistryText {

TDocument::TLine TDocument::Classify(std::string text) {
    TLine line;
    std::string_view t = Trim(text);
    if (!t.empty() && t.front() == '[') {
        const auto close = t.rfind(']');
        if (close != std::string_view::npos) {
            line.LineKind = TLine::Kind::Key;
            line.Name = std::string(Trim(t.substr(1, close - 1)));
        }
    } else if (!t.empty() && (t.front() == '"' || t.front() == '@')) {
        std::optional<std::string> name;
        if (t.front() == '@') {
            name.emplace();
            t.remove_prefix(1);
        } else {
            name = TakeQuoted(t);
        }
        t = Trim(t);
        if (name && !t.empty() && t.front() == '=') {
            const std::string_view data = Trim(t.substr(1));
            line.LineKind = TLine::Kind::Value;
            line.Name = std::move(*name);
            line.Deletion = data == "-";
            if (!line.Deletion)
                line.Data = ParseData(data);
        }
    }
    line.Text = std::move(text);
    return line;
}

TDocument::TDocument(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    std::vector<std::string_view> physical;
    while (!text.empty()) {
        const auto nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        while (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        physical.push_back(line);
        if (nl == std::string_view::npos)
            break;
        text.remove_prefix(nl + 1);
    }
    for (size_t i = 0; i < physical.size(); ++i) {
        TLine line = Classify(std::string(physical[i]));
        // Binary data is written over several lines: each but the last ends with a backslash
        // and the next ones are indented.
        if (line.LineKind == TLine::Kind::Value && line.Data.Type == TValueType::Other) {
            while (!physical[i].empty() && physical[i].back() == '\\' && i + 1 < physical.size() &&
                   !physical[i + 1].empty() && IsBlank(physical[i + 1].front())) {
                ++i;
                line.Text += '\n';
                line.Text += physical[i];
            }
        }
        lines_.push_back(std::move(line));
    }
}

bool TDocument::HasKey(std::string_view key) const {
    return std::any_of(lines_.begin(), lines_.end(), [key](const TLine& line) {
        return line.LineKind == TLine::Kind::Key && SameKey(line.Name, key);
    });
}

void TDocument::EnsureHeader() {
    if (!lines_.empty()) {
        const std::string_view first = Trim(lines_.front().Text);
        if (first == Header || first == "REGEDIT4")
            return;
    }
    lines_.insert(lines_.begin(), {Classify(std::string(Header)), Classify("")});
}

void TDocument::AddKey(std::string_view key) {
    EnsureHeader();
    if (HasKey(key))
        return;
    if (!Trim(lines_.back().Text).empty())
        lines_.push_back(Classify(""));
    lines_.push_back(Classify("[" + std::string(key) + "]"));
}

std::vector<size_t> TDocument::ValueLines(std::string_view key, std::string_view name) const {
    std::vector<size_t> found;
    bool inKey = false;
    for (size_t i = 0; i < lines_.size(); ++i) {
        const TLine& line = lines_[i];
        if (line.LineKind == TLine::Kind::Key)
            inKey = SameKey(line.Name, key);
        else if (inKey && line.LineKind == TLine::Kind::Value && SameName(line.Name, name))
            found.push_back(i);
    }
    return found;
}

std::optional<TValue> TDocument::Value(std::string_view key, std::string_view name) const {
    const auto found = ValueLines(key, name);
    if (found.empty() || lines_[found.back()].Deletion)
        return std::nullopt;
    return lines_[found.back()].Data;
}

std::string TDocument::ValueLine(std::string_view name, const TValue& value) {
    std::string line = name.empty() ? std::string("@") : Quoted(name);
    line += '=';
    if (value.Type == TValueType::DWord) {
        static constexpr char Digits[] = "0123456789abcdef";
        line += "dword:";
        for (int shift = 28; shift >= 0; shift -= 4)
            line += Digits[(value.DWord >> shift) & 0xF];
    } else {
        line += Quoted(value.String);
    }
    return line;
}

bool TDocument::SetValue(std::string_view key, std::string_view name, const TValue& value) {
    if (value.Type == TValueType::Other || HoldsLineBreak(name) ||
        (value.Type == TValueType::String && HoldsLineBreak(value.String)))
        return false;
    AddKey(key);
    TLine line = Classify(ValueLine(name, value));
    const auto found = ValueLines(key, name);
    if (!found.empty()) {
        for (size_t i = found.size(); i-- > 1;)
            lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(found[i]));
        lines_[found.front()] = std::move(line);
        return true;
    }
    // At the end of the key's last section, before the blank lines that close it.
    size_t header = 0;
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].LineKind == TLine::Kind::Key && SameKey(lines_[i].Name, key))
            header = i;
    }
    size_t at = header + 1;
    while (at < lines_.size() && lines_[at].LineKind != TLine::Kind::Key)
        ++at;
    while (at > header + 1 && Trim(lines_[at - 1].Text).empty())
        --at;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
    return true;
}

bool TDocument::DeleteValue(std::string_view key, std::string_view name) {
    const bool existed = Value(key, name).has_value();
    const auto found = ValueLines(key, name);
    for (size_t i = found.size(); i-- > 0;)
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(found[i]));
    return existed;
}

std::string TDocument::Text() const {
    std::string text;
    for (const TLine& line : lines_) {
        text += line.Text;
        text += '\n';
    }
    return text;
}

} // namespace RegistryText
