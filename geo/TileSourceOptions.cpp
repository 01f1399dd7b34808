#include "geo/TileSourceOptions.h"

#include <QStringList>
#include <QUrl>
#include <QUrlQuery>

namespace kiv::geo {

namespace {
// A new access token must not orphan the tiles cached under the old one.
QString withoutToken(const QString& url)
{
    QUrl u(url);
    QUrlQuery query(u);
    query.removeAllQueryItems(QStringLiteral("access_token"));
    if (query.isEmpty())
        u.setQuery(QString());
    else
        u.setQuery(query);
    return u.toString();
}
} // namespace

TileSourceOptions::TileSourceOptions(const Config& conf) : conf_(conf) {}

TileSourceOptions::~TileSourceOptions() = default;

QString TileSourceOptions::getDriver() const
{
    return str(QStringLiteral("driver"));
}

void TileSourceOptions::setDriver(const QString& driver)
{
    setStr(QStringLiteral("driver"), driver);
}

std::optional<unsigned> TileSourceOptions::maxDataLevel() const
{
    const std::optional<double> v = number(QStringLiteral("max_data_level"));
    if (!v || *v < 0.0)
        return std::nullopt;
    return unsigned(*v);
}

void TileSourceOptions::setMaxDataLevel(unsigned level)
{
    setStr(QStringLiteral("max_data_level"), QString::number(level));
}

ProfileOptions TileSourceOptions::profile() const
{
    return ProfileOptions(conf_.child(QStringLiteral("profile")));
}

void TileSourceOptions::setProfile(const ProfileOptions& profile)
{
    conf_.set(profile.getConfig());
}

Config TileSourceOptions::getConfig() const
{
    return conf_;
}

void TileSourceOptions::mergeConfig(const Config& conf)
{
    conf_.merge(conf);
}

QString TileSourceOptions::cacheIdentity() const
{
    QString text;
    for (const Config& c : conf_.children()) {
        static const QStringList layerKeys{"name", "cache_policy", "opacity", "visible",
                                           "min_level", "max_level", "default_tile_size"};
        if (layerKeys.contains(c.key()))
            continue;
        text += c.key() + QLatin1Char('=') + (c.key() == QLatin1String("url") ? withoutToken(c.value()) : c.value()) + QLatin1Char(';');
    }
    return text;
}

std::optional<double> TileSourceOptions::number(const QString& key) const
{
    bool ok = false;
    const double v = conf_.value(key).toDouble(&ok);
    return ok ? std::optional<double>(v) : std::nullopt;
}

} // namespace kiv::geo
