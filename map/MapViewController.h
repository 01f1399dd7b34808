#pragma once

#include "map/BaseViewController.h"
#include "map/LocalityBundles.h"
#include "map/MapCallout.h"
#include "map/MapCameraGestures.h"
#include "map/PickListModel.h"

#include <QImage>
#include <QPointF>
#include <QRectF>

#include <osg/BoundingBox>
#include <osg/Matrixd>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kiv {

namespace geo {
class Bounds;
}

class AbstractObject;
class GLRender;
class GLRenderItem;
class LineData2D;
class Locality;
class LocationRenderItem;
class MapCameraManipulator;
class Project;

// Root item of the map page: owns the map scene and the render items that
// draw the current project and the device's position, and turns the input the
// tools forward into camera changes, picks and callouts.
class MapViewController : public BaseViewController
{
    Q_OBJECT
    Q_PROPERTY(QString selectedItemId READ selectedItemId WRITE setSelectedItemId NOTIFY selectedItemIdChanged)
    Q_PROPERTY(QPointF pickedScreenPos READ pickedScreenPos WRITE setPickedScreenPos NOTIFY
                   pickedScreenPosChanged)
    Q_PROPERTY(QString pickedImageUrl READ pickedImageUrl WRITE setPickedImageUrl NOTIFY pickedImageUrlChanged)
    Q_PROPERTY(QString pickedPointLabel READ pickedPointLabel WRITE setPickedPointLabel NOTIFY
                   pickedPointLabelChanged)
    Q_PROPERTY(QString pickedPointDescription READ pickedPointDescription WRITE setPickedPointDescription
                   NOTIFY pickedPointDescriptionChanged)
    Q_PROPERTY(double calloutOffset READ calloutOffset WRITE setCalloutOffset NOTIFY calloutOffsetChanged)
    Q_PROPERTY(bool calloutBelow READ calloutBelow NOTIFY calloutBelowChanged)
    Q_PROPERTY(bool pointPicked READ pointPicked WRITE setPointPicked NOTIFY pointPickedChanged)
    Q_PROPERTY(bool imagePicked READ imagePicked WRITE setImagePicked NOTIFY imagePickedChanged)
    Q_PROPERTY(bool localityPicked READ localityPicked WRITE setLocalityPicked NOTIFY localityPickedChanged)
    Q_PROPERTY(ViewFilter viewFilter READ viewFilter WRITE setViewFilter NOTIFY viewFilterChanged)
    Q_PROPERTY(QRectF visibleArea READ visibleArea WRITE setVisibleArea NOTIFY visibleAreaChanged)
    Q_PROPERTY(QObject* pickedList READ pickedList WRITE setPickedList NOTIFY pickedListChanged)
    Q_PROPERTY(int selectedPickedItem READ selectedPickedItem WRITE setSelectedPickedItem NOTIFY
                   selectedPickedItemChanged)
    Q_PROPERTY(int online READ online WRITE setOnline NOTIFY onlineChanged)
    Q_PROPERTY(bool loadingTiles READ loadingTiles NOTIFY loadingTilesChanged)
    Q_PROPERTY(QString scaleLegend READ scaleLegend NOTIFY scaleLegendChanged)
    Q_PROPERTY(double scaleWidth READ scaleWidth NOTIFY scaleWidthChanged)
    Q_PROPERTY(double scaleBarLeft READ scaleBarLeft WRITE setScaleBarLeft NOTIFY scaleBarLeftChanged)
    Q_PROPERTY(double scaleBarRight READ scaleBarRight WRITE setScaleBarRight NOTIFY scaleBarRightChanged)
    Q_PROPERTY(double scaleBarY READ scaleBarY WRITE setScaleBarY NOTIFY scaleBarYChanged)
    Q_PROPERTY(bool showLinePoints READ showLinePoints WRITE setShowLinePoints NOTIFY
                   showLinePointsChanged)
    // The balloon's rectangle around its anchor, as the page draws it; the
    // selection is kept in the free map area with it.
    Q_PROPERTY(QRectF calloutBounds READ calloutBounds WRITE setCalloutBounds NOTIFY calloutBoundsChanged)
    // The online tile provider's notice and the pages its two links open.
    Q_PROPERTY(QString attributionText READ attributionText CONSTANT)
    Q_PROPERTY(QString attributionUrl READ attributionUrl CONSTANT)
    Q_PROPERTY(QString improveUrl READ improveUrl CONSTANT)

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

