#include "export/AbstractCSVExporter.h"

#include "app/ApplicationManager.h"
#include "export/CSVText.h"
#include "export/ExportArchivePath.h"
#include "export/ExportLeftovers.h"
#include "export/ExportText.h"
#include "export/UTM.h"
#include "model/Data.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/ProjectFile.h"
#include "model/Project.h"
#include "model/Strike.h"

#include <QDebug>
#include <QFile>

#include <charconv>
#include <cmath>
#include <string>
#include <unordered_map>

namespace kiv {

namespace {

enum class Numbers { Fixed6, Fixed8, General };

// Bytes gathered before they go to the disk: few large writes.
constexpr std::size_t FlushSize = 1 << 20;

// One output file. A file that failed stays failed and takes no more lines,
// so the other files are still written. The lines go to a fresh file beside
// the target, noted in the export's journal, which replaces the target when
// complete: a link placed under the target's name is replaced, never written
// through, and a failed export keeps the old file.
class CsvFile
{
public:
    CsvFile(const QDir& folder, const char* name, ExportLeftovers& journal, Numbers numbers)
        : m_path(folder.absoluteFilePath(QLatin1String(name)))
        , m_file(journal.partPath(m_path))
        , m_numbers(numbers)
    {
        m_ok = journal.createPart(m_file);
        if (!m_ok)
            qWarning() << "CSV export: cannot create a file beside" << m_path << m_file.errorString();
        else
            m_buffer.reserve(FlushSize + 4096);
    }

    // Never closed: the file was not complete.
    ~CsvFile()
    {
        if (!m_file.isOpen())
            return;
        m_file.close();
        QFile::remove(m_file.fileName());
    }

    QString path() const { return m_path; }

    // The C library's "%.6f", "%.8f" or "%g" in the classic locale, without
    // its locale look-ups and allocations.
    void appendNumber(double value)
    {
        char text[400];
        const std::to_chars_result result = m_numbers == Numbers::General
            ? std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6)
            : std::to_chars(text, text + sizeof text, value, std::chars_format::fixed,
                            m_numbers == Numbers::Fixed8 ? 8 : 6);
        m_buffer.append(text, result.ec == std::errc() ? result.ptr : text);
    }

    std::string& buffer() { return m_buffer; }

    void endLine()
    {
        m_buffer += ExportLineBreak;
        if (m_buffer.size() >= FlushSize)
            flush();
    }

    void writeLine(const std::string& line)
    {
        m_buffer += line;
        endLine();
    }

    bool close()
    {
        flush();
        if (!m_file.isOpen())
            return m_ok;
        m_file.close();
        if (m_file.error() != QFileDevice::NoError) {
            qWarning() << "CSV export: cannot close" << m_file.fileName() << m_file.errorString();
            m_ok = false;
        }
        if (m_ok)
            m_ok = ProjectFile::replaceFile(m_file.fileName(), m_path);
        if (!m_ok)
            QFile::remove(m_file.fileName());
        return m_ok;
    }

private:
    void flush()
    {
        if (m_ok && !m_buffer.empty()) {
            const qint64 size = static_cast<qint64>(m_buffer.size());
            m_ok = m_file.write(m_buffer.data(), size) == size;
            if (!m_ok)
                qWarning() << "CSV export: cannot write" << path() << m_file.errorString();
        }
        m_buffer.clear();
    }

    QString m_path;
    QFile m_file;
    Numbers m_numbers;
    std::string m_buffer;
    bool m_ok = false;
};

// Texts that repeat over many rows, cleaned once per export.
class TextCache
{
public:
    explicit TextCache(const Project& project)
        : m_project(project)
    {
    }

    const std::string& unitName(int id)
    {
        return lookUp(m_units, id, [this](int unit) { return m_project.unitName(unit); });
    }
    const std::string& symbolName(int id)
    {
        return lookUp(m_symbols, id, [this](int symbol) { return m_project.symbolName(symbol); });
    }
    // Data of one locality are often stored within the same second.
    const std::string& time(qint64 secondsSinceEpoch)
    {
        if (!m_hasTime || secondsSinceEpoch != m_lastTime) {
            m_timeText = ctimeString(secondsSinceEpoch);
            m_lastTime = secondsSinceEpoch;
            m_hasTime = true;
        }
        return m_timeText;
    }

private:
    template <typename Name>
    const std::string& lookUp(std::unordered_map<int, std::string>& cache, int id, Name name)
    {
        auto found = cache.find(id);
        if (found == cache.end())
            found = cache.emplace(id, csvText(name(id))).first;
        return found->second;
    }

