#include "display/LayoutConfig.h"

#include "display/MediaPath.h"
#include "layouts/LayoutGeometry.h"
#include "layouts/LayoutStore.h"
#include "platform/AsciiText.h"

TLayoutConfig TLayoutConfig::Parse(std::string_view text) {
    TLayoutConfig config;
    while (!text.empty()) {
        const auto end = text.find('\n');
        if (end == std::string_view::npos)
            break; // cut by the block's size
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

std::string TLayoutConfig::Value(std::string_view key) const {
    for (const auto& [name, value] : values_) {
        if (AsciiText::SameName(name, key))
            return value;
    }
    return {};
}

TLayoutContent ContentOf(int displayType, const TLayoutConfig& config,
                         const std::vector<TPathMap>& maps) {
    TLayoutContent content;
    content.DisplayType = displayType;
    const LayoutGeometry::TLayoutPlan plan = LayoutGeometry::PlanOf(displayType);
    // A default that the code page cannot name (the data folder's path) names no file.
    const auto file = [&](const std::string& key, const std::optional<std::string>& fallback) {
        const std::string given = config.Value(key);
        return MediaPath::Local(given.empty() ? fallback.value_or("") : given, maps);
    };
    if (plan.PictureCount() > 0)
        content.PictureFile = file(LayoutStore::ImageKey(0), LayoutStore::DefaultImageFileName(0));
    if (plan.VideoCount() > 0)
        content.VideoFile =
            file(LayoutStore::MediaPlayerKey(0), LayoutStore::DefaultMediaFileName(0));
    for (int n = 0; n < plan.TextBoxCount(); ++n)
        content.Texts.push_back(config.Value(LayoutStore::TextKey(n)));
    return content;
}
