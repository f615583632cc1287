#include "layouts/LocalRotation.h"

#include "layouts/FolderRotation.h"
#include "layouts/Playlist.h"
#include "platform/FileIo.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <unistd.h>

namespace {

bool IsFolder(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

// The playlist's bytes; nothing, said in a problem line, when it cannot be read whole.
std::optional<std::string> PlaylistBytes(const std::string& path,
                                         std::vector<std::string>& problems) {
    const auto problem = [&](const std::string& what) {
        problems.push_back("the playlist \"" + path + "\" " + what);
        return std::nullopt;
    };
    std::string reason;
    const TDescriptor file = FileIo::OpenRegularFile(path, reason);
    if (!file.Valid())
        return problem("cannot be opened: " + reason);
    std::string bytes;
    char chunk[65536];
    for (;;) {
        const ssize_t got = ::read(file.Get(), chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return problem(std::string("cannot be read: ") + std::strerror(errno));
        if (got == 0)
            return bytes;
        if (bytes.size() + static_cast<size_t>(got) > LocalRotation::MostPlaylistBytes)
            return problem("is longer than " + std::to_string(LocalRotation::MostPlaylistBytes) +
                           " bytes: it is not read");
        bytes.append(chunk, static_cast<size_t>(got));
    }
}

TRotation FolderOf(const std::string& folder, std::vector<std::string>& problems) {
    std::vector<std::string> names = FolderRotation::NamesIn(folder, problems);
    return FolderRotation::Of(folder, std::move(names));
}

class TItems {
public:
    explicit TItems(LocalRotation::TLocal& local) : local_(local) {}

    void Add(const TRotationEntry& entry, TRotationItem::TKind kind) {
        if (local_.Items.size() < Rotation::MostEntries) {
            local_.Items.push_back({entry.Path, kind, entry.Seconds});
        } else if (!full_) {
            full_ = true;
            local_.Problems.push_back("the rotation holds more than " +
                                      std::to_string(Rotation::MostEntries) +
                                      " videos and pictures; the rest are left out");
        }
    }

    // An entry of the playlist: a video, a picture, or a folder of them.
    void AddEntry(const TRotationEntry& entry) {
        switch (Rotation::KindOf(entry.Path)) {
        case TMediaKind::Video:
            return Add(entry, TRotationItem::TKind::Video);
        case TMediaKind::Picture:
            return Add(entry, TRotationItem::TKind::Picture);
        case TMediaKind::Neither:
            break;
        }
        if (!IsFolder(entry.Path)) {
            local_.Problems.push_back("Skipped in the rotation: \"" + entry.Path +
                                      "\": it is neither a video, a picture nor a folder");
            return;
        }
        AddAll(FolderOf(entry.Path, local_.Problems));
    }

    // A folder's files, each a video or a picture.
    void AddAll(const TRotation& rotation) {
        local_.Problems.insert(local_.Problems.end(), rotation.Problems.begin(),
                               rotation.Problems.end());
        for (const TRotationEntry& entry : rotation.Entries)
            Add(entry, Rotation::KindOf(entry.Path) == TMediaKind::Picture
                           ? TRotationItem::TKind::Picture
                           : TRotationItem::TKind::Video);
    }

private:
    LocalRotation::TLocal& local_;
    bool full_ = false;
};

} // namespace

namespace LocalRotation {

bool MayName(std::string_view path) {
    return Rotation::NamedBy(path, false) == TRotationKind::Playlist ||
           (!path.empty() && Rotation::KindOf(path) == TMediaKind::Neither);
}

TLocal Read(const std::string& path) {
    TLocal local;
    TItems items(local);
    if (IsFolder(path)) {
        items.AddAll(FolderOf(path, local.Problems));
        return local;
    }
    if (Rotation::NamedBy(path, false) != TRotationKind::Playlist) {
        local.OneFile = true;
        return local;
    }
    const std::optional<std::string> bytes = PlaylistBytes(path, local.Problems);
    if (!bytes)
        return local;
    const TRotation rotation = Playlist::Read(*bytes, path);
    local.Problems = rotation.Problems;
    for (const TRotationEntry& entry : rotation.Entries)
        items.AddEntry(entry);
    return local;
}

} // namespace LocalRotation
