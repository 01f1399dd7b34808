#include "model/AddDataCommand.h"

#include "Database/AbstractCommandFactory.h"
#include "app/AppContext.h"
#include "model/Data.h"
#include "model/Project.h"

#include <QDataStream>

namespace kiv {

AddDataCommand::AddDataCommand()
{
    setName(staticName());
}

bool AddDataCommand::execute(CommandManagerContext*)
{
    return insertData();
}

bool AddDataCommand::undo(CommandManagerContext*)
{
    return deleteData();
}

bool AddDataCommand::serialize(QDataStream& stream)
{
    serializeBase(stream);
    stream << QString::fromStdString(dataId()) << QString::fromStdString(localityId());
    return stream.status() == QDataStream::Ok;
}

bool AddDataCommand::unserialize(QDataStream& stream)
{
    unserializeBase(stream);
    QString data;
    QString locality;
    stream >> data >> locality;
    if (stream.status() != QDataStream::Ok)
        return false;
    setDataId(data.toStdString());
    setLocalityId(locality.toStdString());
    return true;
}

void AddDataCommand::setPoint(int type, double latitude, double longitude, const QString& comment)
{
    setType(type);
    setLatitude(latitude);
    setLongitude(longitude);
    setComment(comment);
    const std::shared_ptr<Project> project = AppContext::currentProject();
    setDeclination(project ? project->declination() : Project::NoDeclination);
}

void AddDataCommand::setPlaneData(double latitude, double longitude, float dip, float dipAzimuth,
                                  int unitId, int symbolId, const QString& comment)
{
    setPoint(Data::Plane, latitude, longitude, comment);
    setDip(dip);
    setAzimuth(dipAzimuth);
    setUnitId(unitId);
    setSymbolId(symbolId);
}

void AddDataCommand::setLineationData(double latitude, double longitude, float plunge,
                                      float plungeAzimuth, int unitId, int symbolId,
                                      const QString& comment)
{
    setPoint(Data::Lineation, latitude, longitude, comment);
    setDip(plunge);
    setAzimuth(plungeAzimuth);
    setUnitId(unitId);
    setSymbolId(symbolId);
}

void AddDataCommand::setSightingData(double latitude, double longitude, float bearing, int unitId,
                                     const QString& comment)
{
    setPoint(Data::Sighting, latitude, longitude, comment);
    setAzimuth(bearing);
    setUnitId(unitId);
    const std::shared_ptr<Project> project = AppContext::currentProject();
    setSymbolId(project ? project->getDefaultSightingId() : 0);
}

void AddDataCommand::setNoteData(double latitude, double longitude, const QString& comment)
{
    setPoint(Data::Annotation, latitude, longitude, comment);
}

void AddDataCommand::setImageData(double latitude, double longitude, float heading,
                                  const QString& imagePath, const QString& comment)
{
    setPoint(Data::Image, latitude, longitude, comment);
    setAzimuth(heading);
    setImagePath(imagePath);
}

void AddDataCommand::setSketchData(double latitude, double longitude, float heading,
                                   const QString& imagePath, const QString& comment,
                                   const QString& sketchPath, const QString& backgroundPath)
{
    setImageData(latitude, longitude, heading, imagePath, comment);
    setSketchPath(sketchPath);
    setBackgroundPath(backgroundPath);
}

void AddDataCommand::setAltitudeAndAccuracy(double altitude, double horizontalAccuracy,
                                            double verticalAccuracy)
{
    setAltitude(altitude);
    setHorizontalAccuracy(horizontalAccuracy);
    setVerticalAccuracy(verticalAccuracy);
}

} // namespace kiv

KIV_REGISTER_COMMAND_FACTORY(AddDataCommand)
