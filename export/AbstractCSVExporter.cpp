#include "export/AbstractCSVExporter.h"

#include "app/ApplicationManager.h"
#include "export/CSVText.h"
#include "export/ExportText.h"
#include "export/UTM.h"
#include "model/Data.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/Project.h"

#include <QDebug>
#include <QFile>

#include <cmath>
#include <iomanip>
#include <vector>

namespace kiv {

namespace {

enum class Numbers { Fixed6, Fixed8, General };

// One output file. A file that failed stays failed and takes no more lines,
// so the other files are still written.
class CsvFile
{
public:
    CsvFile(const QString& path, Numbers numbers)
        : m_file(path)
        , m_numbers(classicStream())
    {
        if (numbers == Numbers::Fixed6)
            m_numbers << std::fixed << std::setprecision(6);
        else if (numbers == Numbers::Fixed8)
            m_numbers << std::fixed << std::setprecision(8);
        m_ok = m_file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        if (!m_ok)
            qWarning() << "CSV export: cannot create" << path << m_file.errorString();
    }

    QString path() const { return m_file.fileName(); }

    std::string number(double value)
    {
        m_numbers.str(std::string());
        m_numbers << value;
        return m_numbers.str();
    }

    void writeLine(const std::string& line)
    {
        if (!m_ok)
            return;
        const std::string text = line + ExportLineBreak;
        const qint64 size = static_cast<qint64>(text.size());
        // Buffered: a failed write shows here or in close()'s flush.
        m_ok = m_file.write(text.data(), size) == size;
        if (!m_ok)
            qWarning() << "CSV export: cannot write" << path() << m_file.errorString();
    }

    bool close()
    {
        if (m_file.isOpen()) {
            m_file.close();
            if (m_file.error() != QFileDevice::NoError) {
                qWarning() << "CSV export: cannot close" << path() << m_file.errorString();
                m_ok = false;
            }
        }
        return m_ok;
    }

private:
    QFile m_file;
    std::ostringstream m_numbers;
    bool m_ok = false;
};

// The cells of one row in the number format of its file.
class Row
{
public:
    explicit Row(CsvFile& file)
        : m_file(file)
    {
    }

    Row& text(const std::string& cell)
    {
        m_cells.push_back(cell);
        return *this;
    }
    Row& text(const QString& cell) { return text(csvText(cell)); }
    Row& number(double value) { return text(m_file.number(value)); }
    Row& time(qint64 secondsSinceEpoch) { return text(ctimeString(secondsSinceEpoch)); }

    // x, y, latitude, longitude, zone; no UTM cells for a point off the globe.
    Row& position(double latitude, double longitude)
    {
        if (!hasGeographicPosition(latitude, longitude))
            return text(std::string()).text(std::string()).number(latitude).number(longitude).text(std::string());
        double northing = 0.0;
        double easting = 0.0;
        char zone[UtmZoneTextSize] = {};
        latLongToUTMWithZone(latitude, longitude, northing, easting, zone);
        return number(easting).number(northing).number(latitude).number(longitude).text(std::string(zone));
    }

    Row& located(const LocatedObject& object)
    {
        return position(object.latitude(), object.longitude())
            .number(object.altitude())
            .number(object.horizontalAccuracy())
            .number(object.verticalAccuracy());
    }

