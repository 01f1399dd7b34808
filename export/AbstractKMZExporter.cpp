#include "export/AbstractKMZExporter.h"

#include "export/ExportArchivePath.h"
#include "model/Data.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/Project.h"
#include "model/Strike.h"
#include "model/ProjectFile.h"

#include <QDebug>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <iomanip>

namespace kiv {

namespace {

const char* const KmlNamespace = "http://earth.google.com/kml/2.0";
const char* const PointHotspot = "<hotspot x=\"0.5\" y=\"0.5\" xunits=\"fraction\" yunits=\"fraction\"/>";

// Opens an element on its own line and indents what follows.
struct Scope
{
    Scope(std::ostream& stream, Indentation& indentation, const std::string& startTag,
          const std::string& endTag)
        : stream(stream)
        , indentation(indentation)
        , endTag(endTag)
    {
        writeIndent(stream, indentation);
        stream << startTag << ExportLineBreak;
        ++indentation.level;
    }
    ~Scope()
    {
        --indentation.level;
        writeIndent(stream, indentation);
        stream << endTag << ExportLineBreak;
    }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

    std::ostream& stream;
    Indentation& indentation;
    std::string endTag;
};

void writeLine(std::ostream& stream, const Indentation& indentation, const std::string& text)
{
    writeIndent(stream, indentation);
    stream << text << ExportLineBreak;
}

void writeElement(std::ostream& stream, const Indentation& indentation, const std::string& tag,
                  const std::string& text)
{
    writeLine(stream, indentation, "<" + tag + ">" + text + "</" + tag + ">");
}

// Escaped for XML, with the file's line breaks.
std::string kmlText(const QString& text)
{
    return crlfLineBreaks(xmlEscapedUtf8(text));
}

// Ids come from stored records; one that is no record id gets a safe name.
std::string iconFileName(const std::string& id)
{
    return ProjectFile::fileNameForId(QString::fromStdString(id)).toStdString() + ".png";
}

std::string fixed6(double value)
{
    std::ostringstream stream = classicStream();
    stream << std::fixed << std::setprecision(6) << value;
    return stream.str();
}

std::string coordinates(double latitude, double longitude)
{
    return fixed6(longitude) + "," + fixed6(latitude);
}

void writeTimeStamp(std::ostream& stream, Indentation& indentation, qint64 seconds)
{
    Scope timeStamp(stream, indentation, "<TimeStamp>", "</TimeStamp>");
    writeElement(stream, indentation, "when", kmlTimeString(seconds));
}

void writePoint(std::ostream& stream, Indentation& indentation, const std::string& ownerId,
                double latitude, double longitude)
{
    if (!hasGeographicPosition(latitude, longitude))
        return;
    Scope point(stream, indentation, "<Point id=\"" + ownerId + "point\">", "</Point>");
    writeElement(stream, indentation, "coordinates", coordinates(latitude, longitude));
}

void writeSnippetAndDescription(std::ostream& stream, const Indentation& indentation,
                                const std::string& text)
{
    writeLine(stream, indentation, "<Snippet maxLines=\"2\">" + text + "</Snippet>");
    writeElement(stream, indentation, "description", text);
}

std::string declinationText(float declination)
{
    const bool none = !std::isfinite(declination) || declination == Data::NoDeclination;
    return formatAngle(none ? 0.0 : declination, 2);
}

// "H" for (nearly) horizontal, "V" for (nearly) vertical, else nothing.
std::string dipClass(float dip)
{
    if (dip <= 2.0f)
        return "H";
    if (dip >= 88.0f)
        return "V";
    return {};
}

} // namespace

AbstractKMZExporter::AbstractKMZExporter(Task* owningTask)
    : m_owningTask(owningTask)
{
}

AbstractKMZExporter::~AbstractKMZExporter() = default;

bool AbstractKMZExporter::exportProject(Project& project, bool strikeRHR)
{
    m_strikeRHR = strikeRHR;
    bool ok = writeKml(project);
    if (ok)
        ok = package(project, m_imageFiles);
    cleanUp(project);
    return ok;
}

bool AbstractKMZExporter::exportProject(Project* project, bool strikeRHR)
{
    return project && exportProject(*project, strikeRHR);
}

QString AbstractKMZExporter::workFolder() const
{
    return m_workFolder;
}

QString AbstractKMZExporter::documentPath() const
{
    return m_workFolder.isEmpty() ? QString() : m_workFolder + QStringLiteral("/doc.kml");
}

void AbstractKMZExporter::cleanUp(Project&)
{
    // The folder goes with everything in it.
    m_workFiles.finish();
    m_workFolder.clear();
}

bool AbstractKMZExporter::writeKml(Project& project)
{
    m_styleIds.clear();
    m_styleIdsByKey.clear();
    m_imageFiles.clear();
    m_missingImages.clear();

    m_workFolder = createExportWorkFolder(m_workFiles);
    if (m_workFolder.isEmpty())
        return false;
    QFile file(documentPath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        qWarning() << "AbstractKMZExporter::writeKml: cannot create" << file.fileName()
                   << file.errorString();
        return false;
    }

    std::ostringstream header = classicStream();
    header << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" << ExportLineBreak << "<kml xmlns=\""
           << KmlNamespace << "\">" << ExportLineBreak << "<Document>" << ExportLineBreak;
    Indentation indentation{1};
    writeElement(header, indentation, "name", kmlText(project.name()));
    writeSnippetAndDescription(header, indentation, kmlText(project.description()));
    writeTimeStamp(header, indentation, project.timeStamp());

    // A locality list that cannot be read would give an archive that looks
    // complete but lacks the data.
    if (!project.load(false)) {
        qWarning() << "AbstractKMZExporter::writeKml: cannot read the localities of"
                   << project.pathString();
        return false;
    }

    std::ostringstream styles = classicStream();
    std::ostringstream folders = classicStream();
    folders << std::fixed << std::setprecision(6);
    for (const std::shared_ptr<Locality>& locality : project.localities()) {
        if (!writeLocalityFolder(project, locality, folders, styles, indentation))
            return false;
    }

    const std::string end = std::string("</Document>") + ExportLineBreak + "</kml>" + ExportLineBreak;
    for (const std::string& part : {header.str(), styles.str(), folders.str(), end}) {
        if (file.write(part.data(), static_cast<qint64>(part.size())) != static_cast<qint64>(part.size())) {
            qWarning() << "AbstractKMZExporter::writeKml: cannot write" << file.fileName()
                       << file.errorString();
            return false;
        }
    }
    file.close();
    if (file.error() != QFileDevice::NoError) {
        qWarning() << "AbstractKMZExporter::writeKml: cannot close" << file.fileName()
                   << file.errorString();
        return false;
    }
    return true;
}

bool AbstractKMZExporter::writeLocalityFolder(Project& project, std::shared_ptr<Locality> locality,
                                              std::ostream& folders, std::ostream& styles,
                                              Indentation& indentation)
{
    const std::string id = xmlId(locality->id());
    const std::string name = kmlText(locality->name());
    const std::string description = kmlText(locality->description());
    {
        Scope folder(folders, indentation, "<Folder id=\"" + id + "folder\">", "</Folder>");
        writeElement(folders, indentation, "name", name);
        writeTimeStamp(folders, indentation, locality->timeStamp());
        writeLine(folders, indentation, "<!-- Locality placemark -->");
        {
            Scope placemark(folders, indentation, "<Placemark id=\"" + id + "placemark\">",
                            "</Placemark>");
            writeElement(folders, indentation, "name", name);
            writeSnippetAndDescription(folders, indentation, description);
            writeTimeStamp(folders, indentation, locality->timeStamp());
            {
                Scope style(folders, indentation, "<Style id=\"" + id + "style\">", "</Style>");
                Scope iconStyle(folders, indentation, "<IconStyle>", "</IconStyle>");
                {
                    Scope icon(folders, indentation, "<Icon>", "</Icon>");
                    const std::string iconFile = iconFileName(locality->id());
                    if (!writeLocalityIcon(project, locality, iconFile))
                        return false;
                    writeElement(folders, indentation, "href", iconFile);
                }
                writeLine(folders, indentation,
                          "<hotspot x=\"0.5\" y=\"1.0\" xunits=\"fraction\" yunits=\"fraction\"/>");
            }
            writePoint(folders, indentation, id, locality->latitude(), locality->longitude());
        }
        writeLine(folders, indentation, "<!-- Start locality data -->");
        project.loadLocalityContent(*locality);

        for (const std::shared_ptr<Data>& datum : locality->data()) {
            bool written = true;
            switch (datum->type()) {
            case Data::Plane:
            case Data::Lineation:
            case Data::Sighting:
                written = writeOrientationPlacemark(project, datum, folders, styles, indentation);
                break;
            case Data::Annotation:
                written = writeNotePlacemark(project, datum, folders, styles, indentation);
                break;
            case Data::Image:
                written = writeImagePlacemark(project, datum, folders, styles, indentation);
                break;
            default:
                break;
            }
            if (!written)
                return false;
        }
        for (const std::shared_ptr<LineData2D>& line : locality->lines()) {
            if (!writeLinePlacemark(project, line, folders, indentation))
                return false;
        }
        writeLine(folders, indentation, "<!-- End locality data -->");
    }
    return true;
}

std::string AbstractKMZExporter::dataStyleId(Project& project, std::shared_ptr<Data> datum,
                                             std::ostream& styles, Indentation&)
{
    const int kind = datum->type();
    if (kind < Data::Plane || kind > Data::Sighting)
        return {};
    const bool withIds = kind == Data::Plane || kind == Data::Lineation || kind == Data::Sighting;
    std::string suffix;
    if (kind == Data::Plane)
        suffix = dipClass(datum->dip());
    else if (kind == Data::Lineation)
        suffix = dipClass(datum->plunge());
    const StyleKey key{kind, withIds ? datum->unitId() : 0, withIds ? datum->symbolId() : 0, suffix};
    const auto known = m_styleIdsByKey.find(key);
    if (known != m_styleIdsByKey.end())
        return known->second;

    std::string base = std::to_string(kind);
    if (withIds)
        base += std::to_string(datum->unitId()) + std::to_string(datum->symbolId());
    base += suffix;
    // Concatenated ids can meet ("11"+"6" and "1"+"16"); the later style
    // gets a counter so it keeps its own colour and symbol.
    std::string id = base;
    for (int n = 2; std::find(m_styleIds.begin(), m_styleIds.end(), id) != m_styleIds.end(); ++n)
        id = base + "_" + std::to_string(n);

    Indentation styleIndentation{1};
    if (!writeIconStyle(project, styles, styleIndentation, id, datum))
        return {};
    m_styleIds.push_back(id);
    m_styleIdsByKey.emplace(key, id);
    return id;
}

bool AbstractKMZExporter::writeIconStyle(Project& project, std::ostream& styles,
                                         Indentation& indentation, const std::string& id,
                                         std::shared_ptr<Data> datum)
{
    const std::string iconFile = iconFileName(datum->id());
    Scope style(styles, indentation, "<Style id=\"" + id + "\">", "</Style>");
    Scope iconStyle(styles, indentation, "<IconStyle>", "</IconStyle>");
    {
        Scope icon(styles, indentation, "<Icon>", "</Icon>");
        if (!writeDataIcon(project, datum, iconFile))
            return false;
        writeElement(styles, indentation, "href", iconFile);
    }
    writeLine(styles, indentation,
              datum->type() == Data::Annotation
                  ? "<hotspot x=\"0.0\" y=\"0.0\" xunits=\"fraction\" yunits=\"fraction\"/>"
                  : PointHotspot);
    return true;
}

bool AbstractKMZExporter::writeOrientationPlacemark(Project& project, std::shared_ptr<Data> datum,
                                                    std::ostream& folders, std::ostream& styles,
                                                    Indentation& indentation)
{
    double first = datum->azimuth();
    double azimuth = datum->azimuth();
    double heading = datum->azimuth();
    if (datum->type() == Data::Plane) {
        first = datum->dip();
        if (m_strikeRHR)
            azimuth = strikeFromDipAzimuth(azimuth);
    } else if (datum->type() == Data::Lineation) {
        first = datum->plunge();
        azimuth = heading = datum->plungeAzimuth();
    }

    const std::string styleId = dataStyleId(project, datum, styles, indentation);
    if (styleId.empty())
        return false;

    const std::string id = xmlId(datum->id());
    const std::string pair = formatAnglePadded(first, 2) + " / " + formatAnglePadded(azimuth, 3);
    Scope placemark(folders, indentation, "<Placemark id=\"" + id + "placemark\">", "</Placemark>");
    writeElement(folders, indentation, "name", formatAnglePadded(first, 2));
    writeLine(folders, indentation, "<Snippet maxLines=\"2\">" + pair + "</Snippet>");
    // Continuation lines carry no indentation: it would become text.
    const std::string firstLine = datum->type() == Data::Sighting ? formatAnglePadded(azimuth, 3) : pair;
    writeElement(folders, indentation, "description",
                 firstLine + ExportLineBreak + kmlText(project.unitName(datum->unitId()))
                     + ExportLineBreak + kmlText(project.symbolName(datum->symbolId()))
                     + ExportLineBreak + ExportLineBreak + kmlText(datum->comment())
                     + ExportLineBreak + "Declination: " + declinationText(datum->declination()));
    writeTimeStamp(folders, indentation, datum->timeStamp());
    writeElement(folders, indentation, "styleUrl", "#" + styleId);
    {
        Scope style(folders, indentation, "<Style>", "</Style>");
        Scope iconStyle(folders, indentation, "<IconStyle>", "</IconStyle>");
        writeElement(folders, indentation, "heading", fixed6(heading));
    }
    writePoint(folders, indentation, id, datum->latitude(), datum->longitude());
    return true;
}

bool AbstractKMZExporter::writeNotePlacemark(Project& project, std::shared_ptr<Data> datum,
                                             std::ostream& folders, std::ostream& styles,
                                             Indentation& indentation)
{
    const std::string styleId = dataStyleId(project, datum, styles, indentation);
    if (styleId.empty())
        return false;
    const std::string id = xmlId(datum->id());
    Scope placemark(folders, indentation, "<Placemark id=\"" + id + "placemark\">", "</Placemark>");
    writeElement(folders, indentation, "name", "Note");
    writeSnippetAndDescription(folders, indentation, kmlText(datum->comment()));
    writeTimeStamp(folders, indentation, datum->timeStamp());
    writeElement(folders, indentation, "styleUrl", "#" + styleId);
    writePoint(folders, indentation, id, datum->latitude(), datum->longitude());
    return true;
}

bool AbstractKMZExporter::writeImagePlacemark(Project& project, std::shared_ptr<Data> datum,
                                              std::ostream& folders, std::ostream& styles,
                                              Indentation& indentation)
{
    if (datum->type() != Data::Image)
        return false;
    const std::string styleId = dataStyleId(project, datum, styles, indentation);
    if (styleId.empty())
        return false;
    const std::string id = xmlId(datum->id());
    const std::string comment = kmlText(datum->comment());
    Scope placemark(folders, indentation, "<Placemark id=\"" + id + "placemark\">", "</Placemark>");
    writeElement(folders, indentation, "name", "Image");
    writeLine(folders, indentation, "<Snippet maxLines=\"2\">" + comment + "</Snippet>");
    writeLine(folders, indentation, "<description>");
    folders << xmlCdata("<img src=\"" + xmlCharacters(datum->imagePath()).toStdString()
                        + "\" height=\"300\" /><br /><br />");
    const double heading = datum->azimuth();
    if (hasHeading(heading))
        folders << ExportLineBreak << "Heading: " << fixed6(heading) << ExportLineBreak;
    folders << comment << ExportLineBreak << "Declination: "
            << declinationText(datum->declination()) << "</description>" << ExportLineBreak;
    writeTimeStamp(folders, indentation, datum->timeStamp());
    writeElement(folders, indentation, "styleUrl", "#" + styleId);
    writePoint(folders, indentation, id, datum->latitude(), datum->longitude());

    const QString photo = exportImagePath(project.folder(), datum->imagePath(), m_missingImages);
    if (!photo.isEmpty())
        addImageFile(photo);
    return true;
}

void AbstractKMZExporter::addImageFile(const QString& path)
{
    // Two data may show one photograph; the archive holds it once.
    if (std::find(m_imageFiles.begin(), m_imageFiles.end(), path) == m_imageFiles.end())
        m_imageFiles.push_back(path);
}

bool AbstractKMZExporter::writeLinePlacemark(Project& project, std::shared_ptr<LineData2D> line,
                                             std::ostream& folders, Indentation& indentation)
{
    const std::string id = xmlId(line->id());
    const std::string colour = kmlColor(project.unitColor(line->unitId()), line->opacity());
    {
        Scope style(folders, indentation, "<Style id=\"lineStyle" + id + "\">", "</Style>");
        {
            Scope lineStyle(folders, indentation, "<LineStyle>", "</LineStyle>");
            writeElement(folders, indentation, "color", colour);
            writeElement(folders, indentation, "width", fixed6(line->thickness()));
        }
        if (line->isFilled()) {
            Scope polyStyle(folders, indentation, "<PolyStyle>", "</PolyStyle>");
            writeElement(folders, indentation, "color", colour);
        }
    }

    Scope placemark(folders, indentation, "<Placemark id=\"" + id + "placemark\">", "</Placemark>");
    writeSnippetAndDescription(
        folders, indentation,
        kmlText(line->comment() + QLatin1Char('\n') + project.unitName(line->unitId())));
    writeTimeStamp(folders, indentation, line->timeStamp());
    writeElement(folders, indentation, "styleUrl", "#lineStyle" + id);

    const auto& points = line->points();
    const auto writePoints = [&]() {
        for (const LineData2D::Point& point : points)
            writeLine(folders, indentation, coordinates(point.first, point.second));
    };
    if (line->isFilled()) {
        writeElement(folders, indentation, "name", "Polygon");
        Scope polygon(folders, indentation,
                      "<Polygon><tessellate>1</tessellate><altitudeMode>clampToGround</altitudeMode>",
                      "</Polygon>");
        Scope ring(folders, indentation, "<outerBoundaryIs><LinearRing><coordinates>",
                   "</coordinates></LinearRing></outerBoundaryIs>");
        writePoints();
        // The ring is closed; a line without points has nothing to close.
        if (!points.empty())
            writeLine(folders, indentation, coordinates(points.front().first, points.front().second));
    } else {
        writeElement(folders, indentation, "name", "Line");
        Scope lineString(folders, indentation,
                         "<LineString><tessellate>1</tessellate><altitudeMode>clampToGround</altitudeMode>",
                         "</LineString>");
        Scope coordinateList(folders, indentation, "<coordinates>", "</coordinates>");
        writePoints();
    }
    return true;
}

} // namespace kiv
