#include "geo/ProfileOptions.h"

namespace kiv::geo {

ProfileOptions::ProfileOptions(const Config& conf)
    : namedProfile_(conf.hasValue(QStringLiteral("name")) ? conf.value(QStringLiteral("name"))
                                                          : conf.value())
{
}

Config ProfileOptions::getConfig() const
{
    return Config(QStringLiteral("profile"), namedProfile_);
}

} // namespace kiv::geo
