#pragma once

#include "geo/CachePolicy.h"
#include "geo/Config.h"
#include "geo/TileSourceOptions.h"

#include <optional>

namespace kiv::geo {

// How to make an image layer: its name, its tile source's options and how it
// is shown and cached.
class ImageLayerOptions
{
public:
    ImageLayerOptions() = default;
    ImageLayerOptions(const QString& name, const TileSourceOptions& driverOptions);
    // From an "image" element of an .earth file: the element's keys are both
    // the layer's and its driver's options.
    explicit ImageLayerOptions(const Config& conf);

    const QString& name() const { return name_; }
    void setName(const QString& name) { name_ = name; }
    const TileSourceOptions& driver() const { return driver_; }
    void setDriver(const TileSourceOptions& driver) { driver_ = driver; }

    float opacity() const { return opacity_; }
    void setOpacity(float opacity) { opacity_ = opacity; }
    bool visible() const { return visible_; }
    void setVisible(bool visible) { visible_ = visible; }
    unsigned minLevel() const { return minLevel_; }
    void setMinLevel(unsigned level) { minLevel_ = level; }
    std::optional<unsigned> maxLevel() const { return maxLevel_; }
    void setMaxLevel(unsigned level) { maxLevel_ = level; }
    std::optional<CachePolicy> cachePolicy() const { return cachePolicy_; }
    void setCachePolicy(const CachePolicy& policy) { cachePolicy_ = policy; }

    Config getConfig() const;

private:
    QString name_;
    TileSourceOptions driver_;
    float opacity_ = 1.0f;
    bool visible_ = true;
    unsigned minLevel_ = 0;
    std::optional<unsigned> maxLevel_;
    std::optional<CachePolicy> cachePolicy_;
};

} // namespace kiv::geo
