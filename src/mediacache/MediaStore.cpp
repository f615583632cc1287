#include "mediacache/MediaStore.h"

#include "platform/FileIo.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* IndexName = "index";
constexpr const char* StagedPrefix = ".part-";

bool IsDiskFull(int error) {
    return error == ENOSPC || error == EDQUOT;
}

std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

// A rename is durable once the folder that holds it is.
void SyncFolder(const std::string& folder) {
    const TDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Valid())
        ::fsync(dir.Get());
}

} // namespace

TStagedCopy::TStagedCopy(const std::string& folder) {
    std::string pattern = folder + "/" + StagedPrefix + "XXXXXX";
    file_ = TDescriptor(::mkostemp(pattern.data(), O_CLOEXEC));
    if (!file_.Valid())
        throw std::runtime_error("cannot make a file in " + folder);
    path_ = pattern;
}

TStagedCopy::~TStagedCopy() {
    if (!path_.empty())
        ::unlink(path_.c_str());
}

int TStagedCopy::Reserve(int64_t size) {
    const int error = size > 0 ? ::posix_fallocate(file_.Get(), 0, size) : 0;
    return error == EOPNOTSUPP || error == EINVAL ? 0 : error;
}

int TStagedCopy::Write(const void* data, size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    hash_.Add(bytes, size);
    while (size > 0) {
        const ssize_t n = ::write(file_.Get(), bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        bytes += n;
        size -= static_cast<size_t>(n);
        written_ += n;
    }
    // The disk starts on what has come so far, so that making the copy durable at its end waits
    // for the last part only.
    if (written_ - flushed_ >= FlushStep) {
        ::sync_file_range(file_.Get(), flushed_, written_ - flushed_, SYNC_FILE_RANGE_WRITE);
        flushed_ = written_;
    }
    return 0;
}

TMediaStore::TMediaStore(std::string folder, int64_t limitBytes)
    : folder_(std::move(folder)), limit_(limitBytes) {}

void TMediaStore::Open() {
    FileIo::MakeFolders(folder_);
    files_.clear();
    checked_.clear();
    bool changed = false;
    if (const auto text = FileIo::ReadAll(PathOf(IndexName))) {
        for (TCachedFile& file : MediaIndex::Parse(*text)) {
            const auto identity = FileIo::IdentityOf(PathOf(file.Name));
            if (identity && identity->size == file.Size)
                files_[file.Name] = std::move(file);
            else
                changed = true;
        }
    }
    for (const std::string& name : FolderNames(folder_)) {
        if (name != IndexName && files_.count(name) == 0)
            FileIo::RemoveFile(PathOf(name));
    }
    if (changed)
        SaveIndex();
}

const TCachedFile* TMediaStore::Find(const std::string& name) const {
    const auto found = files_.find(name);
    return found != files_.end() ? &found->second : nullptr;
}

bool TMediaStore::Usable(const std::string& name) {
    const auto found = files_.find(name);
    if (found == files_.end())
        return false;
    if (checked_.count(name) != 0)
        return true;
    if (Sha256OfFile(PathOf(name)) != found->second.Sha256) {
        Drop(name);
        SaveIndex();
        return false;
    }
    checked_.insert(name);
    return true;
}

std::string TMediaStore::Unchecked() const {
    for (const auto& [name, file] : files_) {
        if (checked_.count(name) == 0)
            return name;
    }
    return {};
}

void TMediaStore::Shown(const std::vector<std::string>& names, int64_t now) {
    bool changed = false;
    for (const std::string& name : names) {
        const auto found = files_.find(name);
        if (found != files_.end() && found->second.LastShown != now) {
            found->second.LastShown = now;
            changed = true;
        }
    }
    if (changed)
        SaveIndex();
}

int64_t TMediaStore::TotalSize() const {
    int64_t total = 0;
    for (const auto& [name, file] : files_)
        total += file.Size;
    return total;
}

bool TMediaStore::MakeRoom(int64_t bytes, const std::string& replacing,
                           const std::set<std::string>& pinned) {
    int64_t kept = TotalSize();
    if (const TCachedFile* old = Find(replacing))
        kept -= old->Size;
    std::vector<const TCachedFile*> candidates;
    for (const auto& [name, file] : files_) {
        if (name != replacing && pinned.count(name) == 0)
            candidates.push_back(&file);
    }
    std::sort(candidates.begin(), candidates.end(),
              [](const auto* a, const auto* b) { return a->LastShown < b->LastShown; });
    size_t going = 0;
    while (kept + bytes > limit_ && going < candidates.size())
        kept -= candidates[going++]->Size;
    if (kept + bytes > limit_)
        return false;
    std::vector<std::string> names;
    for (size_t i = 0; i < going; ++i)
        names.push_back(candidates[i]->Name);
    for (const std::string& name : names)
        Drop(name);
    return true;
}

TMediaStore::TCommit TMediaStore::Commit(std::unique_ptr<TStagedCopy> copy, TCachedFile file,
                                         const std::set<std::string>& pinned,
                                         const std::function<void()>& placed) {
    if (!MakeRoom(file.Size, file.Name, pinned))
        return TCommit::TooBig;
    if (::fsync(copy->file_.Get()) != 0)
        return IsDiskFull(errno) ? TCommit::DiskFull : TCommit::WriteFailed;
    if (::rename(copy->path_.c_str(), PathOf(file.Name).c_str()) != 0)
        return IsDiskFull(errno) ? TCommit::DiskFull : TCommit::WriteFailed;
    copy->path_.clear();
    SyncFolder(folder_);
    checked_.insert(file.Name);
    files_[file.Name] = std::move(file);
    if (placed)
        placed();
    // Without its index entry the copy is unknown at the next start and goes: never shown wrong.
    return SaveIndex() ? TCommit::Done : TCommit::DiskFull;
}

void TMediaStore::Revalidated(const TCachedFile& file) {
    const auto found = files_.find(file.Name);
    if (found == files_.end() || found->second == file)
        return;
    found->second = file;
    SaveIndex();
}

void TMediaStore::Drop(const std::string& name) {
    FileIo::RemoveFile(PathOf(name));
    files_.erase(name);
    checked_.erase(name);
}

bool TMediaStore::SaveIndex() const {
    std::vector<TCachedFile> files;
    for (const auto& [name, file] : files_)
        files.push_back(file);
    return FileIo::WriteAtomically(PathOf(IndexName), MediaIndex::Text(files));
}
