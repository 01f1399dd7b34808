#pragma once

#include <QList>
#include <QString>

namespace kiv::geo {

class Config;
using ConfigSet = QList<Config>;

// A tree of keyed values read from or written to option sets and .earth
// files: XML attributes and elements both become children, element text the
// value. The referrer is the file the tree came from; relative paths in it
// are resolved against that file's folder.
class Config
{
public:
    Config() = default;
    explicit Config(const QString& key, const QString& value = QString());

    const QString& key() const { return key_; }
    void setKey(const QString& key) { key_ = key; }
    const QString& value() const { return value_; }
    void setValue(const QString& value) { value_ = value; }
    bool empty() const { return value_.isEmpty() && children_.isEmpty(); }

    const ConfigSet& children() const { return children_; }
    ConfigSet children(const QString& key) const;
    bool hasChild(const QString& key) const;
    // The first child with the key, or an empty Config.
    Config child(const QString& key) const;
    // The value of the first child with the key, or an empty text.
    QString value(const QString& key) const;
    bool hasValue(const QString& key) const { return !value(key).isEmpty(); }

    void add(const Config& child);
    void add(const QString& key, const QString& value) { add(Config(key, value)); }
    // Replaces every child with the key by one child holding the value.
    void set(const QString& key, const QString& value);
    void set(const Config& child);
    void remove(const QString& key);
    // Children of the other tree replace this tree's children of the same key.
    void merge(const Config& other);

    const QString& referrer() const { return referrer_; }
    void setReferrer(const QString& referrer);
    // A local path made absolute against the referrer's folder.
    QString resolvePath(const QString& path) const;

private:
    QString key_;
    QString value_;
    QString referrer_;
    ConfigSet children_;
};

} // namespace kiv::geo
