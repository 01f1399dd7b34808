#include "model/Data.h"

#include "Database/Quarzel.pb.h"

#include <QDebug>

#include <utility>

namespace kiv {

using Record = QZProtoBuffers::Data;

namespace {

int kindFromRecord(Record::DataType type)
{
    switch (type) {
    case Record::PLANE: return Data::Plane;
    case Record::LINE: return Data::Lineation;
    case Record::NOTE: return Data::Annotation;
    case Record::IMAGE: return Data::Image;
    case Record::SIGHTING: return Data::Sighting;
    }
    return Data::NoKind;
}

bool recordFromKind(int kind, Record::DataType* type)
{
    switch (kind) {
    case Data::Plane: *type = Record::PLANE; return true;
    case Data::Image: *type = Record::IMAGE; return true;
    case Data::Lineation: *type = Record::LINE; return true;
    case Data::Annotation: *type = Record::NOTE; return true;
    case Data::Sighting: *type = Record::SIGHTING; return true;
    default: return false;
    }
}

// Older records carried a finer classification; only these groups survive.
int planeKindFromRecord(Record::PlaneType type)
{
    switch (type) {
    case Record::UNKNOWN_PLANE: return 0;
    case Record::CLEAVAGE: return 2;
    case Record::JOINT: return 3;
    case Record::FAULT: return 4;
    case Record::PLANE_TYPE_1: return 5;
    case Record::PLANE_TYPE_2: return 6;
    case Record::PLANE_TYPE_3: return 7;
    case Record::PLANE_TYPE_4: return 8;
    default: return 1;
    }
}

int lineKindFromRecord(Record::LineType type)
{
    switch (type) {
    case Record::SLICKESIDE: return 2;
    case Record::MINERAL: return 3;
    case Record::FOLD_AXIS: return 4;
    case Record::LINE_TYPE_1: return 5;
    case Record::LINE_TYPE_2: return 6;
    default: return 1;
    }
}

QString textOf(const std::string& bytes)
{
    return QString::fromStdString(bytes);
}

} // namespace

Data::Data(std::string id, std::string localityId)
    : LocatedObject(std::move(id))
    , m_localityId(std::make_shared<const std::string>(std::move(localityId)))
{
}

Data::Data(std::string id, SharedId localityId, qint64 timeStamp)
    : LocatedObject(std::move(id), timeStamp)
    , m_localityId(std::move(localityId))
{
}

std::shared_ptr<Data> Data::createLocated(Kind kind, const std::string& id, const std::string& localityId,
                                          double latitude, double longitude, const QString& comment)
{
    auto data = std::make_shared<Data>(id, localityId);
    data->m_type = kind;
    data->setLatitude(latitude);
    data->setLongitude(longitude);
    data->m_comment = comment;
    return data;
}

std::shared_ptr<Data> Data::createPlane(const std::string& id, const std::string& localityId,
                                        double latitude, double longitude, float dip,
                                        float dipAzimuth, int unitId, int symbolId,
                                        const QString& comment)
{
    auto data = createLocated(Plane, id, localityId, latitude, longitude, comment);
    data->m_dip = dip;
    data->m_azimuth = dipAzimuth;
    data->m_unitId = unitId;
    data->m_symbolId = symbolId;
    return data;
}

std::shared_ptr<Data> Data::createLineation(const std::string& id, const std::string& localityId,
                                            double latitude, double longitude, float plunge,
                                            float plungeAzimuth, int unitId, int symbolId,
                                            const QString& comment)
{
    auto data = createLocated(Lineation, id, localityId, latitude, longitude, comment);
    data->m_plunge = plunge;
    data->m_plungeAzimuth = plungeAzimuth;
    data->m_unitId = unitId;
    data->m_symbolId = symbolId;
    return data;
}

std::shared_ptr<Data> Data::createSighting(const std::string& id, const std::string& localityId,
                                           double latitude, double longitude, float azimuth,
                                           int unitId, int symbolId, const QString& comment)
{
    auto data = createLocated(Sighting, id, localityId, latitude, longitude, comment);
    data->m_azimuth = azimuth;
    data->m_unitId = unitId;
    data->m_symbolId = symbolId;
    return data;
}

std::shared_ptr<Data> Data::createAnnotation(const std::string& id, const std::string& localityId,
                                             double latitude, double longitude,
                                             const QString& comment)
{
    return createLocated(Annotation, id, localityId, latitude, longitude, comment);
}

std::shared_ptr<Data> Data::createImage(const std::string& id, const std::string& localityId,
                                        double latitude, double longitude, float azimuth,
                                        const QString& imagePath, const QString& comment,
                                        const QString& sketchPath, const QString& backgroundPath)
{
    auto data = createLocated(Image, id, localityId, latitude, longitude, comment);
    data->m_azimuth = azimuth;
    data->m_imagePath = imagePath;
    data->m_sketchPath = sketchPath;
    data->m_backgroundPath = backgroundPath;
    return data;
}

void Data::setImagePath(const QString& path)
{
    m_imagePath = path;
    if (!path.isEmpty() && m_type != Image)
        m_type = Image;
    else if (path.isEmpty() && m_type == Image)
        m_type = Annotation;
}

std::shared_ptr<Data> Data::fromProto(const Record& record, const SharedId& localityId)
{
#if PROTOBUF_USE_EXCEPTIONS
    try {
        return readRecord(record, localityId);
    } catch (const google::protobuf::FatalException& e) {
        qWarning() << "Data record could not be read:" << e.what();
        return {};
    }
#else
    return readRecord(record, localityId);
#endif
}

std::shared_ptr<Data> Data::readRecord(const Record& record, const SharedId& localityId)
{
    if (!record.IsInitialized())
        return {};
    auto data = std::make_shared<Data>(record.dataid(), sharedId(localityId, record.localityid()),
                                       static_cast<qint64>(record.timestamp()));
    if (!data->fromProtoPosition(record.position()))
        return {};
    if (record.has_comment())
        data->m_comment = textOf(record.comment());
    if (record.has_declination())
        data->m_declination = record.declination();
    if (!data->readKind(record))
        return {};
    return data;
}

bool Data::readKind(const Record& record)
{
    m_type = kindFromRecord(record.datatype());
    switch (m_type) {
    case Plane:
        m_dip = record.dip();
        m_azimuth = record.dip_azimuth();
        m_symbolId = static_cast<int>(record.symbolid());
        m_unitId = static_cast<int>(record.unitid());
        if (record.has_planetype())
            m_planeKind = planeKindFromRecord(record.planetype());
        return true;
    case Lineation:
        m_plunge = record.plunge();
        m_plungeAzimuth = record.plunge_azimuth();
        m_symbolId = static_cast<int>(record.symbolid());
        m_unitId = static_cast<int>(record.unitid());
        if (record.has_linetype())
            m_lineKind = lineKindFromRecord(record.linetype());
        return true;
    case Annotation:
        return true;
    case Image:
        if (record.has_imagepath())
            setImagePath(textOf(record.imagepath()));
        if (record.has_sketchpath())
            m_sketchPath = textOf(record.sketchpath());
        if (record.has_backgroundpath())
            m_backgroundPath = textOf(record.backgroundpath());
        m_azimuth = record.dip_azimuth();
        return true;
    case Sighting:
        m_azimuth = record.dip_azimuth();
        m_unitId = static_cast<int>(record.unitid());
        m_symbolId = static_cast<int>(record.symbolid());
        return true;
    default:
        return false;
    }
}

std::shared_ptr<Record> Data::toProto() const
{
    Record::DataType dataType;
    if (!recordFromKind(m_type, &dataType))
        return {};

    auto record = std::make_shared<Record>();
    record->set_dataid(id());
    record->set_localityid(*m_localityId);
    record->set_timestamp(static_cast<quint64>(timeStamp()));
    toProtoPosition(record->mutable_position());
    record->set_declination(m_declination);
    if (!m_comment.isEmpty())
        record->set_comment(m_comment.toStdString());
    record->set_datatype(dataType);

    switch (m_type) {
    case Plane:
        record->set_dip(m_dip);
        record->set_dip_azimuth(m_azimuth);
        record->set_symbolid(static_cast<quint32>(m_symbolId));
        record->set_unitid(static_cast<quint32>(m_unitId));
        break;
    case Lineation:
        record->set_plunge(m_plunge);
        record->set_plunge_azimuth(m_plungeAzimuth);
        record->set_symbolid(static_cast<quint32>(m_symbolId));
        record->set_unitid(static_cast<quint32>(m_unitId));
        break;
    case Sighting:
        record->set_dip_azimuth(m_azimuth);
        record->set_unitid(static_cast<quint32>(m_unitId));
        record->set_symbolid(static_cast<quint32>(m_symbolId));
        break;
    case Image:
        record->set_dip_azimuth(m_azimuth);
        if (!m_imagePath.isEmpty())
            record->set_imagepath(m_imagePath.toStdString());
        if (!m_sketchPath.isEmpty())
            record->set_sketchpath(m_sketchPath.toStdString());
        if (!m_backgroundPath.isEmpty())
            record->set_backgroundpath(m_backgroundPath.toStdString());
        break;
    default:
        break;
    }
    return record;
}

} // namespace kiv
