#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The registry export text format in which the per-user key store keeps its values:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\SoftWare\Quillbrook\Velmora]
//   "LogOK"=dword:00000001
//   "Name"="text with \\ and \" escaped"
//
// The file is outside input (anyone can edit it), so reading never fails: lines it does not
// understand are kept as they stand and written back unchanged, and a value whose data cannot
// be read is a value of another type. Value and key names compare without regard to ASCII case.
namespace RegistryText {

inline constexpr std::string_view Header = "Windows Registry Editor Version 5.00";

enum class TValueType { DWord, String, Other };

struct TValue {
    TValueType Type = TValueType::Other;
    uint32_t DWord = 0;
    std::string String; // the bytes, unescaped

    static TValue FromDWord(uint32_t value) { return {TValueType::DWord, value, {}}; }
    static TValue FromString(std::string value) {
        return {TValueType::String, 0, std::move(value)};
    }
};

class TDocument {
public:
    TDocument() = default;
    explicit TDocument(std::string_view text);

    bool HasKey(std::string_view key) const;
    // Appends the key line when the key is absent.
    void AddKey(std::string_view key);

    // The value as the file holds it; nothing when absent. When a name stands more than once,
    // the last line counts, as an import of the file would have it.
    std::optional<TValue> Value(std::string_view key, std::string_view name) const;

    // Replaces the value's first line and drops its other lines, or appends the value at the end
    // of its key (adding the key when absent). False, with nothing changed, when the name or a
    // string holds a line break, which the format cannot carry, or the value is of another type.
    bool SetValue(std::string_view key, std::string_view name, const TValue& value);

    // Removes every line of the value; true when the value existed.
    bool DeleteValue(std::string_view key, std::string_view name);

    std::string Text() const;

private:
    struct TLine {
        enum class Kind { Other, Key, Value };
        std::string Text; // as written, continuation lines joined by "\n"
        Kind LineKind = Kind::Other;
        std::string Name;      // key path or value name
        bool Deletion = false; // "name"=- : the value is removed by this line
        TValue Data;
    };

    static TLine Classify(std::string text);
    static std::string ValueLine(std::string_view name, const TValue& value);
    // Indices of the value lines of that name inside the sections of that key.
    std::vector<size_t> ValueLines(std::string_view key, std::string_view name) const;
    void EnsureHeader();

    std::vector<TLine> lines_;
};

} // namespace RegistryText
