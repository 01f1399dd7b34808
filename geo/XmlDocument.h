#pragma once

#include "geo/Config.h"

#include <osg/Referenced>
#include <osg/ref_ptr>

namespace kiv::geo {

// An XML document read into a Config tree. The document's own Config has an
// empty key and the root element as its only child.
class XmlDocument : public osg::Referenced
{
public:
    // Null (with a warning) when the text is not well-formed XML or nests
    // elements deeper than MaxDepth. The referrer is the file the text came
    // from.
    static osg::ref_ptr<XmlDocument> load(const QString& text, const QString& referrer);
    static osg::ref_ptr<XmlDocument> loadFile(const QString& path);

    Config getConfig() const { return config_; }

    static constexpr int MaxDepth = 64;
    // Larger files are refused unread; a map description is a few kB.
    static constexpr qint64 MaxFileSize = 4 * 1024 * 1024;

private:
    XmlDocument() = default;

    Config config_;
};

} // namespace kiv::geo
