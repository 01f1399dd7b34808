#pragma once

#include "map/BaseViewController.h"
#include "map/LocalityRenderItems.h"

#include <QPointF>

#include <initializer_list>
#include <map>
#include <memory>
#include <string>

namespace kiv {

namespace geo {
class Bounds;
}

class GLRender;
class GLRenderItem;
class LocationRenderItem;
class Project;

// Root item of the map page: owns the map scene and the render items that
// draw the current project and the device's position.
class MapViewController : public BaseViewController
{
    Q_OBJECT
    Q_PROPERTY(ViewFilter viewFilter READ viewFilter WRITE setViewFilter NOTIFY viewFilterChanged)
    Q_PROPERTY(int online READ online WRITE setOnline NOTIFY onlineChanged)
    Q_PROPERTY(bool loadingTiles READ loadingTiles NOTIFY loadingTilesChanged)
    Q_PROPERTY(bool showLinePoints READ showLinePoints WRITE setShowLinePoints NOTIFY
                   showLinePointsChanged)

public:
    enum ViewFilter {
        FilterNone = 0,
        FilterAnnotations = 1,
        FilterData = 2,
        FilterLines = 4,
        FilterAll = 7
    };
    Q_ENUM(ViewFilter)

    enum BaseMapMode { eBaseMapMode_Online = 0, eBaseMapMode_Offline = 1, eBaseMapMode_Auto = 2 };
    Q_ENUM(BaseMapMode)

    explicit MapViewController(QQuickItem* parent = nullptr);
    ~MapViewController() override;

    ViewFilter viewFilter() const { return m_viewFilter; }
    int online() const { return m_online; }
    bool loadingTiles() const;
    bool showLinePoints() const { return m_showLinePoints; }

    // Empties the scene before the project closes, so nothing is drawn any more.
    Q_INVOKABLE void closing();

    // A geographic extent the map can use: valid, within the globe's degrees.
    static bool boundsValid(const geo::Bounds& bounds);

    GLRender* scene() const { return m_scene.get(); }
    const std::shared_ptr<LocationRenderItem>& positionMarker() const { return m_positionMarker; }
    const std::map<std::string, LocalityRenderItems>& localityItems() const { return m_localityItems; }

public slots:
    // F5 reloads the shaders and redraws; other keys do nothing.
    void keyPressed(int key, int modifiers, uint nativeScanCode, bool isAutoRepeat, int count, QString text);
    void viewDidLoad() override;
    void viewDidAppear() override;
    void viewWillAppear() override;
    void viewDidDisappear() override;
    void refreshAllViewItems();
    void setViewFilter(kiv::MapViewController::ViewFilter newFilter);
    void updatePointData(std::string localityId);
    void updateLines(std::string localityId);
    void updateAnnotations(std::string localityId);
    void onCurrentProjectChanged(kiv::Project* project);
    void onLocalityListChanged();
    void onLastKnownCoordinateUpdated(QPointF coords);
    void onLocationUpdatingChanged(bool updating);
    void updateMapLayers();
    void verifyMapLayers();
    // Re-applied to the scene on every call, changed or not.
    void setOnline(int onlineMode);
    void setShowLinePoints(bool showLinePoints);

signals:
    void viewFilterChanged(kiv::MapViewController::ViewFilter viewFilter);
    void onlineChanged(int online);
    void loadingTilesChanged(bool loadingTiles);
    void showLinePointsChanged(bool showLinePoints);

private:
    void buildLocalityItems();
    void removeLocalityItems();
    void showItem(const std::shared_ptr<GLRenderItem>& item, bool shown);
    void applyViewFilter(const LocalityRenderItems& items);
    // Marks the items dirty and asks for a frame without restarting the redraw timer.
    void markForRebuild(std::initializer_list<std::shared_ptr<GLRenderItem>> items);
    LocalityRenderItems* bundleOf(const std::string& localityId);
    bool linePointsShown() const;

    std::shared_ptr<GLRender> m_scene;
    std::shared_ptr<LocationRenderItem> m_positionMarker;
    std::map<std::string, LocalityRenderItems> m_localityItems;
    ViewFilter m_viewFilter = FilterAll;
    bool m_showLinePoints = false;
    int m_online = eBaseMapMode_Auto;
};

} // namespace kiv
