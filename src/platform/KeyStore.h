#pragma once

#include "platform/RegistryText.h"

#include <stdexcept>
#include <string>
#include <string_view>

// Raised when a value of the key store cannot be read or written:
// "Invalid data type for '%s'", "Failed to get data for '%s'", "Failed to set data for '%s'".
class ERegistryException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A per-user registry key kept in a registry export text file. The settings key
// "SoftWare\Quillbrook\Velmora\" of the current user lives in
// $XDG_CONFIG_HOME/Quillbrook/Velmora/settings.reg.
//
// Every call reads the file afresh and every write replaces it whole and atomically, so nothing
// is cached and a crash never leaves half a file. Values keep their type: reading a value as an
// integer that is stored as a string (or the other way round) raises ERegistryException.
class TKeyStore {
public:
    static constexpr std::string_view SettingsKey = "SoftWare\\Quillbrook\\Velmora\\";

    // The file of the settings key under the current configuration folder.
    static std::string SettingsFileName();

    // The settings key of the current user.
    TKeyStore();
    // A key below HKEY_CURRENT_USER kept in the given file.
    TKeyStore(std::string fileName, std::string_view keyPath);

    const std::string& FileName() const { return fileName_; }

    // With canCreate, creates the folder, the file and the key when absent. True when the key
    // exists afterwards.
    bool OpenKey(bool canCreate);
    bool KeyExists() const;

    bool ValueExists(std::string_view name) const;
    RegistryText::TValueType DataType(std::string_view name) const;

    int ReadInteger(std::string_view name) const;
    // An integer value that is on when it is not 0.
    bool ReadBool(std::string_view name) const;
    std::string ReadString(std::string_view name) const;

    // Create the key when absent; raise "Failed to set data for '%s'" when the file cannot be
    // written (or the name or text holds a line break).
    void WriteInteger(std::string_view name, int value);
    void WriteBool(std::string_view name, bool value);
    void WriteString(std::string_view name, std::string_view value);

    // True when the value existed and is gone.
    bool DeleteValue(std::string_view name);

private:
    RegistryText::TValue Read(std::string_view name, RegistryText::TValueType type) const;
    void Write(std::string_view name, const RegistryText::TValue& value);

    std::string fileName_;
    std::string keyName_; // as written in the file: HKEY_CURRENT_USER\...
};
