#include "layouts/RotationRead.h"

#include "layouts/FolderRotation.h"
#include "layouts/Playlist.h"
#include "platform/AsciiText.h"
#include "platform/FileIo.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace {

std::string ListingText(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        if (!AsciiText::HasControl(name))
            text += name + '\n';
    }
    return text;
}

std::vector<std::string> ListingNames(const std::string& text) {
    std::vector<std::string> names;
    size_t from = 0;
    for (size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', from)) {
        names.push_back(text.substr(from, end - from));
        from = end + 1;
    }
    return names;
}

std::optional<TFolderPlace> PlaceOf(const std::string& layoutPath, const TRotationRead& read) {
    if (!read.Folders)
        return TFolderPlace{layoutPath, {}};
    return read.Folders(layoutPath);
}

// The rotation of the folder at the layout path, when it names one. A kept listing is written
// at each look and stands in while the folder's source is away.
std::optional<TRotation> FolderAt(const std::string& layoutPath, const TRotationRead& read) {
    const std::optional<TFolderPlace> place = PlaceOf(layoutPath, read);
    if (!place)
        return std::nullopt;
    const std::string& kept = place->KeptListing;
    std::error_code error;
    if (std::filesystem::is_directory(place->Local, error)) {
        std::vector<std::string> problems;
        std::vector<std::string> names = FolderRotation::NamesIn(place->Local, problems);
        if (problems.empty() && !kept.empty() &&
            FileIo::MakeFolders(std::filesystem::path(kept).parent_path()))
            FileIo::WriteAtomically(kept, ListingText(names));
        TRotation rotation = FolderRotation::Of(layoutPath, std::move(names));
        rotation.Problems.insert(rotation.Problems.begin(), problems.begin(), problems.end());
        return rotation;
    }
    if (kept.empty() || std::filesystem::exists(place->Local, error))
        return std::nullopt;
    const std::optional<std::string> listing = FileIo::ReadAll(kept);
    if (!listing)
        return std::nullopt;
    TRotation rotation = FolderRotation::Of(layoutPath, ListingNames(*listing));
    rotation.Problems.push_back("the folder \"" + layoutPath +
                                "\" cannot be looked at; its last listing is shown");
    return rotation;
}

// A playlist's entries with each folder it names in its place: the folder's files.
void OpenFolders(TRotation& rotation, const TRotationRead& read) {
    std::vector<TRotationEntry> entries;
    for (TRotationEntry& entry : rotation.Entries) {
        if (Rotation::KindOf(entry.Path) != TMediaKind::Neither) {
            entries.push_back(std::move(entry));
            continue;
        }
        std::optional<TRotation> folder = FolderAt(entry.Path, read);
        if (!folder) {
            rotation.Problems.push_back("Skipped in the rotation: \"" + entry.Path +
                                        "\": it is neither a video, a picture nor a folder");
            continue;
        }
        // The folder's hours are each of its files'.
        for (TRotationEntry& item : folder->Entries) {
            item.Hours = entry.Hours;
            entries.push_back(std::move(item));
        }
        rotation.Problems.insert(rotation.Problems.end(), folder->Problems.begin(),
                                 folder->Problems.end());
    }
    if (entries.size() > Rotation::MostEntries) {
        rotation.Problems.push_back("the rotation holds more than " +
                                    std::to_string(Rotation::MostEntries) +
                                    " videos and pictures; the rest are left out");
        entries.resize(Rotation::MostEntries);
    }
    rotation.Entries = std::move(entries);
}

// The playlist's bytes; nothing, said in a problem line, when it cannot be read whole.
std::optional<std::string> PlaylistBytes(const TRotationRead& read,
                                         std::vector<std::string>& problems) {
    const auto problem = [&](const std::string& what) {
        problems.push_back("the playlist \"" + read.LayoutPath + "\" " + what);
        return std::nullopt;
    };
    std::string reason;
    const TDescriptor file = FileIo::OpenRegularFile(read.PlaylistFile, reason);
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
        if (bytes.size() + static_cast<size_t>(got) > RotationRead::MostPlaylistBytes)
            return problem("is longer than " + std::to_string(RotationRead::MostPlaylistBytes) +
                           " bytes: it is not read");
        bytes.append(chunk, static_cast<size_t>(got));
    }
}

} // namespace

namespace RotationRead {

TRotationReadResult Run(const TRotationRead& read) {
    if (read.Playlist) {
        TRotationReadResult result{TRotationKind::Playlist, {}};
        const std::optional<std::string> bytes = PlaylistBytes(read, result.Rotation.Problems);
        if (!bytes)
            return result;
        result.Rotation = Playlist::Read(*bytes, read.LayoutPath);
        OpenFolders(result.Rotation, read);
        return result;
    }
    if (std::optional<TRotation> folder = FolderAt(read.LayoutPath, read))
        return {TRotationKind::Folder, std::move(*folder)};
    return {};
}

} // namespace RotationRead
