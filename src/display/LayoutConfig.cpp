#include "display/LayoutConfig.h"

#include "display/MediaPath.h"
#include "layouts/LayoutGeometry.h"
#include "layouts/LayoutStore.h"
#include "platform/AsciiText.h"
#include "protocol/ExchangeBlock.h"

TLayoutConfig TLayoutConfig::Parse(std::string_view text) {
    TLayoutConfig config;
    const std::string_view whole = text;
    while (!text.empty()) {
        const auto end = text.find('\n');
        if (end == std::string_view::npos) {
            config.cut_ = whole.size() >= ExchangeBlock::DataCapacity;
            break;
        }
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::string_view trimmed = AsciiText::Trim(line);
        if (trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']') {
            if (config.section_.empty())
                config.section_ = std::string(trimmed.substr(1, trimmed.size() - 2));
            continue;
        }
        const auto eq = trimmed.find('=');
        if (eq == std::string_view::npos)
            continue;
        config.values_.emplace_back(std::string(AsciiText::Trim(trimmed.substr(0, eq))),
                                    std::string(AsciiText::Trim(trimmed.substr(eq + 1))));
    }
    return config;
}

const std::pair<std::string, std::string>* TLayoutConfig::Find(std::string_view key) const {
    for (const auto& line : values_) {
        if (AsciiText::SameName(line.first, key))
            return &line;
    }
    return nullptr;
}

std::string TLayoutConfig::Value(std::string_view key) const {
    const auto* line = Find(key);
    return line != nullptr ? line->second : std::string();
}

bool TLayoutConfig::Has(std::string_view key) const {
    return Find(key) != nullptr;
}

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

TLayoutContent ContentOf(int displayType, const TLayoutConfig& config,
                         const std::vector<TPathMap>& maps) {
    TLayoutContent content;
    content.DisplayType = displayType;
    const LayoutGeometry::TLayoutPlan plan = LayoutGeometry::PlanOf(displayType);
    // A default that the code page cannot name (the data folder's path) names no file; a path
    // refused here names none either, and says why.
    const auto file = [&](const std::string& key, const std::optional<std::string>& fallback) {
        const std::string given = config.Value(key);
        try {
            return MediaPath::Local(given.empty() ? fallback.value_or("") : given, maps);
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
