#include "display/RotationRead.h"

#include "display/MediaPath.h"
#include "layouts/FolderRotation.h"
#include "layouts/Playlist.h"
#include "platform/FileIo.h"

#include <filesystem>
#include <system_error>

namespace {

std::string ListingText(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        if (!Rotation::HasControlCharacters(name))
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

// The rotation of the folder at the layout path, when it names one. A folder behind a map has
// its listing kept, and the kept one stands in while the folder's source is away.
std::optional<TRotation> FolderAt(const std::string& layoutPath, const TRotationRead& read) {
    TMediaPlace place;
    try {
        place = MediaPath::PlaceUtf8(layoutPath, read.Maps);
    } catch (const EMediaPathError&) {
        return std::nullopt; // said where the path is placed as a file
    }
    const std::optional<std::string> local = place.LocalPath();
    if (!local)
        return std::nullopt; // behind a web map a rotation is a playlist
    const std::string kept = place.Source && !read.ListingFolder.empty()
                                 ? read.ListingFolder + "/" + place.Source->CopyName() + ".listing"
                                 : std::string();
    std::error_code error;
    if (std::filesystem::is_directory(*local, error)) {
        std::vector<std::string> problems;
        std::vector<std::string> names = FolderRotation::NamesIn(*local, problems);
        if (problems.empty() && !kept.empty() && FileIo::MakeFolders(read.ListingFolder))
            FileIo::WriteAtomically(kept, ListingText(names));
        TRotation rotation = FolderRotation::Of(layoutPath, std::move(names));
        rotation.Problems.insert(rotation.Problems.begin(), problems.begin(), problems.end());
        return rotation;
    }
    if (kept.empty() || std::filesystem::exists(*local, error))
        return std::nullopt;
    const std::optional<std::string> listing = FileIo::ReadAll(kept);
    if (!listing)
        return std::nullopt;
    TRotation rotation = FolderRotation::Of(layoutPath, ListingNames(*listing));
    rotation.Problems.push_back("the folder " + layoutPath +
                                " cannot be looked at; its last listing is shown");
    return rotation;
}

// A playlist's entries with each folder it names in its place: the folder's files.
void OpenFolders(TRotation& rotation, const TRotationRead& read) {
    std::vector<TRotationEntry> entries;
    for (TRotationEntry& entry : rotation.Entries) {
        std::optional<TRotation> folder;
        if (Rotation::KindOf(entry.Path) == TMediaKind::Neither)
            folder = FolderAt(entry.Path, read);
        if (!folder) {
            entries.push_back(std::move(entry));
            continue;
        }
        for (TRotationEntry& item : folder->Entries)
            entries.push_back(std::move(item));
        rotation.Problems.insert(rotation.Problems.end(), folder->Problems.begin(),
                                 folder->Problems.end());
    }
    if (entries.size() > Rotation::MostEntries) {
        rotation.Problems.push_back("the playlist " + read.LayoutPath + " with its folders holds " +
                                    std::to_string(entries.size()) + " items; the first " +
                                    std::to_string(Rotation::MostEntries) + " are shown");
        entries.resize(Rotation::MostEntries);
    }
    rotation.Entries = std::move(entries);
}

TRotationReadResult ReadPlaylist(const TRotationRead& read) {
    TRotationReadResult result{TRotationKind::Playlist, {}};
    const auto identity = FileIo::IdentityOf(read.PlaylistFile);
    if (identity && identity->size > RotationRead::MostPlaylistBytes) {
        result.Rotation.Problems.push_back("the playlist " + read.LayoutPath + " is larger than " +
                                           std::to_string(RotationRead::MostPlaylistBytes >> 20) +
                                           " MB and is not read");
        return result;
    }
    const std::optional<std::string> bytes = FileIo::ReadAll(read.PlaylistFile);
    if (!bytes) {
        result.Rotation.Problems.push_back("cannot read the playlist " + read.LayoutPath);
        return result;
    }
    result.Rotation = Playlist::Read(*bytes, read.LayoutPath);
    OpenFolders(result.Rotation, read);
    return result;
}

} // namespace

namespace RotationRead {

TRotationReadResult Run(const TRotationRead& read) {
    if (read.Playlist)
        return ReadPlaylist(read);
    if (std::optional<TRotation> folder = FolderAt(read.LayoutPath, read))
        return {TRotationKind::Folder, std::move(*folder)};
    return {};
}

} // namespace RotationRead
