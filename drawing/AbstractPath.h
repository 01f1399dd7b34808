#pragma once

namespace kiv {

// A path of straight subpaths, made by a painter's createPath and drawn by
// the same painter.
class AbstractPath
{
public:
    virtual ~AbstractPath() = default;
    virtual void startSubpath(float x, float y) = 0;
    virtual void lineTo(float x, float y) = 0;
    virtual void closeSubpath() = 0;
};

} // namespace kiv
