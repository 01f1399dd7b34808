#include "tools/ClinoTool.h"

#include "Database/CommandManager.h"
#include "app/AppContext.h"
#include "map/MapViewController.h"
#include "model/AddDataCommand.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "tools/AbstractLocationManager.h"

#include <QDebug>
#include <QLineF>

#include <cmath>

namespace kiv {

namespace {

// A new datum without a unit of its own.
constexpr int DefaultUnitId = 0;

// Altitude and accuracies, then the command; false when it was rolled back.
bool executeWithQuality(const std::shared_ptr<AddDataCommand>& command, bool isGpsLocation)
{
    const Tool::PositionQuality quality = Tool::positionQuality(isGpsLocation);
    command->setAltitudeAndAccuracy(quality.altitude, quality.horizontalAccuracy, quality.verticalAccuracy);
    return AppContext::runCommand(command);
}

} // namespace

ClinoTool::ClinoTool(QObject* parent)
    : Tool(parent)
{
}

bool ClinoTool::isLongPress(const QPointF& press, double x, double y)
{
    return QLineF(press, QPointF(x, y)).length() <= longPressReach;
}

bool ClinoTool::readAngle(const QString& text, float* value)
{
    bool ok = false;
    const float read = text.trimmed().toFloat(&ok);
    if (!ok || !std::isfinite(read))
        return false;
    *value = read;
    return true;
}

float ClinoTool::normalizedAzimuth(float azimuth)
{
    float turned = std::fmod(azimuth, 360.0f);
    if (turned < 0.0f)
        turned += 360.0f;
    // A tiny negative value rounds up to 360 when added.
    return turned >= 360.0f ? 0.0f : turned;
}

bool ClinoTool::mousePressed(double x, double y, Qt::MouseButtons)
{
    if (active())
        m_pressPosition = QPointF(x, y);
    return false;
}

bool ClinoTool::mousePressAndHold(double x, double y, Qt::MouseButtons)
{
    if (!active() || !isLongPress(m_pressPosition, x, y))
        return false;
    emit longPress(QPointF(x, y));
    return true;
}

void ClinoTool::showDataLayer()
{
    MapViewController* map = mapView();
    if (map && map->viewFilter() != MapViewController::FilterAll
        && map->viewFilter() != MapViewController::FilterData)
        map->setViewFilter(MapViewController::FilterAll);
}

void ClinoTool::report(SaveResult result, const char* invalidNumber)
{
    if (result == SaveResult::Saved) {
        emit saveSuccessful(true, QString());
        return;
    }
    const char* message = "Could not save data.";
    if (result == SaveResult::InvalidNumber)
        message = invalidNumber;
    else if (result == SaveResult::InvalidLocation)
        message = "Save failed: invalid location";
    else if (result == SaveResult::InvalidHorizon)
        message = "Save failed: invalid horizon";
    else if (result == SaveResult::InvalidSymbol)
        message = "Save failed: invalid symbol";
    emit saveSuccessful(false, QString::fromLatin1(message));
}

void ClinoTool::saveOrientation(QString dip, QString azimuth, QString comment, QPointF location,
                                bool isGpsLocation)
{
    showDataLayer();
    report(addOrientation(dip, azimuth, comment, location, isGpsLocation), "Save failed: invalid orientation");
}

ClinoTool::SaveResult ClinoTool::addOrientation(const QString& dipText, const QString& azimuthText,
                                                const QString& comment, const QPointF& location,
                                                bool isGpsLocation)
{
    ModelManager* models = ModelManager::instance();
    const int unit = models->currentRockUnit();
    float dip = 0.0f;
    float azimuth = 0.0f;
    if (!readAngle(dipText, &dip) || !readAngle(azimuthText, &azimuth) || dip < 0.0f || dip > 90.0f)
        return SaveResult::InvalidNumber;
    if (!AbstractLocationManager::isValidCoordinate(location))
        return SaveResult::InvalidLocation;
    if (unit == -1)
        return SaveResult::InvalidHorizon;
    // The symbol is tested before a locality is made, so a refusal leaves none.
    const std::shared_ptr<Project> project = models->currentProject();
    if (!project)
        return SaveResult::NotWritten;
    const int symbol = models->currentSymbol();
    const Project::SymbolType type = project->symbolType(symbol);
    if (type != Project::Plane && type != Project::Line)
        return SaveResult::InvalidSymbol;
    if (!ensureLocality(location.x(), location.y(), isGpsLocation))
        return SaveResult::NotWritten;

    auto command = std::make_shared<AddDataCommand>();
    azimuth = normalizedAzimuth(azimuth);
    if (type == Project::Plane)
        command->setPlaneData(location.y(), location.x(), dip, azimuth, unit, symbol, comment);
    else
        command->setLineationData(location.y(), location.x(), dip, azimuth, unit, symbol, comment);
    return executeWithQuality(command, isGpsLocation) ? SaveResult::Saved : SaveResult::NotWritten;
}

void ClinoTool::saveSighting(QString heading, QString comment, bool addCurrentRockUnit, QPointF location,
                             bool isGpsLocation)
{
    showDataLayer();
    report(addSighting(heading, comment, addCurrentRockUnit, location, isGpsLocation),
           "Save failed: invalid heading");
}

ClinoTool::SaveResult ClinoTool::addSighting(const QString& heading, const QString& comment,
                                             bool addCurrentRockUnit, const QPointF& location,
                                             bool isGpsLocation)
{
    qDebug().noquote() << QStringLiteral("Save: %1, Comment: %2").arg(heading, comment);
    const int currentUnit = ModelManager::instance()->currentRockUnit();
    float bearing = 0.0f;
    if (!readAngle(heading, &bearing))
        return SaveResult::InvalidNumber;
    if (!AbstractLocationManager::isValidCoordinate(location))
        return SaveResult::InvalidLocation;
    // Without a current unit, a wanted unit would be stored as an unknown id.
    if (addCurrentRockUnit && currentUnit == -1)
        return SaveResult::InvalidHorizon;
    if (!ensureLocality(location.x(), location.y(), isGpsLocation))
        return SaveResult::NotWritten;

    auto command = std::make_shared<AddDataCommand>();
    const int unit = addCurrentRockUnit ? currentUnit : DefaultUnitId;
    command->setSightingData(location.y(), location.x(), normalizedAzimuth(bearing), unit, comment);
    return executeWithQuality(command, isGpsLocation) ? SaveResult::Saved : SaveResult::NotWritten;
}

} // namespace kiv