    const Project& m_project;
    std::unordered_map<int, std::string> m_units;
    std::unordered_map<int, std::string> m_symbols;
    qint64 m_lastTime = 0;
    bool m_hasTime = false;
    std::string m_timeText;
};

// The cells of one row, appended straight to its file in the file's number
// format; the row ends with write().
class Row
{
public:
    explicit Row(CsvFile& file, const char* separator = ", ")
        : m_file(file)
        , m_separator(separator)
    {
    }

    Row& text(const std::string& cell)
    {
        next().append(cell);
        return *this;
    }
    Row& text(const char* cell)
    {
        next().append(cell);
        return *this;
    }
    Row& text(const QString& cell) { return text(csvText(cell)); }
    Row& number(double value)
    {
        next();
        m_file.appendNumber(value);
        return *this;
    }

    // x, y, latitude, longitude, zone; all empty for a point off the globe,
    // which a reader would otherwise place at (999, 999).
    Row& position(double latitude, double longitude)
    {
        if (!hasGeographicPosition(latitude, longitude))
            return text("").text("").text("").text("").text("");
        double northing = 0.0;
        double easting = 0.0;
        char zone[UtmZoneTextSize] = {};
        latLongToUTMWithZone(latitude, longitude, northing, easting, zone);
        return number(easting).number(northing).number(latitude).number(longitude).text(zone);
    }

    Row& located(const LocatedObject& object)
    {
        return position(object.latitude(), object.longitude())
            .number(object.altitude())
            .number(object.horizontalAccuracy())
            .number(object.verticalAccuracy());
    }

    void write() { m_file.endLine(); }

private:
    std::string& next()
    {
        std::string& buffer = m_file.buffer();
        if (m_cells++ > 0)
            buffer += m_separator;
        return buffer;
    }

