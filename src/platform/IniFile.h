#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Raised when a value cannot be written to an .ini file: "Unable to write to %s".
class EIniFileException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads a whole number the way settings values are read: leading blanks skipped, an optional
// sign, then decimal digits, or hexadecimal digits after "$", "0x" or "0X". Anything else gives
// the default.
int StrToIntDef(std::string_view text, int defaultValue);

// An .ini file with the semantics of the classic profile functions. Every call sees the file as
// it is now (reads go through a parsed copy checked against the file's identity each time, and
// reparse on any change) and every write replaces it whole and atomically, so a reader in
// another thread never sees half a file.
//
// Section and key names compare without regard to ASCII letter case; blanks around names and
// values are not part of them; a value is everything after the first "="; lines that are not
// key=value (comments, blank lines) are kept as they are. Bytes pass through unconverted.
class TIniFile {
public:
    // Longest value a read returns; longer values are cut.
    static constexpr size_t MaxValueLength = 2047;
    // Size of the buffer through which the key names of one section are listed.
    static constexpr size_t SectionNamesBufferSize = 16384;
    // A file state younger than this is read afresh at every use: time stamps tick coarsely
    // (2 s on FAT), so two changes within one tick can leave the same identity.
    static constexpr int64_t SettleTimeNs = 2'000'000'000;

    explicit TIniFile(std::string fileName);

    const std::string& FileName() const { return fileName_; }

    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const;
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;
    bool KeyExists(std::string_view section, std::string_view key) const;
    bool SectionExists(std::string_view section) const;

    // Key names of a section in file order.
    std::vector<std::string> ReadSection(std::string_view section) const;
    // Key names of a section in file order with the value a ReadString of each would give,
    // all from one read of the file.
    std::vector<std::pair<std::string, std::string>>
    ReadSectionValues(std::string_view section) const;

    // Replaces the first matching key in place, or appends the key at the end of its section,
    // or appends the section at the end of the file. Throws EIniFileException when the file
    // cannot be written, and when a name or value holds a line break (it would break the file).
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int value);
    void WriteBool(std::string_view section, std::string_view key, bool value);

private:
    [[noreturn]] void ThrowWriteError() const;

    std::string fileName_;
};