    QString selectedItemId() const { return m_selectedItemId; }
    QPointF pickedScreenPos() const { return m_callout.pickedScreenPos(); }
    QString pickedImageUrl() const { return m_callout.pickedImageUrl(); }
    QString pickedPointLabel() const { return m_callout.pickedPointLabel(); }
    QString pickedPointDescription() const { return m_callout.pickedPointDescription(); }
    double calloutOffset() const { return m_callout.calloutOffset(); }
    bool calloutBelow() const { return m_callout.below(); }
    bool pointPicked() const { return m_callout.pointPicked(); }
    bool imagePicked() const { return m_callout.imagePicked(); }
    bool localityPicked() const { return m_callout.localityPicked(); }
    ViewFilter viewFilter() const { return m_viewFilter; }
    QRectF visibleArea() const { return m_visibleArea; }
    QObject* pickedList() const { return m_pickedList; }
    int selectedPickedItem() const { return m_selectedPickedItem; }
    int online() const { return m_online; }
    bool loadingTiles() const;
    QString scaleLegend() const { return m_scaleLegend; }
    double scaleWidth() const { return m_scaleWidth; }
    double scaleBarLeft() const { return m_scaleBarLeft; }
    double scaleBarRight() const { return m_scaleBarRight; }
    double scaleBarY() const { return m_scaleBarY; }
    bool showLinePoints() const { return m_showLinePoints; }
    QRectF calloutBounds() const { return m_calloutBounds; }
    QString attributionText() const { return m_attributionText; }
    QString attributionUrl() const { return m_attributionUrl; }
    QString improveUrl() const { return m_improveUrl; }

    void setSelectedItemId(const QString& id);
    void setPickedScreenPos(const QPointF& pos);
    void setPickedImageUrl(const QString& url);
    void setPickedPointLabel(const QString& label);
    void setPickedPointDescription(const QString& description);
    void setCalloutOffset(double offset);
    void setPointPicked(bool picked);
    void setImagePicked(bool picked);
    void setLocalityPicked(bool picked);
    void setVisibleArea(const QRectF& area);
    void setPickedList(QObject* list);
    void setScaleBarLeft(double left);
    void setScaleBarRight(double right);
    void setScaleBarY(double y);
    void setCalloutBounds(const QRectF& bounds);

    // Empties the scene before the project closes, so nothing is drawn any more.
    Q_INVOKABLE void closing();
    Q_INVOKABLE QString selectedPickedItemId() const;
    // The window as shown, without this page's own QML children.
    Q_INVOKABLE QImage capture();

    // A geographic extent the map can use: valid, within the globe's degrees.
    static bool boundsValid(const geo::Bounds& bounds);

    // The camera's view x projection matrix, for tools that place points on screen.
    osg::Matrixd viewProjectionMatrix() const;
    // Whether releasing the pointer now would pick: the drag since the press
    // stayed below a quarter symbol and the press was not held.
    bool releasePicks(bool longPress) const;
    // Segment test of one line against a tap in window pixels. Fills row and
    // nearestIndex and returns true when a segment lies nearer than tolerance.
    bool hitTestLine(const std::shared_ptr<LineData2D>& line, const osg::Matrixd& viewProjection,
                     const QPointF& tap, double tolerance, PickedItem& row, int& nearestIndex) const;

