#include "tools/AbstractCompassClino.h"

#include "app/ApplicationManager.h"
#include "model/ModelManager.h"
#include "model/Project.h"

namespace kiv {

namespace {

// Stores and announces only a change; a NaN on either side always counts as
// one, so degenerate readings are never swallowed.
template <typename Value, typename Signal>
void assign(AbstractCompassClino* source, Value& field, Value value, Signal signal)
{
    if (!(field != value))
        return;
    field = value;
    emit (source->*signal)(value);
}

} // namespace

AbstractCompassClino::AbstractCompassClino(QObject* parent)
    : QObject(parent)
{
    if (ModelManager* model = ModelManager::instance()) {
        connect(model, &ModelManager::currentProjectChanged, this,
                &AbstractCompassClino::onCurrentProjectChanged);
    }
    if (ApplicationManager* application = ApplicationManager::instance()) {
        connect(application, &ApplicationManager::compassClinoEnabledChanged, this,
                &AbstractCompassClino::onCompassClinoEnabledChanged);
    }
}

AbstractCompassClino::~AbstractCompassClino() = default;

bool AbstractCompassClino::enabled() const
{
    const ApplicationManager* application = ApplicationManager::instance();
    return application && application->compassClinoEnabled();
}

void AbstractCompassClino::setBearing(double v)
{
    assign(this, m_bearing, v, &AbstractCompassClino::bearingChanged);
}

void AbstractCompassClino::setDip(double v)
{
    assign(this, m_dip, v, &AbstractCompassClino::dipChanged);
}

void AbstractCompassClino::setDipAzimuth(double v)
{
    assign(this, m_dipAzimuth, v, &AbstractCompassClino::dipAzimuthChanged);
}

void AbstractCompassClino::setPlunge(double v)
{
    assign(this, m_plunge, v, &AbstractCompassClino::plungeChanged);
}

void AbstractCompassClino::setPlungeAzimuth(double v)
{
    assign(this, m_plungeAzimuth, v, &AbstractCompassClino::plungeAzimuthChanged);
}

void AbstractCompassClino::setPlaneSymbolRotation(double v)
{
    assign(this, m_planeSymbolRotation, v, &AbstractCompassClino::planeSymbolRotationChanged);
}

void AbstractCompassClino::setLineSymbolRotation(double v)
{
    assign(this, m_lineSymbolRotation, v, &AbstractCompassClino::lineSymbolRotationChanged);
}

void AbstractCompassClino::setEmitBearingUpdates(bool v)
{
    assign(this, m_emitBearingUpdates, v, &AbstractCompassClino::emitBearingUpdatesChanged);
}

void AbstractCompassClino::setEmitPlaneUpdates(bool v)
{
    assign(this, m_emitPlaneUpdates, v, &AbstractCompassClino::emitPlaneUpdatesChanged);
}

void AbstractCompassClino::setEmitLineUpdates(bool v)
{
    assign(this, m_emitLineUpdates, v, &AbstractCompassClino::emitLineUpdatesChanged);
}

void AbstractCompassClino::setHasRequiredSensors(bool hasRequiredSensors)
{
    assign(this, m_hasRequiredSensors, hasRequiredSensors,
           &AbstractCompassClino::hasRequiredSensorsChanged);
}

void AbstractCompassClino::setDeviceUpdating(bool deviceUpdating)
{
    assign(this, m_deviceUpdating, deviceUpdating, &AbstractCompassClino::deviceUpdatingChanged);
}

void AbstractCompassClino::stopUpdates()
{
    setDeviceUpdating(false);
}

void AbstractCompassClino::onCompassClinoEnabledChanged(bool enabled)
{
    emit enabledChanged(enabled);
    if (!m_hasRequiredSensors)
        return;
    if (enabled) {
        startUpdates();
        return;
    }
    stopUpdates();
    // A switched-off instrument shows nothing it measured earlier.
    setBearing(0.0);
    setDip(0.0);
    setDipAzimuth(0.0);
    setPlaneSymbolRotation(0.0);
    setPlunge(0.0);
    setPlungeAzimuth(0.0);
    setLineSymbolRotation(0.0);
}

void AbstractCompassClino::onCurrentProjectChanged(Project* project)
{
    if (!project)
        return;
    // Only the current project's declination applies.
    disconnect(m_declinationConnection);
    m_declinationConnection = connect(project, &Project::declinationChanged, this,
                                      &AbstractCompassClino::onProjectDeclinationChanged);
    onProjectDeclinationChanged(project->declination());
}

void AbstractCompassClino::onProjectDeclinationChanged(float projectDeclination)
{
    if (projectDeclination == Project::NoDeclination) {
        m_projectDeclination = 0.0f;
        emit projectDeclinationChanged(0.0f);
        return;
    }
    assign(this, m_projectDeclination, projectDeclination,
           &AbstractCompassClino::projectDeclinationChanged);
}

} // namespace kiv
