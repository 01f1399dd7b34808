#include "map/LinePointRenderItem.h"

#include "app/AppContext.h"
#include "map/GLRender.h"
#include "map/SymbolTextures.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/Project.h"

#include <QColor>

namespace kiv {

namespace {

const double HandleAltitude = 1.6;

} // namespace

LinePointRenderItem::LinePointRenderItem(std::shared_ptr<Locality> source)
    : IconRenderItem(std::move(source))
{
}

int LinePointRenderItem::collectElements()
{
    elementList().clear();
    atlasList().clear();
    m_cells.clear();
    if (!source() || !owner() || selectedId().empty())
        return 0;
    QStringList colours;
    QList<float> values;
    for (const auto& line : source()->lines()) {
        if (line->id() != selectedId())
            continue;
        colours.append(QColor(Qt::yellow).name());
        values.append(line->thickness());
        int index = 0;
        for (const auto& [latitude, longitude] : line->points()) {
            auto handle = std::make_shared<LocatedObject>(line->id() + "/point/" + std::to_string(index++));
            handle->setLatitude(latitude);
            handle->setLongitude(longitude);
            handle->setAltitude(HandleAltitude);
            if (!isPlaceable(*handle))
                continue;
            elementList().push_back(handle);
            m_cells.push_back(0);
        }
    }
    if (colours.isEmpty())
        return 0;
    auto atlas = std::make_shared<SymbolTextures>();
    atlas->buildMarkers(colours, values, owner()->maxTextureSize());
    atlasList().push_back(atlas);
    return int(elementList().size());
}

int LinePointRenderItem::cellAt(int index) const
{
    return index >= 0 && index < int(m_cells.size()) ? m_cells[size_t(index)] : 0;
}

osg::ref_ptr<osg::Geode> LinePointRenderItem::createPointGeode()
{
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    applySymbolProgram(geode->getOrCreateStateSet());
    return geode;
}

osg::ref_ptr<osg::Geometry> LinePointRenderItem::addLinePoints(const LineData2D& line, const GLRender* glRender,
                                                               double z, const osg::Vec3d& origin)
{
    if (!glRender)
        return nullptr;
    const std::shared_ptr<Project> project = AppContext::currentProject();
    const QColor colour = project ? project->unitColor(line.unitId()) : QColor(Qt::black);
    SymbolTextures atlas;
    atlas.buildMarkers({colour.name()}, {line.thickness()}, glRender->maxTextureSize());
    if (!atlas.texture())
        return nullptr;

    const int handles = line.isFilled() ? line.pointCount() - 1 : line.pointCount();
    Quads quads;
    for (int i = 0; i < handles; ++i) {
        osg::Vec3d p;
        if (!toMap(glRender, line.longitudeAt(i), line.latitudeAt(i), p))
            continue;
        const osg::Vec3f position(float(p.x() - origin.x()), float(p.y() - origin.y()), float(z - origin.z()));
        addQuad(quads, position, atlas, 0, 1.0f, 0.0f, 0.0f);
    }
    return symbolGeometry(quads, atlas, "linePoints_" + line.id());
}

} // namespace kiv
