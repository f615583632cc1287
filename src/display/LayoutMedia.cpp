#include "display/LayoutMedia.h"

#include <algorithm>

namespace {

bool IsCopy(const TMediaPlace& place, const std::string& copyName) {
    return place.Source && place.Source->CopyName() == copyName;
}

} // namespace

bool TLayoutMedia::Want(TWantedLayout layout) {
    wanted_ = std::move(layout);
    usable_.clear();
    asked_.clear();
    awaited_ = 0;
    ++generation_;
    for (const TBox box : {TBox::Picture, TBox::Video}) {
        const TMediaPlace& place = PlaceOf(box);
        const std::string& name = place.Source ? place.Source->FileName : place.Path;
        TBoxMedia& media = boxes_[static_cast<size_t>(box)];
        media = {};
        // Only a name that is neither a playlist nor a file the display shows is looked at.
        if (Rotation::NamedBy(name, false) == TRotationKind::Playlist)
            media.Named = TNamed::Playlist;
        else if (Rotation::MayName(name) && place.LocalPath())
            media.Named = TNamed::MaybeFolder;
    }
    return !Sources().empty();
}

const TMediaPlace& TLayoutMedia::PlaceOf(TBox box) const {
    return box == TBox::Picture ? wanted_.Picture : wanted_.Video;
}

bool TLayoutMedia::IsRotation(const TBoxMedia& media) const {
    return media.Named == TNamed::Playlist ||
           (media.Named == TNamed::MaybeFolder && media.ReadOnce &&
            media.Read.Kind == TRotationKind::Folder);
}

bool TLayoutMedia::IsOneFile(const TBoxMedia& media) const {
    return media.Named == TNamed::OneFile ||
           (media.Named == TNamed::MaybeFolder && media.ReadOnce &&
            media.Read.Kind == TRotationKind::OneFile);
}

std::vector<TMediaSource> TLayoutMedia::Sources() const {
    std::vector<TMediaSource> sources;
    for (const TBox box : {TBox::Picture, TBox::Video}) {
        const TBoxMedia& media = boxes_[static_cast<size_t>(box)];
        const TMediaPlace& place = PlaceOf(box);
        if (place.Source && (IsOneFile(media) || media.Named == TNamed::Playlist))
            sources.push_back(*place.Source);
        if (!IsRotation(media))
            continue;
        for (const TPlacedEntry& entry : media.Entries) {
            if (entry.Place.Source)
                sources.push_back(*entry.Place.Source);
        }
    }
    return sources;
}

void TLayoutMedia::Asked(uint64_t token) {
    awaited_ = token;
    asked_ = Sources();
}

bool TLayoutMedia::Resolved(uint64_t token, const std::vector<std::string>& usable) {
    if (awaited_ == 0 || token != awaited_)
        return false;
    awaited_ = 0;
    for (const std::string& name : usable) {
        if (!Usable(name))
            usable_.push_back(name);
    }
    return true;
}

bool TLayoutMedia::ShowsAsOneFile(const std::string& copyName, bool* picture) const {
    bool shows = false;
    for (const TBox box : {TBox::Picture, TBox::Video}) {
        if (IsCopy(PlaceOf(box), copyName) && IsOneFile(boxes_[static_cast<size_t>(box)])) {
            shows = true;
            *picture = *picture || box == TBox::Picture;
        }
    }
    return shows;
}

bool TLayoutMedia::Shows(const std::string& copyName) const {
    for (const TBox box : {TBox::Picture, TBox::Video}) {
        const TBoxMedia& media = boxes_[static_cast<size_t>(box)];
        if (IsCopy(PlaceOf(box), copyName) ||
            std::any_of(media.Entries.begin(), media.Entries.end(),
                        [&](const TPlacedEntry& entry) { return IsCopy(entry.Place, copyName); }))
            return true;
    }
    return false;
}

bool TLayoutMedia::Arrived(const std::string& copyName) {
    if (!Shows(copyName))
        return false;
    for (const TBox box : {TBox::Picture, TBox::Video}) {
        TBoxMedia& media = boxes_[static_cast<size_t>(box)];
        if (IsCopy(PlaceOf(box), copyName) && media.Named == TNamed::Playlist)
            media.Stale = true;
    }
    bool picture = false;
    const bool file = ShowsAsOneFile(copyName, &picture);
    const bool shown = Usable(copyName);
    if (!shown)
        usable_.push_back(copyName);
    if (awaited_ != 0)
        return false; // built once the cache answers
    return file && (!shown || picture);
}

bool TLayoutMedia::Uncached(const std::string& copyName) {
    if (!Shows(copyName) ||
        std::find(uncached_.begin(), uncached_.end(), copyName) != uncached_.end())
        return false;
    uncached_.push_back(copyName);
    bool picture = false;
    return awaited_ == 0 && !Usable(copyName) && ShowsAsOneFile(copyName, &picture);
}

bool TLayoutMedia::Usable(const std::string& copyName) const {
    return std::find(usable_.begin(), usable_.end(), copyName) != usable_.end();
}

