#include "export/AbstractKIVExporter.h"

#include "export/CSVText.h"
#include "export/ExportArchivePath.h"
#include "export/ExportText.h"
#include "export/GeoListText.h"
#include "export/UTM.h"
#include "model/Data.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/Project.h"

#include <QColor>
#include <QDebug>
#include <QFile>

#include <ctime>
#include <iomanip>
#include <sstream>

namespace kiv {

namespace {

const char* const SchemaInstanceNamespace = "http://www.w3.org/2001/XMLSchema-instance";
const char* const GeoListNamespace = "http://quarzel.example/kiv1_5.xsd";
const int CommentLabelLength = 30;
const int ShortenedLabelLength = 27;

// icon id, map style, section style
const int StyleTable[][3] = {
    {0, 0, 9},   {1, 1, 11},  {2, 41, 41}, {3, 42, 42}, {4, 4, 7},    {5, 10, 8},   {6, 11, 7},
    {7, 13, 17}, {8, 5, 5},   {9, 1, 7},   {10, 2, 8},  {11, 3, 9},   {12, 4, 10},  {13, 0, 0},
    {14, 6, 6},  {15, 7, 7},  {16, 10, 10}, {17, 8, 8}, {18, 11, 11}, {19, 12, 12}, {20, 18, 18},
};

// (name, system type, category) of the property types of the header.
const char* const PropertyTypes[][3] = {
    {"bearing", "Real", "dimensionless"},
    {"latitude", "Real", "dimensionless"},
    {"longitude", "Real", "dimensionless"},
    {"localityName", "Text", "dimensionless"},
    {"clinoId", "Text", "dimensionless"},
    {"altitude", "Real", "elevation"},
    {"horizontalPrecision", "Real", "dimension"},
    {"verticalPrecision", "Real", "dimension"},
    {"declination", "Real", "dimensionless"},
    {"timeString", "Text", "dimensionless"},
    {"timeStamp", "Integer", "dimensionless"},
};

std::string tabs(int count)
{
    return std::string(static_cast<std::size_t>(count), '\t');
}

// Every text of the document stands in an attribute value.
std::string escaped(const QString& text)
{
    return xmlAttributeText(text);
}

// <attribute name="name" v="value" /> on its own line; numbers in the
// stream's fixed notation.
template<typename Value>
void attribute(std::ostream& out, int indent, const char* name, const Value& value)
{
    out << tabs(indent) << "<attribute name=\"" << name << "\" v=\"" << value << "\" />\n";
}

void colourAttribute(std::ostream& out, int indent, const char* name, const QColor& colour)
{
    const std::array<float, 3> rgb = colorToRgbF(colour);
    out << tabs(indent) << "<attribute name=\"" << name << "\" r=\"" << rgb[0] << "\" g=\"" << rgb[1]
        << "\" b=\"" << rgb[2] << "\" />\n";
}

void positionAttributes(std::ostream& out, const LocatedObject& object, bool withLatLong)
{
    if (withLatLong) {
        attribute(out, 4, "latitude", object.latitude());
        attribute(out, 4, "longitude", object.longitude());
    }
    attribute(out, 4, "altitude", object.altitude());
    attribute(out, 4, "horizontalPrecision", object.horizontalAccuracy());
    attribute(out, 4, "verticalPrecision", object.verticalAccuracy());
}

void timeAttributes(std::ostream& out, qint64 timeStamp)
{
    attribute(out, 4, "timeStamp", timeStamp);
    attribute(out, 4, "timeString", xmlEscape(ctimeString(timeStamp)));
}

double declinationOf(const Data& datum)
{
    return datum.declination() == Data::NoDeclination ? 0.0 : datum.declination();
}

bool hasPosition(const LocatedObject& object)
{
    return hasGeographicPosition(object.latitude(), object.longitude());
}

void openCloudAttributes(std::ostream& out, const char* dataType)
{
    out << "\t\t</VertexList>\n\t\t<Attributes>\t\t\t<AttributeToObject>\n";
    attribute(out, 4, "Data_Type", dataType);
}

void closeCloud(std::ostream& out)
{
    out << "\t\t</Attributes>\n\t</VertexCloud>\n";
}

// The document's zone comes from here: the first locality with a position,
// else the first one.
const Locality& zoneLocality(const Project& project)
{
    for (const std::shared_ptr<Locality>& locality : project.localities()) {
        if (hasPosition(*locality))
            return *locality;
    }
    return *project.localities().front();
}

bool writeAll(QFile& file, const std::string& text)
{
    const qint64 size = static_cast<qint64>(text.size());
    return file.write(text.data(), size) == size;
}

} // namespace

AbstractKIVExporter::AbstractKIVExporter(Task* owningTask)
    : m_owningTask(owningTask)
{
    for (const auto& row : StyleTable) {
        m_mapStyles[row[0]] = row[1];
        m_sectionStyles[row[0]] = row[2];
    }
}

AbstractKIVExporter::~AbstractKIVExporter() = default;

QString AbstractKIVExporter::documentPath() const
{
    return m_workFolder.isEmpty() ? QString() : m_workFolder + QStringLiteral("/main.xml");
}

bool AbstractKIVExporter::exportProject(Project* project)
{
    return project && exportProject(*project);
}

bool AbstractKIVExporter::exportProject(Project& project)
{
    m_imageFiles.clear();
    m_elementsByLocality.clear();
    m_elementsByUnitName.clear();
    m_missingImages.clear();
    bool ok = writeMainXml(project);
    if (ok)
        ok = package(project, m_imageFiles);
    cleanUp(project);
    return ok;
}

void AbstractKIVExporter::cleanUp(Project&)
{
    // The folder goes with everything in it.
    m_workFiles.finish();
    m_workFolder.clear();
}

bool AbstractKIVExporter::writeMainXml(Project& project)
{
    if (project.localities().empty())
        return false;
    m_nextId = 3;
    m_nextSetId = 9000;

    m_workFolder = createExportWorkFolder(m_workFiles);
    if (m_workFolder.isEmpty())
        return false;
    QFile file(documentPath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        qWarning() << "AbstractKIVExporter::writeMainXml: cannot create" << file.fileName()
                   << file.errorString();
        return false;
    }
    const Section sections[] = {
        &AbstractKIVExporter::writeHeader,          &AbstractKIVExporter::writeStratColumn,
        &AbstractKIVExporter::writeLocalities,      &AbstractKIVExporter::writeDips,
        &AbstractKIVExporter::writeFoldStructures,  &AbstractKIVExporter::writeFaultStructures,
        &AbstractKIVExporter::writePoints,          &AbstractKIVExporter::writeLineations,
        &AbstractKIVExporter::writeLines,           &AbstractKIVExporter::writeImages,
        &AbstractKIVExporter::writeAnnotations,     &AbstractKIVExporter::writeSets,
        &AbstractKIVExporter::writeViewsAndFooter,
    };
    for (const Section section : sections) {
        // Written section by section so a large project is never held whole.
        std::ostringstream out = classicStream();
        out << std::fixed << std::setprecision(6);
        if (!(this->*section)(project, out) || !writeAll(file, out.str())) {
            qWarning() << "AbstractKIVExporter::writeMainXml: cannot write" << file.fileName()
                       << file.errorString();
            return false;
        }
    }
    file.close();
    if (file.error() != QFileDevice::NoError) {
        qWarning() << "AbstractKIVExporter::writeMainXml: cannot close" << file.fileName()
                   << file.errorString();
        return false;
    }
    return true;
}

bool AbstractKIVExporter::writeVertex(std::ostream& out, double latitude, double longitude) const
{
    if (!hasGeographicPosition(latitude, longitude))
        return false;
    double northing = 0.0;
    double easting = 0.0;
    latLongToUTM(latitude, longitude, m_zone, northing, easting);
    out << "\t\t\t<V x=\"" << easting << "\" y=\"" << northing << "\" z=\"0\" />\n";
    return true;
}

bool AbstractKIVExporter::writeHeader(Project& project, std::ostream& out)
{
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<GeoList schemaVersion=\"1.5\" xmlns:xsi=\"" << SchemaInstanceNamespace << "\" xmlns=\""
        << GeoListNamespace << "\">\n"
        << "\t<Culture>\n\t\t<History  program=\"Orvanta\" version=\"2.0\" user=\"unknown\" "
           "name=\"unknown\" date=\""
        << xmlEscape(ctimeString(static_cast<qint64>(std::time(nullptr)))) << "\" />\n\t</Culture>\n";

    const Locality& first = zoneLocality(project);
    out << "\t" << writeUTMCoordinateSystem(first.latitude(), first.longitude()) << "\n";
    double northing = 0.0;
    double easting = 0.0;
    char zone[UtmZoneTextSize] = {};
    latLongToUTMWithZone(first.latitude(), first.longitude(), northing, easting, zone);
    m_zone = utmZoneNumber(zone);

    out << "\t<PropertyToSystemTypes>\n";
    for (const auto& type : PropertyTypes) {
        out << "\t\t<PropertyToSystem property_type=\"" << type[0] << "\" system_type=\"" << type[1]
            << "\" flag=\"4\" category=\"" << type[2] << "\" r=\"255\" g=\"255\" b=\"255\" />\n";
    }
    out << "\t</PropertyToSystemTypes>\n";
    return true;
}

bool AbstractKIVExporter::writeStratColumn(Project& project, std::ostream& out)
{
    out << "\t<StratColumn id=\"1\" name=\"Stratigraphy\">\n\t\t<Attributes>\n";
    const std::vector<Project::RockUnit>& units = project.rockUnits();
    for (std::size_t index = 0; index < units.size(); ++index) {
        if (units[index].type != 0)
            continue;
        out << "\t\t\t\t<AP><PI>" << index << "</PI>\n";
        attribute(out, 5, "Horizon", escaped(units[index].name));
        colourAttribute(out, 5, "Colour", units[index].colour);
        out << "\t\t\t\t</AP>\n";
    }
    out << "\t\t</Attributes>\n\t</StratColumn>\n";
    return true;
}

bool AbstractKIVExporter::writeLocalities(Project& project, std::ostream& out)
{
    out << "\t<OrientationSymbols id=\"" << takeId() << "\" name=\"Points\" type=\"pointdata\"><Attributes>\n";
    struct Entry
    {
        const char* type;
        int mapStyle;
        int sectionStyle; // -1: none
    };
    const Entry entries[] = {{"Locality", 21, -1}, {"Image Location", 22, -1}, {"Note Location", 2, -1},
                             {"Bearing", 18, 18}};
    int index = 0;
    for (const Entry& entry : entries) {
        out << "\t\t<AP><PI>" << index++ << "</PI>\n";
        attribute(out, 3, "Type", entry.type);
        attribute(out, 3, "Dip Data Map Style", entry.mapStyle);
        if (entry.sectionStyle >= 0)
            attribute(out, 3, "Dip Data Section Style", entry.sectionStyle);
        attribute(out, 3, "Dip Data 3D Style", entry.type == std::string("Bearing") ? 31 : 26);
        out << "\t\t</AP>\n";
    }
    out << "\t</Attributes></OrientationSymbols>\n";

    out << "\t<VertexCloud id=\"" << takeId() << "\" name=\"Localities\">\n\t\t<VertexList>\n";
    for (const std::shared_ptr<Locality>& locality : project.localities()) {
        if (locality->data().empty())
            project.loadLocalityContent(*locality);
        writeVertex(out, locality->latitude(), locality->longitude());
    }
    openCloudAttributes(out, "pointdata");
    out << "\t\t\t</AttributeToObject>\n";
    int entry = 0;
    for (const std::shared_ptr<Locality>& locality : project.localities()) {
        if (!hasPosition(*locality))
            continue;
        out << "\t\t\t<AP><PI>" << entry++ << "</PI>\n";
        attribute(out, 4, "clinoId", xmlId(locality->id()));
        attribute(out, 4, "name", escaped(locality->name()));
        colourAttribute(out, 4, "Vertex_colour", locality->colour());
        positionAttributes(out, *locality, true);
        attribute(out, 4, "Display_text", "1");
        attribute(out, 4, "Size", "200.000");
        attribute(out, 4, "Remarks", escaped(locality->description()));
        attribute(out, 4, "Type", "Locality");
        attribute(out, 4, "Dip Data Symbol Style", "0");
        timeAttributes(out, locality->timeStamp());
        out << "\t\t\t</AP>\n";
    }
    closeCloud(out);
    return true;
}

bool AbstractKIVExporter::writeDips(Project& project, std::ostream& out)
{
    return writeOrientationCategory(project, out, "Dips", "dipdata", Project::Bedding, Project::Joint);
}

bool AbstractKIVExporter::writeFoldStructures(Project& project, std::ostream& out)
{
    return writeOrientationCategory(project, out, "Fold Structures", "foldstructuredata",
                                    Project::Syncline, Project::Antiform);
}

bool AbstractKIVExporter::writeFaultStructures(Project& project, std::ostream& out)
{
    return writeOrientationCategory(project, out, "Fault Structures", "faultstructuredata",
                                    Project::NormalFault, Project::StrikeSlipSinistralFault);
}

bool AbstractKIVExporter::writePoints(Project& project, std::ostream& out)
{
    return writeOrientationCategory(project, out, "Points", "pointdata", Project::Sighting,
                                    Project::Sighting);
}

bool AbstractKIVExporter::writeLineations(Project& project, std::ostream& out)
{
    return writeOrientationCategory(project, out, "Lineations", "lineationdata", Project::Lineation,
                                    Project::FoldAxisSyncline);
}

bool AbstractKIVExporter::writeOrientationCategory(Project& project, std::ostream& out,
                                                   const char* name, const char* dataType,
                                                   int firstIcon, int lastIcon)
{
    const std::string type = dataType;
    const bool points = type == "pointdata";
    const bool lineations = type == "lineationdata";
    std::map<int, int> symbolStyles; // symbol id to its entry in the table
    std::vector<const Project::Symbol*> symbols;
    for (const Project::Symbol& symbol : project.symbols()) {
        if (symbol.iconId >= firstIcon && symbol.iconId <= lastIcon)
            symbols.push_back(&symbol);
    }
    if (symbols.empty())
        return true;

    if (!points) {
        out << "\t<OrientationSymbols id=\"" << takeId() << "\" name=\"" << name << "\" type=\""
            << dataType << "\"><Attributes>\n";
    }
    for (std::size_t index = 0; index < symbols.size(); ++index) {
        const Project::Symbol& symbol = *symbols[index];
        // Sightings all use the Bearing entry of the Points table.
        symbolStyles[symbol.id] = points ? 3 : static_cast<int>(index);
        if (points)
            continue;
        out << "\t\t<AP><PI>" << index << "</PI>\n";
        attribute(out, 3, "Type", escaped(symbol.name));
        attribute(out, 3, "Dip Data Map Style", m_mapStyles[symbol.iconId]);
        attribute(out, 3, "Dip Data Section Style", m_sectionStyles[symbol.iconId]);
        if (!lineations)
            attribute(out, 3, "Dip Data 3D Style", 24);
        out << "\t\t</AP>\n";
    }
    if (!points)
        out << "\t</Attributes></OrientationSymbols>\n";

    for (const std::shared_ptr<Locality>& locality : project.localities()) {
        const int id = takeId();
        std::vector<const Data*> members;
        for (const std::shared_ptr<Data>& datum : locality->data()) {
            const int kind = datum->type();
            if ((kind == Data::Plane || kind == Data::Lineation || kind == Data::Sighting)
                && symbolStyles.count(datum->symbolId()) && hasPosition(*datum))
                members.push_back(datum.get());
        }
        if (members.empty())
            continue;
        const std::string localityName = escaped(locality->name());
        out << "\t<VertexCloud id=\"" << id << "\" name=\"" << localityName << " " << name
            << "\">\n\t\t<VertexList>\n";
        for (const Data* datum : members)
            writeVertex(out, datum->latitude(), datum->longitude());
        openCloudAttributes(out, dataType);
        attribute(out, 4, "Colour_setting", "1");
        out << "\t\t\t</AttributeToObject>\n";
        int entry = 0;
        for (const Data* datum : members) {
            out << "\t\t\t<AP><PI>" << entry++ << "</PI>\n";
            attribute(out, 4, "clinoId", xmlId(datum->id()));
            attribute(out, 4, "Remarks", escaped(datum->comment()));
            if (datum->unitId() != 0 && project.unitField(datum->unitId()) == 0)
                attribute(out, 4, "Horizon", escaped(project.unitName(datum->unitId())));
            positionAttributes(out, *datum, true);
            attribute(out, 4, "declination", declinationOf(*datum));
            timeAttributes(out, datum->timeStamp());
            if (lineations) {
                attribute(out, 4, "plunge", datum->plunge());
                attribute(out, 4, "plunge azimuth", datum->plungeAzimuth());
            } else {
                if (!points)
                    attribute(out, 4, "dip", datum->dip());
                attribute(out, 4, "azimuth", datum->azimuth());
            }
            attribute(out, 4, "Type", escaped(project.symbolName(datum->symbolId())));
            attribute(out, 4, "Dip Data Symbol Style", symbolStyles[datum->symbolId()]);
            attribute(out, 4, "Display_text", "1");
            colourAttribute(out, 4, "Vertex_colour", project.unitColor(datum->unitId()));
            attribute(out, 4, "localityName", localityName);
            out << "\t\t\t</AP>\n";
        }
        closeCloud(out);
        m_elementsByLocality[locality->id()].push_back(id);
    }
    return true;
}

bool AbstractKIVExporter::writeLines(Project& project, std::ostream& out)
{
    for (const std::shared_ptr<Locality>& locality : project.localities()) {
        const std::string localityName = escaped(locality->name());
        for (const std::shared_ptr<LineData2D>& line : locality->lines()) {
            const int id = takeId();
            const char* const element = line->isFilled() ? "Polygon" : "PolyLine";
            out << "\t<" << element << " id=\"" << id << "\" name=\""
                << (line->isFilled() ? "Polygon" : "Line") << id << "\">\n\t\t<VertexList>\n";
            for (const LineData2D::Point& point : line->points())
                writeVertex(out, point.first, point.second);
            out << "\t\t</VertexList>\n\t\t<Attributes>\t\t\t<AttributeToObject>\n";
            if (line->lineStyle() == LineData2D::Dotted)
                attribute(out, 4, "line_style", "3");
            else if (line->lineStyle() == LineData2D::Dashed)
                attribute(out, 4, "line_style", "2");
            attribute(out, 4, "line_width", line->thickness());
            attribute(out, 4, "$Transparency", 1.0 - static_cast<double>(line->opacity()));
            colourAttribute(out, 4, "color", project.unitColor(line->unitId()));
            attribute(out, 4, "clinoId", xmlId(line->id()));
            attribute(out, 4, "note", escaped(line->comment()));
            attribute(out, 4, "localityName", localityName);
            if (project.unitField(line->unitId()) == 0) {
                const QString unitName = project.unitName(line->unitId());
                attribute(out, 4, "Horizon", escaped(unitName));
                m_elementsByUnitName[unitName].push_back(id);
            }
            out << "\t\t\t</AttributeToObject>\n\t\t</Attributes>\n\t</" << element << ">\n";
            m_elementsByLocality[locality->id()].push_back(id);
        }
    }
    return true;
}

bool AbstractKIVExporter::writeImages(Project& project, std::ostream& out)
{
    for (const std::shared_ptr<Locality>& locality : project.localities()) {
        for (const std::shared_ptr<Data>& datum : locality->data()) {
            if (datum->type() != Data::Image)
                continue;
            if (!hasPosition(*datum))
                continue;
            const QString path = exportImagePath(project.folder(), datum->imagePath(), m_missingImages);
            if (path.isEmpty())
                continue;
            if (!m_imageFiles.contains(path))
                m_imageFiles.append(path);
            const int id = takeId();
            const QString& comment = datum->comment();
            QString label = comment;
            if (comment.isEmpty())
                label = QStringLiteral("Image %1").arg(id);
            else if (comment.size() > CommentLabelLength)
                label = comment.left(ShortenedLabelLength) + QStringLiteral("...");
            const std::string escapedLabel = escaped(label);

            double northing = 0.0;
            double easting = 0.0;
            latLongToUTM(datum->latitude(), datum->longitude(), m_zone, northing, easting);
            out << "\t<Image id=\"" << id << "\" name=\"" << escapedLabel << "\">\n"
                << "\t\t<ImageSettings original_file_location=\"\" image_file_name=\""
                << escaped(datum->imagePath()) << "\" downsampled=\"0\" referencing_type =\"point\" />\n"
                << "\t\t<PointsReferencing x=\"" << easting << "\" y=\"" << northing
                << "\" z=\"0\" label=\"" << escapedLabel
                << "\" color=\"#ffffff\" pageNumber=\"0\" symbolID=\"0\" />\n"
                << "\t\t<Attributes>\n\t\t\t<AttributeToObject>\n";
            attribute(out, 4, "Data_Type", "pointdata");
            if (hasHeading(datum->azimuth()))
                attribute(out, 4, "bearing", datum->azimuth());
            positionAttributes(out, *datum, false);
            attribute(out, 4, "declination", declinationOf(*datum));
            timeAttributes(out, datum->timeStamp());
            attribute(out, 4, "localityName", escaped(locality->name()));
            attribute(out, 4, "note", escaped(comment));
            out << "\t\t\t</AttributeToObject>\t\t</Attributes>\n\t</Image>\n";
            m_elementsByLocality[locality->id()].push_back(id);
        }
    }
    return true;
}

bool AbstractKIVExporter::writeAnnotations(Project& project, std::ostream& out)
{
    for (const std::shared_ptr<Locality>& locality : project.localities()) {
        std::vector<const Data*> notes;
        for (const std::shared_ptr<Data>& datum : locality->data()) {
            if (datum->type() == Data::Annotation && hasPosition(*datum))
                notes.push_back(datum.get());
        }
        if (notes.empty())
            continue;
        const int id = takeId();
        const std::string localityName = escaped(locality->name());
        out << "\t<VertexCloud id=\"" << id << "\" name=\"" << localityName
            << " Annotations\">\n\t\t<VertexList>\n";
        for (const Data* note : notes)
            writeVertex(out, note->latitude(), note->longitude());
        openCloudAttributes(out, "fieldbookdata");
        out << "\t\t\t</AttributeToObject>\n";
        int entry = 0;
        for (const Data* note : notes) {
            out << "\t\t\t<AP><PI>" << entry++ << "</PI>\n";
            attribute(out, 4, "clinoId", xmlId(note->id()));
            attribute(out, 4, "Remarks", escaped(note->comment()));
            positionAttributes(out, *note, true);
            attribute(out, 4, "declination", declinationOf(*note));
            timeAttributes(out, note->timeStamp());
            attribute(out, 4, "Size", "100.0");
            attribute(out, 4, "localityName", localityName);
            attribute(out, 4, "Type", "Note");
            attribute(out, 4, "Dip Data Symbol Style", "2");
            out << "\t\t\t</AP>\n";
        }
        closeCloud(out);
        m_elementsByLocality[locality->id()].push_back(id);
    }
    return true;
}

void AbstractKIVExporter::writeSet(std::ostream& out, const std::string& escapedName, const char* type,
                                   const std::vector<int>& elements, const QColor& colour)
{
    out << "<set name=\"" << escapedName << "\" id=\"" << m_nextSetId++ << "\" type=\"" << type
        << "\">\n";
    for (const int element : elements)
        out << "\t<element id=\"" << element << "\" />\n";
    out << "\t<Attributes>\n\t\t<AttributeToObject>\n";
    colourAttribute(out, 4, "color", colour);
    out << "\t\t</AttributeToObject>\n\t</Attributes>\n</set>\n";
}

bool AbstractKIVExporter::writeSets(Project& project, std::ostream& out)
{
    for (const auto& [localityId, elements] : m_elementsByLocality) {
        const std::shared_ptr<Locality> locality = project.locality(localityId);
        if (!locality)
            continue;
        writeSet(out, escaped(locality->name()), "Locality", elements, locality->colour());
    }
    static const std::vector<int> none;
    for (const Project::RockUnit& unit : project.rockUnits()) {
        const auto recorded = m_elementsByUnitName.find(unit.name);
        writeSet(out, escaped(unit.name), "Horizon",
                 recorded == m_elementsByUnitName.end() ? none : recorded->second, unit.colour);
    }
    return true;
}

bool AbstractKIVExporter::writeViewsAndFooter(Project&, std::ostream& out)
{
    const char* const viewTypes[] = {"3DView", "2DMapView"};
    out << "<Views>\n";
    for (const char* type : viewTypes) {
        out << "\t<View type=\"" << type
            << "\" xy_units=\"metres\" z_units=\"metres\" z_type=\"elevation\" z_direction=\"positive\" "
               "z_rendering=\"elevation\" z_exaggeration=\"1\" snapshot_id=\"0\"></View>\n";
    }
    out << "</Views>\n</GeoList>\n";
    return true;
}

} // namespace kiv
