#include "tools/QPositioningLocationManager.h"

#include <QLoggingCategory>

namespace kiv {

QPositioningLocationManager::QPositioningLocationManager(QObject* parent)
    : QPositioningLocationManager(QGeoPositionInfoSource::createDefaultSource(nullptr), parent)
{
}

QPositioningLocationManager::QPositioningLocationManager(QGeoPositionInfoSource* source, QObject* parent)
    : AbstractLocationManager(parent)
    , m_source(source)
{
    if (!m_source) {
        handlePositioningError(NotSupportedError);
        warnNoSource();
        return;
    }
    m_source->setParent(this);
    qCDebug(locationLoggingCategory) << "Got a source" << m_source->sourceName();
    connect(m_source, &QGeoPositionInfoSource::positionUpdated, this, &QPositioningLocationManager::onPositionUpdated);
    connect(m_source, QOverload<QGeoPositionInfoSource::Error>::of(&QGeoPositionInfoSource::error), this,
            &QPositioningLocationManager::onError);
    connect(m_source, &QGeoPositionInfoSource::updateTimeout, this, &AbstractLocationManager::updateTimeout);
}

QPositioningLocationManager::~QPositioningLocationManager() = default;

void QPositioningLocationManager::warnNoSource() const
{
    qCWarning(locationLoggingCategory, "No default QGeoPositionInfoSource!");
}

bool QPositioningLocationManager::updating() const
{
    return m_updating;
}

int QPositioningLocationManager::updateInterval() const
{
    if (!m_source) {
        warnNoSource();
        return 0;
    }
    return m_source->updateInterval();
}

void QPositioningLocationManager::setUpdateInterval(int milliseconds)
{
    if (!m_source) {
        warnNoSource();
        return;
    }
    m_source->setUpdateInterval(milliseconds);
}

void QPositioningLocationManager::requestUpdate(int timeout)
{
    if (m_source)
        m_source->requestUpdate(timeout);
}

void QPositioningLocationManager::startUpdates()
{
    if (!m_source) {
        warnNoSource();
    } else {
        m_lastError = NoError;
        m_source->startUpdates();
        if (m_lastError != NoError) {
            // The error toast came from onError.
            m_source->stopUpdates();
            m_updating = false;
        } else {
            m_updating = true;
            emit updatingChanged(true);
        }
    }
    storeGpsAuto();
}

void QPositioningLocationManager::stopUpdates(bool implicite)
{
    if (!m_source) {
        warnNoSource();
    } else {
        m_source->stopUpdates();
        m_updating = false;
        emit updatingChanged(false);
    }
    if (!implicite)
        storeGpsAuto();
}

void QPositioningLocationManager::onPositionUpdated(const QGeoPositionInfo& info)
{
    qCDebug(locationLoggingCategory) << "Got new position: " << info;
    if (!info.isValid())
        return;
    if (acceptPosition(info))
        applyPositionInfo(info);
}

void QPositioningLocationManager::onError(QGeoPositionInfoSource::Error positioningError)
{
    int code = NoError;
    switch (positioningError) {
    case QGeoPositionInfoSource::AccessError:
    case QGeoPositionInfoSource::ClosedError:
        code = AccessError;
        break;
    case QGeoPositionInfoSource::UnknownSourceError:
        code = UnknownError;
        break;
    case QGeoPositionInfoSource::NoError:
        return;
    }
    // A repeated error is shown once.
    if (code == m_lastError)
        return;
    m_lastError = code;
    handlePositioningError(code);
}

} // namespace kiv