    CsvFile& m_file;
    const char* m_separator;
    int m_cells = 0;
};

double declinationOf(const Data& datum)
{
    return datum.declination() == Data::NoDeclination ? 0.0 : datum.declination();
}

float strikeOf(const Data& datum)
{
    return strikeFromDipAzimuth(datum.azimuth());
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

// The names of all ten files.
const char* const FileNames[] = {
    AbstractCSVExporter::LocalitiesFile,  AbstractCSVExporter::PlanesFile,     AbstractCSVExporter::LineationsFile,
    AbstractCSVExporter::SightingsFile,   AbstractCSVExporter::ImagesFile,     AbstractCSVExporter::NotesFile,
    AbstractCSVExporter::StratColumnFile, AbstractCSVExporter::RockUnitsFile,  AbstractCSVExporter::LinePointsFile,
    AbstractCSVExporter::LineAttributesFile,
};

// The eight files written while walking the localities.
struct DataFiles
{
    DataFiles(const QDir& folder, const Project& project, ExportLeftovers& journal)
        : texts(project)
        , localities(folder, AbstractCSVExporter::LocalitiesFile, journal, Numbers::Fixed6)
        , planes(folder, AbstractCSVExporter::PlanesFile, journal, Numbers::Fixed6)
        , lineations(folder, AbstractCSVExporter::LineationsFile, journal, Numbers::Fixed6)
        , sightings(folder, AbstractCSVExporter::SightingsFile, journal, Numbers::Fixed6)
        , images(folder, AbstractCSVExporter::ImagesFile, journal, Numbers::Fixed6)
        , notes(folder, AbstractCSVExporter::NotesFile, journal, Numbers::Fixed6)
        , points(folder, AbstractCSVExporter::LinePointsFile, journal, Numbers::Fixed8)
        , lines(folder, AbstractCSVExporter::LineAttributesFile, journal, Numbers::General)
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

    TextCache texts;
    // Id and name of the locality being written, the start of its rows.
    std::string localityCells;
    CsvFile localities, planes, lineations, sightings, images, notes, points, lines;
};

Row datumRow(DataFiles& files, CsvFile& file, const Data& datum)
{
    Row row(file);
    row.text(files.localityCells).text(csvText(datum.id())).located(datum);
    return row;
}

// Declination, rock unit, time and notes: the end of every measured row.
void writeMeasured(Row& row, DataFiles& files, const Data& datum)
{
    row.number(declinationOf(datum))
        .text(files.texts.unitName(datum.unitId()))
        .text(files.texts.time(datum.timeStamp()))
        .text(datum.comment())
        .write();
}

void writeDatum(DataFiles& files, const Data& datum)
{
    switch (datum.type()) {
    case Data::Plane: {
        Row row = datumRow(files, files.planes, datum);
        row.text(files.texts.symbolName(datum.symbolId()))
            .number(datum.dip())
            .number(datum.azimuth())
            .number(strikeOf(datum));
        writeMeasured(row, files, datum);
        break;
    }
    case Data::Lineation: {
        Row row = datumRow(files, files.lineations, datum);
        row.text(files.texts.symbolName(datum.symbolId()))
            .number(datum.plunge())
            .number(datum.plungeAzimuth());
        writeMeasured(row, files, datum);
        break;
    }
    case Data::Sighting: {
        Row row = datumRow(files, files.sightings, datum);
        row.number(datum.azimuth());
        writeMeasured(row, files, datum);
        break;
    }
    case Data::Image: {
        Row row = datumRow(files, files.images, datum);
        if (hasHeading(datum.azimuth()))
            row.number(datum.azimuth());
        else
            row.text("");
        row.text(datum.imagePath())
            .text(files.texts.time(datum.timeStamp()))
            .text(datum.comment())
            .write();
        break;
    }
    case Data::Annotation:
        datumRow(files, files.notes, datum).text(files.texts.time(datum.timeStamp())).text(datum.comment()).write();
        break;
    default:
        break;
    }
}

void writeLine(DataFiles& files, const LineData2D& line)
{
    const std::string lineId = csvText(line.id());
    const auto writePoint = [&](const LineData2D::Point& point) {
        Row(files.points).text(lineId).position(point.first, point.second).write();
    };
    for (const LineData2D::Point& point : line.points())
        writePoint(point);
    if (line.isFilled() && line.pointCount() > 0)
        writePoint(line.points().front());
    files.points.writeLine(std::string());

    Row(files.lines)
        .text(files.localityCells)
        .text(lineId)
        .text(files.texts.unitName(line.unitId()))
        .number(line.thickness())
        .number(line.opacity())
        .text(lineStyleName(line.lineStyle()))
        .text(line.isFilled() ? "1" : "0")
        .text(files.texts.time(line.timeStamp()))
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

    files.localityCells = csvText(locality.id()) + ", " + csvText(locality.name());
    Row(files.localities)
        .text(files.localityCells)
        .located(locality)
        .text(files.texts.time(locality.timeStamp()))
        .text(locality.description())
        .write();
    for (const std::shared_ptr<Data>& datum : locality.data())
        writeDatum(files, *datum);
    for (const std::shared_ptr<LineData2D>& line : locality.lines())
        writeLine(files, *line);

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
        Row(file, ",")
            .text(unit.name)
            .text(unit.colour.name().toStdString())
            .text("Default")
            .text("0.")
            .text("0.")
            .text(std::to_string(unit.id))
            .write();
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
    ExportLeftovers journal;
    QStringList parts;
    for (const char* name : FileNames)
        parts << journal.partPath(folder.absoluteFilePath(QLatin1String(name)));
    if (!journal.noteParts(parts))
        return false;
    bool ok = true;
    QStringList paths;
    {
        DataFiles files(folder, project, journal);
        for (const std::shared_ptr<Locality>& locality : project.localities())
            writeLocality(files, project, *locality);
        ok = files.close();
        paths << files.localities.path() << files.planes.path() << files.lineations.path()
              << files.sightings.path() << files.images.path() << files.notes.path();
        CsvFile stratColumn(folder, StratColumnFile, journal, Numbers::Fixed6);
        ok = writeStratColumn(project, stratColumn) && ok;
        CsvFile rockUnits(folder, RockUnitsFile, journal, Numbers::Fixed6);
        ok = writeRockUnits(project, rockUnits) && ok;
        paths << stratColumn.path() << rockUnits.path() << files.points.path() << files.lines.path();
    }
    if (ApplicationManager* application = ApplicationManager::instance())
        emit application->fileSystemChanged(paths);
    return ok;
}

} // namespace kiv
