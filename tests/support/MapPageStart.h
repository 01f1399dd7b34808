#pragma once

#include "support/ProjectFixture.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QString>

#include <osg/Vec3d>

namespace kiv {
class MapViewController;
}

namespace kiv::test {

// The program started in this process on a documents folder of its own, up
// to its map page; the map's camera is free of animations afterwards.
class MapPageStart
{
public:
    explicit MapPageStart(const QString& documents);
    // Starts the program in a window of that logical size; false when the
    // map page did not appear.
    bool start(int width = 800, int height = 600);
    MapViewController* mapView() const { return m_mapView; }
    DocumentsApplication* application() const { return m_application; }
    // Puts the camera over a point and waits for a frame that shows it.
    void lookAt(double lon, double lat, double altitude);
    osg::Vec3d worldOf(double lon, double lat) const;
    QPointF screenOf(double lon, double lat) const;
    QImage grab() const;

private:
    DocumentsApplication* m_application = nullptr; // lives as long as the process, as in the program
    MapViewController* m_mapView = nullptr;
};

} // namespace kiv::test
