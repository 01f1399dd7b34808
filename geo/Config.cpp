#include "geo/Config.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace kiv::geo {

Config::Config(const QString& key, const QString& value) : key_(key), value_(value) {}

ConfigSet Config::children(const QString& key) const
{
    ConfigSet result;
    for (const Config& c : children_)
        if (c.key_ == key)
            result.append(c);
    return result;
}

bool Config::hasChild(const QString& key) const
{
    for (const Config& c : children_)
        if (c.key_ == key)
            return true;
    return false;
}

Config Config::child(const QString& key) const
{
    for (const Config& c : children_)
        if (c.key_ == key)
            return c;
    return Config();
}

QString Config::value(const QString& key) const
{
    return child(key).value_;
}

void Config::add(const Config& child)
{
    children_.append(child);
    // Nothing to hand down while this tree has no referrer of its own: a
    // parser adding bottom-up would otherwise walk each subtree once per level.
    if (!referrer_.isEmpty() && children_.last().referrer_.isEmpty())
        children_.last().setReferrer(referrer_);
}

void Config::set(const QString& key, const QString& value)
{
    set(Config(key, value));
}

void Config::set(const Config& child)
{
    remove(child.key_);
    add(child);
}

void Config::remove(const QString& key)
{
    for (int i = children_.size() - 1; i >= 0; --i)
        if (children_.at(i).key_ == key)
            children_.removeAt(i);
}

void Config::merge(const Config& other)
{
    for (const Config& c : other.children_)
        remove(c.key_);
    for (const Config& c : other.children_)
        add(c);
}

void Config::setReferrer(const QString& referrer)
{
    referrer_ = referrer;
    for (Config& c : children_)
        c.setReferrer(referrer);
}

QString Config::resolvePath(const QString& path) const
{
    if (path.isEmpty())
        return path;
    const QUrl url(path);
    if (url.isLocalFile())
        return url.toLocalFile();
    if (QDir::isAbsolutePath(path) || referrer_.isEmpty())
        return path;
    return QDir::cleanPath(QFileInfo(referrer_).absoluteDir().filePath(path));
}

} // namespace kiv::geo