    void write(const char* separator = ", ")
    {
        std::string line;
        for (std::size_t i = 0; i < m_cells.size(); ++i) {
            if (i > 0)
                line += separator;
            line += m_cells[i];
        }
        m_file.writeLine(line);
    }

private:
    CsvFile& m_file;
    std::vector<std::string> m_cells;
};

double declinationOf(const Data& datum)
{
    return datum.declination() == Data::NoDeclination ? 0.0 : datum.declination();
}

float strikeOf(const Data& datum)
{
    float strike = static_cast<float>(static_cast<double>(datum.azimuth()) - 90.0);
    while (std::isfinite(strike) && strike < 0.0f)
        strike += 360.0f;
    return strike;
}

const char* lineStyleName(int style)
{
    switch (style) {
    case LineData2D::Dotted: return "dotted";
    case LineData2D::Dashed: return "dashed";
    default: return "solid";
    }
}

std::string unitTypeName(int type)
{
    switch (type) {
    case 0: return "horizon";
    case 1: return "fault";
    case 2: return "contact";
    default: return std::to_string(type);
    }
}

const char* const StratColumnHeader[] = {
    "Brackwater,Zentrix2.0 v1.0",
    "Stratigraphy,Stratigraphy,Stratigraphy,Stratigraphy,Stratigraphy,Stratigraphy",
    "Text,Color,Text,Real,Real,Integer",
    "Horizon,Colour,Rock Type,Age,Thickness,horizonId",
    "#0000FF,#0000CD,#00009B,#000069,,,",
    "n/a,n/a,n/a,n/a,n/a,n/a",
    "dimensionless,dimensionless,dimensionless,dimensionless,dimensionless,dimensionless",
};

// The eight files written while walking the localities.
struct DataFiles
{
    explicit DataFiles(const QDir& folder)
        : localities(folder.absoluteFilePath(QStringLiteral("localities.csv")), Numbers::Fixed6)
        , planes(folder.absoluteFilePath(QStringLiteral("plane.csv")), Numbers::Fixed6)
        , lineations(folder.absoluteFilePath(QStringLiteral("line.csv")), Numbers::Fixed6)
        , sightings(folder.absoluteFilePath(QStringLiteral("sighting.csv")), Numbers::Fixed6)
        , images(folder.absoluteFilePath(QStringLiteral("image.csv")), Numbers::Fixed6)
        , notes(folder.absoluteFilePath(QStringLiteral("note.csv")), Numbers::Fixed6)
        , points(folder.absoluteFilePath(QStringLiteral("polyline.csv")), Numbers::Fixed8)
        , lines(folder.absoluteFilePath(QStringLiteral("polyline-attributes.csv")), Numbers::General)
    {
        const std::string located = "localityId, localityName, dataId, x, y, latitude, longitude, zone, "
                                    "altitude, horiz_precision, vert_precision, ";
        localities.writeLine("localityId, name, x, y, latitude, longitude, zone, altitude, "
                             "horiz_precision, vert_precision, timedate, description");
        planes.writeLine(located + "planeType, dip, dipAzimuth, strike, declination, rockUnit, timedate, notes");
        lineations.writeLine(located + "lineationType, plunge, plungeAzimuth, declination, rockUnit, timedate, notes");
        sightings.writeLine(located + "azimuth, declination, rockUnit, timedate, notes");
        images.writeLine(located + "heading, image name, timedate, notes");
        notes.writeLine(located + "timedate, notes");
        points.writeLine("dataId, x, y, latitude, longitude, zone");
        lines.writeLine("localityId, localityName, dataId, rockUnit, thickness, opacity, style, filled, timedate, notes");
    }

    bool close()
    {
        bool ok = true;
        for (CsvFile* file : {&localities, &planes, &lineations, &sightings, &images, &notes, &points, &lines})
            ok = file->close() && ok;
        return ok;
    }

