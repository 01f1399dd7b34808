#pragma once

#include <QObject>
#include <QPointF>
#include <QSizeF>
#include <QString>

#include <osg/Matrixd>
#include <osg/Vec3d>

#include <memory>
#include <optional>

namespace kiv {

class AbstractObject;
class Data;
class LineData2D;
class Project;

// The callout of the map's selected object: its texts, its anchor on screen,
// and the selected object's category and map position. Each value is stored
// only on a change and reports it by its own signal; the map controller
// publishes them to QML under the same names.
class MapCallout : public QObject
{
    Q_OBJECT

public:
    // What the callout depends on besides the object.
    struct Context
    {
        // Symbol size S in GL pixels.
        int symbolSize = 0;
        // Logical to physical pixels (l) and physical to GL pixels (m).
        double uiScale = 1.0;
        double glScale = 1.0;
        // Planes read as dip and strike rather than dip and dip azimuth.
        bool strikeConvention = false;
        // Names a line's rock unit; without one every line reads "No unit".
        std::shared_ptr<const Project> project;
    };

    // What an object's callout shows.
    struct Content
    {
        QString label;
        QString description;
        QString imageUrl;
        bool imagePicked = false;
        bool localityPicked = false;
        // How far the balloon stands above its anchor, or below it.
        double offset = 0.0;
        bool below = false;
    };

    // The anchor of a callout that has no place on screen: outside any window.
    static constexpr QPointF Nowhere{-1000.0, -1000.0};

    explicit MapCallout(QObject* parent = nullptr);

    // The content of a locality's, datum's or line's callout; unset for
    // anything else.
    static std::optional<Content> contentOf(const AbstractObject& object, const Context& context);
    // Whole degrees. A pick row's texts carry no degree sign and always read
    // azimuths; the callout's carry it and follow the plane convention.
    static QString dataLabel(const Data& data, bool callout, bool strikeConvention);
    static QString lineLabel(const LineData2D& line, const Project* project);
    static QString imageUrlOf(const Data& data);
    // The view filter bit an object is drawn under: 1 annotations (localities,
    // notes, photographs, sightings), 2 structural data, 4 lines; 0 for others.
    static int categoryOf(const AbstractObject& object);
    // How far the anchor lies from the object's point: a note's symbol hangs
    // right of and below it, a locality's marker stands above it.
    static QPointF anchorShift(const AbstractObject* object, const Context& context);
    // Window position (logical pixels, top-left origin) of a map point seen
    // through the camera; unset behind the camera or for a non-finite result.
    static std::optional<QPointF> screenPosition(const osg::Vec3d& world, const osg::Matrixd& viewProjection,
                                                 const QSizeF& window);

    QPointF pickedScreenPos() const { return m_pickedScreenPos; }
    QString pickedImageUrl() const { return m_pickedImageUrl; }
    QString pickedPointLabel() const { return m_pickedPointLabel; }
    QString pickedPointDescription() const { return m_pickedPointDescription; }
    double calloutOffset() const { return m_calloutOffset; }
    bool pointPicked() const { return m_pointPicked; }
    bool imagePicked() const { return m_imagePicked; }
    bool localityPicked() const { return m_localityPicked; }
    // The balloon hangs under its anchor instead of standing above it.
    bool below() const { return m_below; }
    // View filter bit of the selected object; 0 for none.
    int category() const { return m_category; }
    // The anchor's point in map coordinates.
    const osg::Vec3d& world() const { return m_world; }

    // A change of at most 1e-12 in both coordinates is no change.
    void setPickedScreenPos(const QPointF& pos);
    void setPickedImageUrl(const QString& url);
    void setPickedPointLabel(const QString& label);
    void setPickedPointDescription(const QString& description);
    void setCalloutOffset(double offset);
    void setPointPicked(bool picked);
    void setImagePicked(bool picked);
    void setLocalityPicked(bool picked);
    void setBelow(bool below);
    void setCategory(int category) { m_category = category; }

    // Shown, anchored and placed first, then the content; an anchor that is
    // not finite puts the balloon nowhere.
    void show(const Content& content, const osg::Vec3d& world, const QPointF& anchor);
    // Hidden with its texts and image; anchor, offset and place stay.
    void hide();
    // Hidden, and nothing is selected any more.
    void clear();
    // Hidden without touching the texts: a refresh with nothing selected.
    void unpick();
    // The anchor moved to where the camera now shows the stored point, shifted.
    void follow(const osg::Matrixd& viewProjection, const QSizeF& window, const QPointF& shift);

signals:
    void pickedScreenPosChanged(QPointF pickedScreenPos);
    void pickedImageUrlChanged(QString pickedImageUrl);
    void pickedPointLabelChanged(QString pickedPointLabel);
    void pickedPointDescriptionChanged(QString pickedPointDescription);
    void calloutOffsetChanged(double calloutOffset);
    void pointPickedChanged(bool pointPicked);
    void imagePickedChanged(bool imagePicked);
    void localityPickedChanged(bool localityPicked);
    void belowChanged(bool below);

private:
    QPointF m_pickedScreenPos = Nowhere;
    QString m_pickedImageUrl;
    QString m_pickedPointLabel;
    QString m_pickedPointDescription;
    double m_calloutOffset = 0.0;
    bool m_pointPicked = false;
    bool m_imagePicked = false;
    bool m_localityPicked = false;
    bool m_below = false;
    int m_category = 0;
    osg::Vec3d m_world;
};

} // namespace kiv
