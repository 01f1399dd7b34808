#pragma once

#include "support/ProgramScreen.h"
#include "support/ProjectFixture.h"

#include "model/RockUnit.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QString>

#include <osg/Vec3d>

#include <memory>
#include <vector>

class QQuickWindow;

namespace kiv {
class Locality;
class MapViewController;
class Project;
}

namespace kiv::test {

// The program started in this process on a documents folder of its own, up
// to its map page; the map's camera is free of animations afterwards. It
// runs under the program's identity with its settings cleared, as on a first
// start; projects are stored before start().
class MapPageStart
{
public:
    explicit MapPageStart(const QString& documents);

    // A new project in a folder of the documents folder, through the model
    // manager of the moment.
    std::shared_ptr<Project> createProject(const QString& name, const QString& folder) const;
    // The same, holding these rock units and saved; empty when it could not
    // be made or saved.
    std::shared_ptr<Project> storeProject(const QString& name, const QString& folder,
                                          const std::vector<RockUnit>& units) const;
    // A new locality of the project at that place, stored; empty when
    // storing failed.
    static std::shared_ptr<Locality> storeLocality(Project& project, int id, double lon, double lat);
    // Stores what the program opens on start, then lets go of it: the
    // program starts with a model manager of its own that reads the folder.
    static void openOnStart(std::shared_ptr<Project> project, std::shared_ptr<Locality> locality);

    // Starts the program in a window of that logical size; false when the
    // map page did not appear.
    bool start(int width = 800, int height = 600);
    MapViewController* mapView() const { return m_mapView; }
    DocumentsApplication* application() const { return m_application; }
    QQuickWindow* window() const;
    ProgramScreen screen() const { return ProgramScreen(window()); }
    // Puts the camera over a point once it rests, and waits until it rests
    // there; false when it did not come to rest where it was put.
    [[nodiscard]] bool lookAt(double lon, double lat, double altitude);
    // Waits until the camera and the map's free area stand still; the scene's
    // camera then shows what the next frame draws. False when the wait ran out.
    [[nodiscard]] bool cameraAtRest() const;
    // A click where the map shows a point, once the camera rests; false when
    // it did not, or the point lies outside the map's free area.
    [[nodiscard]] bool tapOnMap(double lon, double lat) const;
    osg::Vec3d worldOf(double lon, double lat) const;
    QPointF screenOf(double lon, double lat) const;
    QImage grab() const;

private:
    DocumentsApplication* m_application = nullptr; // lives as long as the process, as in the program
    MapViewController* m_mapView = nullptr;
};

} // namespace kiv::test