    CsvFile localities, planes, lineations, sightings, images, notes, points, lines;
};

Row datumRow(CsvFile& file, const Locality& locality, const Data& datum)
{
    Row row(file);
    row.text(locality.id()).text(locality.name()).text(datum.id()).located(datum);
    return row;
}

// Declination, rock unit, time and notes: the end of every measured row.
void writeMeasured(Row& row, const Project& project, const Data& datum)
{
    row.number(declinationOf(datum))
        .text(project.unitName(datum.unitId()))
        .time(datum.timeStamp())
        .text(datum.comment())
        .write();
}

void writeDatum(DataFiles& files, const Project& project, const Locality& locality, const Data& datum)
{
    switch (datum.type()) {
    case Data::Plane: {
        Row row = datumRow(files.planes, locality, datum);
        row.text(project.symbolName(datum.symbolId()))
            .number(datum.dip())
            .number(datum.azimuth())
            .number(strikeOf(datum));
        writeMeasured(row, project, datum);
        break;
    }
    case Data::Lineation: {
        Row row = datumRow(files.lineations, locality, datum);
        row.text(project.symbolName(datum.symbolId()))
            .number(datum.plunge())
            .number(datum.plungeAzimuth());
        writeMeasured(row, project, datum);
        break;
    }
    case Data::Sighting: {
        Row row = datumRow(files.sightings, locality, datum);
        row.number(datum.azimuth());
        writeMeasured(row, project, datum);
        break;
    }
    case Data::Image:
        datumRow(files.images, locality, datum)
            .number(datum.azimuth())
            .text(datum.imagePath())
            .time(datum.timeStamp())
            .text(datum.comment())
            .write();
        break;
    case Data::Annotation:
        datumRow(files.notes, locality, datum).time(datum.timeStamp()).text(datum.comment()).write();
        break;
    default:
        break;
    }
}

void writeLine(DataFiles& files, const Project& project, const Locality& locality, const LineData2D& line)
{
    const auto writePoint = [&](const LineData2D::Point& point) {
        Row(files.points).text(line.id()).position(point.first, point.second).write();
    };
    for (const LineData2D::Point& point : line.points())
        writePoint(point);
    if (line.isFilled() && line.pointCount() > 0)
        writePoint(line.points().front());
    files.points.writeLine(std::string());

    Row(files.lines)
        .text(locality.id())
        .text(locality.name())
        .text(line.id())
        .text(project.unitName(line.unitId()))
        .number(line.thickness())
        .number(line.opacity())
        .text(std::string(lineStyleName(line.lineStyle())))
        .text(std::string(line.isFilled() ? "1" : "0"))
        .time(line.timeStamp())
        .text(line.comment())
        .write();
}

void writeLocality(DataFiles& files, Project& project, Locality& locality)
{
    // Content read only for the export is dropped again, so an export does
    // not keep the whole project in memory.
    const bool load = locality.data().empty() && locality.lines().empty();
    if (load)
        project.loadLocalityContent(locality);

    Row(files.localities)
        .text(locality.id())
        .text(locality.name())
        .located(locality)
        .time(locality.timeStamp())
        .text(locality.description())
        .write();
    for (const std::shared_ptr<Data>& datum : locality.data())
        writeDatum(files, project, locality, *datum);
    for (const std::shared_ptr<LineData2D>& line : locality.lines())
        writeLine(files, project, locality, *line);

    if (load)
        locality.clear();
}

bool writeStratColumn(const Project& project, CsvFile& file)
{
    for (const char* line : StratColumnHeader)
        file.writeLine(line);
    for (const Project::RockUnit& unit : project.rockUnits()) {
        if (unit.type != 0)
            continue;
        Row(file)
            .text(unit.name)
            .text(unit.colour.name().toStdString())
            .text(std::string("Default"))
            .text(std::string("0."))
            .text(std::string("0."))
            .text(std::to_string(unit.id))
            .write(",");
    }
    return file.close();
}

bool writeRockUnits(const Project& project, CsvFile& file)
{
    file.writeLine("unitId, type, color, name");
    for (const Project::RockUnit& unit : project.rockUnits()) {
        Row(file)
            .text(std::to_string(unit.id))
            .text(unitTypeName(unit.type))
            .text(unit.colour.name().toStdString())
            .text(unit.name)
            .write();
    }
    return file.close();
}

} // namespace

AbstractCSVExporter::~AbstractCSVExporter() = default;

bool AbstractCSVExporter::exportProject(Project* project)
{
    return project && exportProject(*project);
}

bool AbstractCSVExporter::exportProject(Project& project)
{
    const QDir& folder = project.folder();
    bool ok = true;
    QStringList paths;
    {
        DataFiles files(folder);
        for (const std::shared_ptr<Locality>& locality : project.localities())
            writeLocality(files, project, *locality);
        ok = files.close();
        paths << files.localities.path() << files.planes.path() << files.lineations.path()
              << files.sightings.path() << files.images.path() << files.notes.path();
        CsvFile stratColumn(folder.absoluteFilePath(QStringLiteral("stratcolumn.csv")), Numbers::Fixed6);
        ok = writeStratColumn(project, stratColumn) && ok;
        CsvFile rockUnits(folder.absoluteFilePath(QStringLiteral("rock-units.csv")), Numbers::Fixed6);
        ok = writeRockUnits(project, rockUnits) && ok;
        paths << stratColumn.path() << rockUnits.path() << files.points.path() << files.lines.path();
    }
    if (ApplicationManager* application = ApplicationManager::instance())
        emit application->fileSystemChanged(paths);
    return ok;
}

} // namespace kiv