    GLRender* scene() const { return m_scene.get(); }
    PickListModel* pickListModel() const { return m_pickListModel.get(); }
    const std::shared_ptr<LocationRenderItem>& positionMarker() const { return m_positionMarker; }
    const std::map<std::string, LocalityRenderItems>& localityItems() const { return m_bundles.items(); }

public slots:
    void mousePressed(double x, double y, Qt::MouseButtons buttons);
    void mouseReleased(double x, double y, Qt::MouseButtons buttons, bool longPress);
    void mouseMoved(double x, double y, Qt::MouseButtons buttons);
    void mouseDoubleClicked(double x, double y, Qt::MouseButtons buttons);
    void mouseWheelSpun(double x, double y, QPointF angleDelta, QPointF pixelDelta);
    // F5 reloads the shaders and redraws; other keys do nothing.
    void keyPressed(int key, int modifiers, uint nativeScanCode, bool isAutoRepeat, int count, QString text);
    void pinchStarted(QPointF center);
    void pinchUpdated(QPointF center, float scale);
    void pinchEnded();
    void viewDidLoad() override;
    void viewDidAppear() override;
    void viewWillAppear() override;
    void viewDidDisappear() override;
    void updatePickedScreenPosition();
    void refreshAllViewItems();
    void refreshCallout();
    void setViewFilter(kiv::MapViewController::ViewFilter newFilter);
    void updatePointData(std::string localityId);
    void updateLines(std::string localityId);
    void updateAnnotations(std::string localityId);
    void onCurrentProjectChanged(kiv::Project* project);
    void onLocalityListChanged();
    // One locality's change rebuilds its bundle alone; any other rebuilds all.
    void onDataListChanged();
    // Rebuilds the bundles drawing a unit whose colour changed.
    void onStratColumnChanged();
    void onLastKnownCoordinateUpdated(QPointF coords);
    void onLocationUpdatingChanged(bool updating);
    void snapToPosition(QPointF coords);
    void snapToBounds(osg::BoundingBoxd bounds, double highestAltitude = HUGE_VAL);
    void snapToWorld();
    void snapToLocality(kiv::Locality* locality);
    void pick(double x, double y);
    void setSelectedPickedItem(int index);
    void clearPickedItemList();
    void updateMapLayers();
    void verifyMapLayers();
    // Re-applied to the scene on every call, changed or not.
    void setOnline(int onlineMode);
    void deleteSelectedItem();
    void setShowLinePoints(bool showLinePoints);

protected slots:
    void onSelectedItemIdChanged(QString newId);
    void onVisibleAreaChanged(QRectF visibleArea);
    void onWindowResized();
    void updateScaleBarWidth();

signals:
    void selectedItemIdChanged(QString selectedItemId);
    void pickedScreenPosChanged(QPointF pickedScreenPos);
    void pickedImageUrlChanged(QString pickedImageUrl);
    void pickedPointLabelChanged(QString pickedPointLabel);
    void pickedPointDescriptionChanged(QString pickedPointDescription);
    void calloutOffsetChanged(double calloutOffset);
    void calloutBelowChanged(bool below);
    void pointPickedChanged(bool pointPicked);
    void imagePickedChanged(bool imagePicked);
    void localityPickedChanged(bool localityPicked);
    void viewFilterChanged(kiv::MapViewController::ViewFilter viewFilter);
    void visibleAreaChanged(QRectF visibleArea);
    // Also once the scene has taken a new window size: the world then shows
    // at other screen points.
    void cameraPositionChanged();
    void pickedListChanged(QObject* pickedList);
    void selectedPickedItemChanged(int selectedPickedItem);
    void onlineChanged(int online);
    void loadingTilesChanged(bool loadingTiles);
    void scaleLegendChanged(QString scaleLegend);
    void scaleWidthChanged(double scaleWidth);
    void scaleBarLeftChanged(double scaleBarLeft);
    void scaleBarRightChanged(double scaleBarRight);
    void scaleBarYChanged(double scaleBarY);
    void showNewBuildAvailableDialog();
    void showLinePointsChanged(bool showLinePoints);
    void calloutBoundsChanged(QRectF calloutBounds);

private:
    // Picking and callouts.
    bool cycleHits(const QPointF& tap);
    void collectHits(const Project& project, const QPointF& tap, const osg::Matrixd& viewProjection);
    void appendPointHit(PickedItem row, const QPointF& offset, const QPointF& tap, const osg::Matrixd& viewProjection,
                        int half);
    // The object's callout at that map point and anchor, and the object selected;
    // anything but a locality, datum or line clears the callout.
    void showCalloutAt(const std::shared_ptr<AbstractObject>& object, const osg::Vec3d& world, const QPointF& anchor);
    // The selected line's balloon over its handles while they show.
    void placeLineCallout();
    // With its vertex handles shown, a line's balloon stands over its topmost
    // handle, or hangs under its lowest where the free area has no room above,
    // or else over or under the first other handle where it covers none:
    // anchor and offset moved there, so that every handle stays tappable and
    // the map need not move. A line with no such room keeps its anchor.
    void placeOverHandles(const LineData2D& line, MapCallout::Content& content, osg::Vec3d& world,
                          QPointF& anchor) const;
    // Selected and highlighted where it is drawn, without a callout: it has no place on the map.
    void selectUnplaced(const AbstractObject& object);
    void select(const AbstractObject& object);
    void clearHighlights();
    void clearCallout();
    void selectById(const std::shared_ptr<AbstractObject>& object);
    // Pans the least that shows the selected object and its balloon in the
    // free map area, judged where the camera comes to rest.
    void keepSelectionInView();
    // The scene takes a new window size only after the page's items have: until
    // then its projection does not fit the window.
    bool sceneSized() const;

