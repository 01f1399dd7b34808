#pragma once

#include "geo/Config.h"
#include "geo/ProfileOptions.h"

#include <optional>

namespace kiv::geo {

// Options of a tile source, kept as a Config so that a driver's own options
// class can be made from any TileSourceOptions (such as one read from an
// .earth file) and read its keys back.
class TileSourceOptions
{
public:
    explicit TileSourceOptions(const Config& conf = Config());
    virtual ~TileSourceOptions();

    QString getDriver() const;
    void setDriver(const QString& driver);

    std::optional<unsigned> maxDataLevel() const;
    void setMaxDataLevel(unsigned level);

    ProfileOptions profile() const;
    void setProfile(const ProfileOptions& profile);

    virtual Config getConfig() const;
    virtual void mergeConfig(const Config& conf);

    // The text that identifies the source's tiles in the cache: the driver's
    // keys without the layer's display keys and without the "access_token"
    // query item of the URL, neither of which changes the imagery.
    QString cacheIdentity() const;

protected:
    QString str(const QString& key) const { return conf_.value(key); }
    void setStr(const QString& key, const QString& value) { conf_.set(key, value); }
    // A path option made absolute against the file the options came from.
    QString path(const QString& key) const { return conf_.resolvePath(conf_.value(key)); }
    std::optional<double> number(const QString& key) const;

    Config conf_;
};

} // namespace kiv::geo
