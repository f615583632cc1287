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

std::vector<TMediaSource> TWantedLayout::Sources() const {
    std::vector<TMediaSource> sources;
    for (const TMediaPlace* place : {&Picture, &Video}) {
        if (place->Source)
            sources.push_back(*place->Source);
    }
    return sources;
}

TWantedLayout LayoutOf(int displayType, const TLayoutConfig& config,
                       const std::vector<TPathMap>& maps) {
    TWantedLayout layout;
    layout.DisplayType = displayType;
    const LayoutGeometry::TLayoutPlan plan = LayoutGeometry::PlanOf(displayType);
    // A default that the code page cannot name (the data folder's path) names no file; a path
    // refused here names none either, and says why.
    const auto file = [&](const std::string& key, const std::optional<std::string>& fallback) {
        const std::string given = config.Value(key);
        try {
            return MediaPath::Place(given.empty() ? fallback.value_or("") : given, maps);
        } catch (const EMediaPathError& e) {
            layout.Problems.emplace_back(e.what());
            return TMediaPlace{};
        }
    };
    if (plan.PictureCount() > 0)
        layout.Picture = file(LayoutStore::ImageKey(0), LayoutStore::DefaultImageFileName(0));
    if (plan.VideoCount() > 0)
        layout.Video = file(LayoutStore::MediaPlayerKey(0), LayoutStore::DefaultMediaFileName(0));
    for (int n = 0; n < plan.TextBoxCount(); ++n)
        layout.Texts.push_back(config.Value(LayoutStore::TextKey(n)));
    if (auto lost = LostKeys(config, plan))
        layout.Problems.push_back(std::move(*lost));
    return layout;
}
