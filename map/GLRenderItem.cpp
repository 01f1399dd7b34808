#include "map/GLRenderItem.h"

#include "map/GLRender.h"

#include <cmath>

namespace kiv {

GLRenderItem::~GLRenderItem() = default;

void GLRenderItem::setSelectedId(const std::string& id)
{
    selectedId_ = id;
    dirty_ = true;
}

bool GLRenderItem::toMap(const GLRender* render, double longitude, double latitude, osg::Vec3d& out)
{
    if (!render || !render->geographicSRS() || !render->mapSRS())
        return false;
    if (!std::isfinite(longitude) || !std::isfinite(latitude) || std::abs(latitude) > 90.0
        || std::abs(longitude) > 180.0)
        return false;
    double x = 0.0, y = 0.0;
    if (!render->geographicSRS()->transform2D(longitude, latitude, render->mapSRS(), x, y)
        || !std::isfinite(x) || !std::isfinite(y))
        return false;
    out.set(x, y, 0.0);
    return true;
}

} // namespace kiv
