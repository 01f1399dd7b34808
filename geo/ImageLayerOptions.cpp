#include "geo/ImageLayerOptions.h"

#include <algorithm>

namespace kiv::geo {

ImageLayerOptions::ImageLayerOptions(const QString& name, const TileSourceOptions& driverOptions)
    : name_(name), driver_(driverOptions)
{
}

ImageLayerOptions::ImageLayerOptions(const Config& conf)
    : name_(conf.value(QStringLiteral("name"))), driver_(conf)
{
    bool ok = false;
    const float opacity = conf.value(QStringLiteral("opacity")).toFloat(&ok);
    if (ok)
        opacity_ = std::clamp(opacity, 0.0f, 1.0f);
    const QString visible = conf.value(QStringLiteral("visible")).toLower();
    if (!visible.isEmpty())
        visible_ = visible != QLatin1String("false") && visible != QLatin1String("0");
    const uint minLevel = conf.value(QStringLiteral("min_level")).toUInt(&ok);
    if (ok)
        minLevel_ = minLevel;
    const uint maxLevel = conf.value(QStringLiteral("max_level")).toUInt(&ok);
    if (ok)
        maxLevel_ = maxLevel;
    if (conf.hasValue(QStringLiteral("cache_policy")))
        cachePolicy_ = CachePolicy::fromString(conf.value(QStringLiteral("cache_policy")));
}

Config ImageLayerOptions::getConfig() const
{
    Config conf = driver_.getConfig();
    conf.setKey(QStringLiteral("image"));
    conf.set(QStringLiteral("name"), name_);
    conf.set(QStringLiteral("opacity"), QString::number(double(opacity_)));
    conf.set(QStringLiteral("visible"), visible_ ? QStringLiteral("true") : QStringLiteral("false"));
    conf.set(QStringLiteral("min_level"), QString::number(minLevel_));
    if (maxLevel_)
        conf.set(QStringLiteral("max_level"), QString::number(*maxLevel_));
    if (cachePolicy_)
        conf.set(QStringLiteral("cache_policy"), cachePolicy_->toString());
    return conf;
}

} // namespace kiv::geo
