#include "model/EditDataCommand.h"

#include "app/AppContext.h"
#include "app/ApplicationManager.h"
#include "model/Data.h"
#include "model/EditTarget.h"
#include "model/Locality.h"
#include "model/Project.h"
#include "model/StorageStep.h"

#include <QDataStream>
#include <QDateTime>
#include <QStringList>

namespace kiv {

namespace {

// Ids are stored as text; unit and symbol ids as 64-bit numbers whose upper
// half is zero.
qint64 widen(int value)
{
    return static_cast<qint64>(static_cast<quint32>(value));
}

int narrow(qint64 value)
{
    return static_cast<int>(static_cast<quint32>(value & 0xffffffff));
}

bool writeData(Project& project, const std::shared_ptr<Data>& data)
{
    return runStorageStep("EditDataCommand: writing the datum failed:",
                          [&] { return project.syncDataDetails(data); });
}

bool dropData(Locality& locality, const std::string& id)
{
    return runStorageStep("EditDataCommand: removing the datum failed:",
                          [&] { return locality.removeData(id); });
}

} // namespace

bool EditDataCommand::serialize(QDataStream& stream)
{
    serializeBase(stream);
    stream << QString::fromStdString(m_values.dataId) << QString::fromStdString(m_values.localityId)
           << static_cast<const LocatedValues&>(m_values) << m_values.declination
           << static_cast<qint32>(m_values.type) << widen(m_values.symbolId) << widen(m_values.unitId)
           << m_values.azimuth << m_values.dip << m_values.imagePath << m_values.comment << m_values.sketchPath
           << m_values.backgroundPath;
    return stream.status() == QDataStream::Ok;
}

bool EditDataCommand::unserialize(QDataStream& stream)
{
    unserializeBase(stream);
    Values values;
    QString dataId;
    QString localityId;
    qint32 type = 0;
    qint64 symbolId = 0;
    qint64 unitId = 0;
    stream >> dataId >> localityId >> static_cast<LocatedValues&>(values) >> values.declination >> type >> symbolId
        >> unitId >> values.azimuth >> values.dip >> values.imagePath >> values.comment >> values.sketchPath
        >> values.backgroundPath;
    if (stream.status() != QDataStream::Ok)
        return false;
    values.dataId = dataId.toStdString();
    values.localityId = localityId.toStdString();
    values.type = type;
    values.symbolId = narrow(symbolId);
    values.unitId = narrow(unitId);
    m_values = values;
    return true;
}

void EditDataCommand::setFromData(std::shared_ptr<Data> data)
{
    if (data)
        copyFrom(*data);
}

void EditDataCommand::copyFrom(const Data& data)
{
    m_values.dataId = data.id();
    m_values.localityId = data.localityId();
    m_values.copyFrom(data);
    m_values.type = data.type();
    m_values.symbolId = data.symbolId();
    m_values.unitId = data.unitId();
    m_values.comment = data.comment();
    m_values.declination = data.declination();
    switch (data.type()) {
    case Data::Plane:
        m_values.dip = data.dip();
        m_values.azimuth = data.azimuth();
        break;
    case Data::Lineation:
        m_values.dip = data.plunge();
        m_values.azimuth = data.plungeAzimuth();
        break;
    default:
        m_values.azimuth = data.azimuth();
        m_values.imagePath = data.imagePath();
        m_values.sketchPath = data.sketchPath();
        m_values.backgroundPath = data.backgroundPath();
        break;
    }
}

void EditDataCommand::findData(const QString& dataId)
{
    const std::shared_ptr<Project> project = AppContext::currentProject();
    if (project)
        setFromData(project->dataById(dataId.toStdString()));
}

std::shared_ptr<Locality> EditDataCommand::resolveLocality(const Project& project)
{
    std::shared_ptr<Locality> locality = EditTarget::locality(project, m_values.localityId);
    if (locality)
        m_values.localityId = locality->id();
    return locality;
}

std::shared_ptr<Data> EditDataCommand::makeData() const
{
    const Values& v = m_values;
    switch (v.type) {
    case Data::Plane:
        return Data::createPlane(v.dataId, v.localityId, v.latitude, v.longitude, v.dip, v.azimuth,
                                 v.unitId, v.symbolId, v.comment);
    case Data::Image:
        return Data::createImage(v.dataId, v.localityId, v.latitude, v.longitude, v.azimuth,
                                 v.imagePath, v.comment, v.sketchPath, v.backgroundPath);
    case Data::Lineation:
        return Data::createLineation(v.dataId, v.localityId, v.latitude, v.longitude, v.dip,
                                     v.azimuth, v.unitId, v.symbolId, v.comment);
    case Data::Annotation:
        return Data::createAnnotation(v.dataId, v.localityId, v.latitude, v.longitude, v.comment);
    case Data::Sighting:
        return Data::createSighting(v.dataId, v.localityId, v.latitude, v.longitude, v.azimuth,
                                    v.unitId, v.symbolId, v.comment);
    default:
        return {};
    }
}

bool EditDataCommand::insertData()
{
    if (m_values.type == Data::NoKind)
        return false;
    if (m_values.dataId.empty()) {
        ApplicationManager* application = ApplicationManager::instance();
        if (!application)
            return false;
        // Kept, so that undo and the stored row name the same datum.
        m_values.timeStamp = QDateTime::currentSecsSinceEpoch();
        m_values.dataId = application->makeUniqueId(QString()).toStdString();
    }
    const std::shared_ptr<Project> project = AppContext::currentProject();
    if (!project)
        return false;
    const std::shared_ptr<Locality> locality = resolveLocality(*project);
    if (!locality || locality->hasData(m_values.dataId))
        return false;
    const std::shared_ptr<Data> data = makeData();
    if (!data)
        return false;
    data->setDeclination(m_values.declination);
    data->setAltitude(m_values.altitude);
    data->setTimeStamp(m_values.timeStamp);
    data->setHorizontalAccuracy(m_values.horizontalAccuracy);
    data->setVerticalAccuracy(m_values.verticalAccuracy);
    // Joins the list only once its row exists, so a failed write leaves
    // memory as it was.
    if (!writeData(*project, data))
        return false;
    locality->addData(data);
    emit project->dataAdded();
    project->announceLocalityContent(locality->id());
    if (m_values.type == Data::Image)
        announceFiles(*project);
    return true;
}

void EditDataCommand::announceFiles(const Project& project) const
{
    ApplicationManager* application = ApplicationManager::instance();
    if (!application)
        return;
    const QString images = project.folder().absoluteFilePath(QStringLiteral("images/"));
    QStringList paths {images + m_values.imagePath};
    if (!m_values.sketchPath.isEmpty())
        paths << images + m_values.sketchPath;
    if (!m_values.backgroundPath.isEmpty())
        paths << images + m_values.backgroundPath;
    emit application->fileSystemChanged(paths);
}

bool EditDataCommand::deleteData()
{
    const std::shared_ptr<Project> project = AppContext::currentProject();
    if (!project)
        return false;
    const std::shared_ptr<Locality> locality = resolveLocality(*project);
    if (!locality)
        return false;
    const std::shared_ptr<Data> data = locality->dataById(m_values.dataId);
    if (!data)
        return false;
    // The whole datum, so that undo can bring back exactly what was deleted.
    copyFrom(*data);
    if (!dropData(*locality, m_values.dataId)) {
        // The row is still there: so must the datum be.
        if (!locality->hasData(data->id()))
            locality->addData(data);
        return false;
    }
    project->announceLocalityContent(locality->id());
    return true;
}

void EditDataCommand::writeInto(Data& data) const
{
    const Values& v = m_values;
    data.setTimeStamp(v.timeStamp);
    data.setVisible(v.visible);
    data.setLatitude(v.latitude);
    data.setLongitude(v.longitude);
    data.setHorizontalAccuracy(v.horizontalAccuracy);
    data.setVerticalAccuracy(v.verticalAccuracy);
    data.setSymbolId(v.symbolId);
    data.setUnitId(v.unitId);
    data.setComment(v.comment);
    switch (v.type) {
    case Data::Plane:
        data.setDip(v.dip);
        data.setDipAzimuth(v.azimuth);
        break;
    case Data::Lineation:
        data.setPlunge(v.dip);
        data.setPlungeAzimuth(v.azimuth);
        break;
    default:
        data.setDipAzimuth(v.azimuth);
        // A path turns a note into an image, an empty one an image into a note.
        data.setImagePath(v.imagePath);
        data.setSketchPath(v.sketchPath);
        data.setBackgroundPath(v.backgroundPath);
        break;
    }
}

bool EditDataCommand::swapData()
{
    const std::shared_ptr<Project> project = AppContext::currentProject();
    if (!project)
        return false;
    const std::shared_ptr<Locality> locality = project->locality(m_values.localityId);
    const std::shared_ptr<Data> data = locality ? locality->dataById(m_values.dataId) : nullptr;
    if (!data)
        return false;
    const Data before = *data;
    const Values held = m_values;
    writeInto(*data);
    copyFrom(before);
    if (!writeData(*project, data)) {
        *data = before;
        m_values = held;
        return false;
    }
    project->announceLocalityContent(locality->id());
    return true;
}

} // namespace kiv
