#include "tools/QPositioningLocationManager.h"

#include "app/ApplicationManager.h"
#include "tools/MagneticModel.h"

#include <QGeoPositionInfoSource>
#include <QTimer>

namespace kiv {

namespace {

bool isKnown(const QPointF& coordinate)
{
    return coordinate.x() != AbstractLocationManager::NoCoordinate
        && coordinate.y() != AbstractLocationManager::NoCoordinate;
}

} // namespace

QPositioningLocationManager::QPositioningLocationManager(QObject* parent)
    : AbstractLocationManager(parent)
    , m_source(QGeoPositionInfoSource::createDefaultSource(this))
{
    if (!m_source)
        return;
    connect(m_source, &QGeoPositionInfoSource::positionUpdated, this,
            &QPositioningLocationManager::onPositionUpdated);
    const QGeoPositionInfo last = m_source->lastKnownPosition();
    if (last.isValid())
        onPositionUpdated(last);
}

QPositioningLocationManager::~QPositioningLocationManager() = default;

QPointF QPositioningLocationManager::lastKnownCoordinate() const
{
    return m_lastCoordinate;
}

void QPositioningLocationManager::startDeclinationUpdates()
{
    m_declinationWanted = true;
    if (isKnown(m_lastCoordinate) || !m_source) {
        // Announce from the event loop, after the caller has connected.
        QTimer::singleShot(0, this, &QPositioningLocationManager::announceDeclination);
        return;
    }
    m_source->requestUpdate();
}

void QPositioningLocationManager::onPositionUpdated(const QGeoPositionInfo& info)
{
    const QGeoCoordinate coordinate = info.coordinate();
    if (!coordinate.isValid())
        return;
    m_lastCoordinate = QPointF(coordinate.longitude(), coordinate.latitude());
    if (m_declinationWanted)
        announceDeclination();
}

void QPositioningLocationManager::announceDeclination()
{
    if (!m_declinationWanted)
        return;
    m_declinationWanted = false;
    emit declinationChanged(declinationAt(m_lastCoordinate));
}

double QPositioningLocationManager::declinationAt(const QPointF& coordinate)
{
    if (!isKnown(coordinate))
        return MagneticModel::NoDeclination;
    const ApplicationManager* app = ApplicationManager::instance();
    MagneticModel model(app ? app->assetPath() : MagneticModel::defaultAssetFolder());
    return model.magneticDeclination(coordinate, 0.0);
}

} // namespace kiv