    void buildLocalityItems();
    void removeLocalityItems();
    void showItem(const std::shared_ptr<GLRenderItem>& item, bool shown);
    void applyViewFilter(const LocalityRenderItems& items);
    // Marks the items dirty and asks for a frame without restarting the redraw timer.
    void markForRebuild(const std::vector<std::shared_ptr<GLRenderItem>>& items);
    void markBundle(const LocalityRenderItems& items);
    bool linePointsShown() const;
    void showProject(const std::shared_ptr<Project>& project);
    void announceFirstAppearance();
    // Every camera change by a gesture or a snap invalidates the last tap's hits.
    void resetPickList();
    // Lets the gestures drive the loaded scene's camera.
    void attachGestures();
    osg::Vec3d worldUnder(const QPointF& pos) const;

    std::shared_ptr<GLRender> m_scene;
    MapCameraManipulator* m_camera = nullptr;
    std::unique_ptr<PickListModel> m_pickListModel;
    std::shared_ptr<LocationRenderItem> m_positionMarker;
    LocalityBundles m_bundles;

    QString m_selectedItemId;
    // The callout's values and the selected object's category and map position.
    MapCallout m_callout;
    ViewFilter m_viewFilter = FilterAll;
    QRectF m_visibleArea;
    QObject* m_pickedList = nullptr;
    int m_selectedPickedItem = -1;
    int m_online = eBaseMapMode_Auto;
    QString m_scaleLegend = QStringLiteral("100m");
    double m_scaleWidth = 100.0;
    double m_scaleBarLeft = 0.0;
    double m_scaleBarRight = 100.0;
    double m_scaleBarY = 0.0;
    bool m_showLinePoints = false;
    QRectF m_calloutBounds;
    QString m_attributionText;
    QString m_attributionUrl;
    QString m_improveUrl;

    // Window pixels of the last tap that picked anew.
    QPointF m_lastPickPosition;

    // Pointer, pinch and snap state; the scene as the gestures see it, once loaded.
    MapCameraGestures m_gestures;
    std::unique_ptr<MapCameraGestures::AbstractSurface> m_surface;
};

} // namespace kiv
