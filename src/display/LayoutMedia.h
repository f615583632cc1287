#pragma once

#include "display/LayoutContent.h"
#include "layouts/RotationRead.h"

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// What the display window builds of the layout it was asked for last, when the files that maps
// take come through the media cache, and when a file names a rotation. Such a layout waits for
// the cache's answer and for its rotations' first reading (the shown layout stays meanwhile), is
// then built with the copies that can be shown (the others keep the panel colour, or are left out
// of a rotation), and is built again when a copy arrives that it shows from then on. A new copy of
// a file that the video already plays is no new layout: the video engine, which looks at its
// file at the end of each pass, opens it there. A rotation read again, or a copy of one of its
// items that arrives, changes only the rotation's items.
class TLayoutMedia {
public:
    enum class TBox { Picture, Video };

    explicit TLayoutMedia(std::string cacheFolder = {}, std::vector<TPathMap> maps = {})
        : cacheFolder_(std::move(cacheFolder)), maps_(std::move(maps)) {}

    // A new layout: true when its sources must be asked of the cache (Asked follows).
    bool Want(TWantedLayout layout);
    const TWantedLayout& Wanted() const { return wanted_; }
    // Each new layout has a number of its own: readings for an older one are dropped.
    uint64_t Generation() const { return generation_; }

    // The files to ask of the cache: the layout's own, its playlists, their items once read.
    std::vector<TMediaSource> Sources() const;
    // Whether the cache must be asked (again): the sources changed since it was last asked.
    bool MustAsk() const { return Sources() != asked_; }
    // The cache's token for the answer the layout waits for.
    void Asked(uint64_t token);
    // The cache's answer: true when the layout is to be built now (or, once built, gets usable
    // copies for its rotations).
    bool Resolved(uint64_t token, const std::vector<std::string>& usable);
    // A new copy took its name: true when the layout is to be built again.
    bool Arrived(const std::string& copyName);
    // No copy of the file is kept, since the cache cannot hold it: a folder source's file shows
    // from its source while it is there. True when the layout is to be built again.
    bool Uncached(const std::string& copyName);

    // The readings to start now, each box's at most one at a time: those not read yet and, with
    // again, every rotation (its playlist or folder may have changed).
    std::vector<std::pair<TBox, TRotationRead>> Reads(bool again);
    // A reading's result for the layout of that generation. Returns the lines to log: those the
    // box's last reading did not say.
    std::vector<std::string> ReadDone(uint64_t generation, TBox box, TRotationReadResult result);

    // Whether the layout can be built (or its rotations' items changed): no answer and no first
    // reading awaited.
    bool Settled() const;

    // The layout to build: each file's path, a copy that cannot be shown yet naming none.
    TLayoutContent Content() const;
    // Whether the cache said the copy can be shown, for the wanted layout.
    bool Usable(const std::string& copyName) const;

private:
    enum class TNamed { OneFile, Playlist, MaybeFolder };

    struct TBoxMedia {
        TNamed Named = TNamed::OneFile;
        bool Reading = false;
        bool ReadOnce = false;
        bool Stale = false; // its playlist's copy changed: read it again
        TRotationReadResult Read;
        std::vector<TPlacedEntry> Entries;
    };

    const TMediaPlace& PlaceOf(TBox box) const;
    bool IsRotation(const TBoxMedia& media) const;
    // Whether the box shows its one file (no rotation, or not one after all).
    bool IsOneFile(const TBoxMedia& media) const;
    std::optional<std::string> PlaylistCopy(TBox box) const;
    // Whether a one-file box shows that copy, and whether the layout shows it at all.
    bool ShowsAsOneFile(const std::string& copyName, bool* picture) const;
    bool Shows(const std::string& copyName) const;
    std::string PathOf(const TMediaPlace& place) const;
    std::optional<TShownRotation> RotationOf(TBox box) const;
    // Where the folders a rotation names are found: by the maps.
    std::function<std::optional<TFolderPlace>(const std::string&)> FolderPlacer() const;

    std::string cacheFolder_;
    std::vector<TPathMap> maps_;
    TWantedLayout wanted_;
    std::array<TBoxMedia, 2> boxes_;
    uint64_t generation_ = 0;
    std::vector<std::string> usable_;   // copies of the wanted layout that can be shown
    std::vector<std::string> uncached_; // copies the cache cannot hold, of any layout
    std::vector<TMediaSource> asked_;   // the sources last asked of the cache
    uint64_t awaited_ = 0;              // 0: no answer awaited
};