std::optional<std::string> TLayoutMedia::PlaylistCopy(TBox box) const {
    const TMediaPlace& place = PlaceOf(box);
    if (!place.Source)
        return place.Path;
    const std::string name = place.Source->CopyName();
    if (!Usable(name))
        return std::nullopt; // read once its copy is there
    return MediaCopy::PathIn(cacheFolder_, name);
}

std::vector<std::pair<TLayoutMedia::TBox, TRotationRead>> TLayoutMedia::Reads(bool again) {
    std::vector<std::pair<TBox, TRotationRead>> reads;
    for (const TBox box : {TBox::Picture, TBox::Video}) {
        TBoxMedia& media = boxes_[static_cast<size_t>(box)];
        const bool due = !media.ReadOnce || media.Stale || (again && IsRotation(media));
        if (media.Named == TNamed::OneFile || media.Reading || !due)
            continue;
        TRotationRead read;
        read.LayoutPath = PlaceOf(box).Named;
        read.Folders = FolderPlacer();
        if (media.Named == TNamed::Playlist) {
            const std::optional<std::string> file = PlaylistCopy(box);
            if (!file)
                continue;
            read.Playlist = true;
            read.PlaylistFile = *file;
        }
        media.Reading = true;
        media.Stale = false;
        reads.emplace_back(box, std::move(read));
    }
    return reads;
}

std::vector<std::string> TLayoutMedia::ReadDone(uint64_t generation, TBox box,
                                                TRotationReadResult result) {
    if (generation != generation_)
        return {};
    TBoxMedia& media = boxes_[static_cast<size_t>(box)];
    std::vector<std::string> said = std::move(media.Read.Rotation.Problems);
    media.Reading = false;
    media.ReadOnce = true;
    media.Entries = result.Kind == TRotationKind::OneFile
                        ? std::vector<TPlacedEntry>()
                        : MediaPath::PlaceEntries(result.Rotation, maps_);
    media.Read = std::move(result);
    std::vector<std::string> lines;
    for (const std::string& line : media.Read.Rotation.Problems) {
        if (std::find(said.begin(), said.end(), line) == said.end())
            lines.push_back(line);
    }
    return lines;
}

// Runs on a reading's thread: it holds copies of what it uses.
std::function<std::optional<TFolderPlace>(const std::string&)> TLayoutMedia::FolderPlacer() const {
    return [maps = maps_, cacheFolder = cacheFolder_](const std::string& layoutPath) {
        TMediaPlace place;
        try {
            place = MediaPath::PlaceUtf8(layoutPath, maps);
        } catch (const EMediaPathError&) {
            return std::optional<TFolderPlace>(); // said where the path is placed as a file
        }
        const std::optional<std::string> local = place.LocalPath();
        if (!local)
            return std::optional<TFolderPlace>();
        // A folder behind a map keeps its listing with the cache, for starts while it is away.
        const std::string kept = place.Source && !cacheFolder.empty()
                                     ? cacheFolder + "/listings/" + place.Source->CopyName()
                                     : std::string();
        return std::optional(TFolderPlace{*local, kept});
    };
}

bool TLayoutMedia::Settled() const {
    if (awaited_ != 0 || MustAsk())
        return false;
    return std::none_of(boxes_.begin(), boxes_.end(), [](const TBoxMedia& media) {
        return media.Named != TNamed::OneFile && !media.ReadOnce && media.Reading;
    });
}

std::string TLayoutMedia::PathOf(const TMediaPlace& place) const {
    if (!place.Source)
        return place.Path;
    const std::string name = place.Source->CopyName();
    if (Usable(name))
        return MediaCopy::PathIn(cacheFolder_, name);
    const bool uncached = std::find(uncached_.begin(), uncached_.end(), name) != uncached_.end();
    if (uncached && place.Source->Kind == TMediaSource::TKind::Folder)
        return place.Source->Location; // while the share is there
    return {};
}

std::optional<TShownRotation> TLayoutMedia::RotationOf(TBox box) const {
    const TBoxMedia& media = boxes_[static_cast<size_t>(box)];
    if (!IsRotation(media))
        return std::nullopt;
    TShownRotation rotation{PlaceOf(box).Named, {}};
    for (const TPlacedEntry& entry : media.Entries) {
        // A copy not there yet is left out until it comes; the cache says why meanwhile.
        std::string path = PathOf(entry.Place);
        if (!path.empty())
            rotation.Items.push_back({std::move(path), entry.Seconds, entry.Hours});
    }
    return rotation;
}

TLayoutContent TLayoutMedia::Content() const {
    TLayoutContent content;
    content.DisplayType = wanted_.DisplayType;
    content.PictureRotation = RotationOf(TBox::Picture);
    content.VideoRotation = RotationOf(TBox::Video);
    if (!content.PictureRotation)
        content.PictureFile = PathOf(wanted_.Picture);
    if (!content.VideoRotation)
        content.VideoFile = PathOf(wanted_.Video);
    content.Texts = wanted_.Texts;
    return content;
}
