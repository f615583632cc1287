#include "KeyStore.h"

#include "FileIo.h"
#include "ProgramPaths.h"
#include "platform/Product.h"

#include <mutex>
#include <optional>

namespace {

using RegistryText::TDocument;
using RegistryText::TValue;
using RegistryText::TValueType;

// Writes of one process are serialised so that two read-modify-write cycles never lose each
// other's value; readers need no lock since every write replaces the file atomically.
std::mutex& WriteMutex() {
    static std::mutex mutex;
    return mutex;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string Quote(std::string_view name) {
    return "'" + std::string(name) + "'";
}

// The document in the file; an absent file is an empty document. Nothing when the file exists
// but cannot be read, so that a write never replaces what it could not see.
std::optional<TDocument> LoadForWrite(const std::string& fileName) {
    if (auto content = FileIo::ReadAll(fileName))
        return TDocument(*content);
    if (FileIo::Exists(fileName))
        return std::nullopt;
    return TDocument();
}

TDocument LoadForRead(const std::string& fileName) {
    const auto content = FileIo::ReadAll(fileName);
    return content ? TDocument(*content) : TDocument();
}

bool Save(const std::string& fileName, const TDocument& document) {
    return FileIo::MakeFolders(FolderOf(fileName)) &&
           FileIo::WriteAtomically(fileName, document.Text());
}

} // namespace

std::string TKeyStore::SettingsFileName() {
    return ProgramPaths::ConfigHome() + "/" + Product::Maker + "/" + Product::Name +
           "/settings.reg";
}

TKeyStore::TKeyStore() : TKeyStore(SettingsFileName(), SettingsKey) {}

TKeyStore::TKeyStore(std::string fileName, std::string_view keyPath)
    : fileName_(std::move(fileName)), keyName_("HKEY_CURRENT_USER\\" + std::string(keyPath)) {
    if (keyName_.back() == '\\')
        keyName_.pop_back();
}

bool TKeyStore::OpenKey(bool canCreate) {
    if (KeyExists())
        return true;
    if (!canCreate)
        return false;
    std::lock_guard lock(WriteMutex());
    auto document = LoadForWrite(fileName_);
    if (!document)
        return false;
    if (document->HasKey(keyName_))
        return true;
    document->AddKey(keyName_);
    return Save(fileName_, *document);
}

bool TKeyStore::KeyExists() const {
    return LoadForRead(fileName_).HasKey(keyName_);
}

bool TKeyStore::ValueExists(std::string_view name) const {
    return LoadForRead(fileName_).Value(keyName_, name).has_value();
}

RegistryText::TValueType TKeyStore::DataType(std::string_view name) const {
    const auto value = LoadForRead(fileName_).Value(keyName_, name);
    return value ? value->Type : TValueType::Other;
}

TValue TKeyStore::Read(std::string_view name, TValueType type) const {
    auto value = LoadForRead(fileName_).Value(keyName_, name);
    if (!value)
        throw ERegistryException("Failed to get data for " + Quote(name));
    if (value->Type != type)
        throw ERegistryException("Invalid data type for " + Quote(name));
    return std::move(*value);
}

int TKeyStore::ReadInteger(std::string_view name) const {
    return static_cast<int>(Read(name, TValueType::DWord).DWord);
}

bool TKeyStore::ReadBool(std::string_view name) const {
    return ReadInteger(name) != 0;
}

std::string TKeyStore::ReadString(std::string_view name) const {
    return Read(name, TValueType::String).String;
}

void TKeyStore::Write(std::string_view name, const TValue& value) {
    std::lock_guard lock(WriteMutex());
    auto document = LoadForWrite(fileName_);
    if (!document || !document->SetValue(keyName_, name, value) || !Save(fileName_, *document))
        throw ERegistryException("Failed to set data for " + Quote(name));
}

void TKeyStore::WriteInteger(std::string_view name, int value) {
    Write(name, TValue::FromDWord(static_cast<uint32_t>(value)));
}

void TKeyStore::WriteBool(std::string_view name, bool value) {
    WriteInteger(name, value ? 1 : 0);
}

void TKeyStore::WriteString(std::string_view name, std::string_view value) {
    Write(name, TValue::FromString(std::string(value)));
}

bool TKeyStore::DeleteValue(std::string_view name) {
    std::lock_guard lock(WriteMutex());
    auto document = LoadForWrite(fileName_);
    if (!document || !document->DeleteValue(keyName_, name))
        return false;
    return Save(fileName_, *document);
}
