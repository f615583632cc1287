#include "display/LayoutContent.h"

#include "display/MediaPath.h"
#include "layouts/LayoutGeometry.h"
#include "layouts/LayoutStore.h"
#include "protocol/ExchangeBlock.h"

namespace {

// The keys that the display type reads, in the order of the layout window: texts, then media.
std::vector<std::string> KeysOf(const LayoutGeometry::TLayoutPlan& plan) {
    std::vector<std::string> keys;
    for (int n = 0; n < plan.TextBoxCount(); ++n)
        keys.push_back(LayoutStore::TextKey(n));
    if (plan.PictureCount() > 0)
        keys.push_back(LayoutStore::ImageKey(0));
    if (plan.VideoCount() > 0)
        keys.push_back(LayoutStore::MediaPlayerKey(0));
    return keys;
}

// Says which of the type's keys a cut text lost, so that a default in their place is explained.
std::optional<std::string> LostKeys(const TLayoutConfig& config,
                                    const LayoutGeometry::TLayoutPlan& plan) {
    if (!config.Cut())
        return std::nullopt;
    std::string lost;
    for (const std::string& key : KeysOf(plan)) {
        if (!config.Has(key))
            lost += (lost.empty() ? "" : ", ") + key;
    }
    if (lost.empty())
        return std::nullopt;
    return "the layout arrived cut at " + std::to_string(ExchangeBlock::DataCapacity) +
           " bytes; lost: " + lost;
}

} // namespace

std::string CopyPath(const std::string& cacheFolder, const TMediaSource& source) {
    return cacheFolder + "/" + source.CacheName;
}

TLayoutContent ContentOf(int displayType, const TLayoutConfig& config,
                         const std::vector<TPathMap>& maps, const std::string& cacheFolder) {
    TLayoutContent content;
    content.DisplayType = displayType;
    const LayoutGeometry::TLayoutPlan plan = LayoutGeometry::PlanOf(displayType);
    // A default that the code page cannot name (the data folder's path) names no file; a path
    // refused here names none either, and says why.
    const auto file = [&](const std::string& key, const std::optional<std::string>& fallback) {
        const std::string given = config.Value(key);
        try {
            TMediaPlace place =
                MediaPath::Place(given.empty() ? fallback.value_or("") : given, maps);
            if (!place.Source)
                return place.Path;
            content.Sources.push_back(*place.Source);
            return CopyPath(cacheFolder, *place.Source);
        } catch (const EMediaPathError& e) {
            content.Problems.emplace_back(e.what());
            return std::string();
        }
    };
    if (plan.PictureCount() > 0)
        content.PictureFile = file(LayoutStore::ImageKey(0), LayoutStore::DefaultImageFileName(0));
    if (plan.VideoCount() > 0)
        content.VideoFile =
            file(LayoutStore::MediaPlayerKey(0), LayoutStore::DefaultMediaFileName(0));
    for (int n = 0; n < plan.TextBoxCount(); ++n)
        content.Texts.push_back(config.Value(LayoutStore::TextKey(n)));
    if (auto lost = LostKeys(config, plan))
        content.Problems.push_back(std::move(*lost));
    return content;
}
