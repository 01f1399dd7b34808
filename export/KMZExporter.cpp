#include "export/KMZExporter.h"

#include "app/ApplicationManager.h"
#include "export/ExportArchivePath.h"
#include "model/Data.h"
#include "model/Locality.h"
#include "model/Project.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>

namespace kiv {

namespace {

constexpr float IconSize = 64.0f;
const std::string Halo = "#FFFFFF";

} // namespace

KMZExporter::KMZExporter(Task* owningTask)
    : AbstractKMZExporter(owningTask)
    , m_painter(IconSize, IconSize)
    , m_symbolPainter(nullptr)
{
    m_painter.setScaleFactor(2.0f);
}

KMZExporter::~KMZExporter() = default;

QString KMZExporter::archivePath(const Project& project)
{
    return exportArchivePath(project.folder().absolutePath(), QStringLiteral(".kmz"));
}

bool KMZExporter::exportProject(Project& project, bool strikeRHR)
{
    m_temporaryFiles.clear();
    return AbstractKMZExporter::exportProject(project, strikeRHR);
}

bool KMZExporter::package(Project& project, std::vector<QString>& images)
{
    m_temporaryFiles.append(documentPath());
    QStringList files = m_temporaryFiles;
    for (const QString& image : images)
        files.append(image);
    return packExportArchive(archivePath(project), files, owningTask());
}

template<typename Draw>
bool KMZExporter::writeIcon(const std::string& fileName, Draw draw)
{
    QImage image(static_cast<int>(m_painter.width()), static_cast<int>(m_painter.height()),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        // Every icon binds its own QPainter before drawing, so the stale one
        // left behind is never used.
        QPainter painter(&image);
        m_painter.setPainter(&painter);
        draw();
    }
    const QString path = workFolder() + QLatin1Char('/') + QString::fromStdString(fileName);
    if (!image.save(path)) {
        qWarning() << "KMZExporter: cannot save the icon" << path;
        return false;
    }
    m_temporaryFiles.append(path);
    return true;
}

bool KMZExporter::writeDataIcon(Project& project, std::shared_ptr<Data> datum, std::string fileName)
{
    const std::string unitColour = project.unitColor(datum->unitId()).name().toStdString();
    const int iconId = project.symbolIconId(datum->symbolId());
    switch (datum->type()) {
    case Data::Plane:
        return writeIcon(fileName, [&] {
            m_symbolPainter.drawSymbol(m_painter, iconId, 0.0f, datum->dip(), unitColour, Halo);
        });
    case Data::Lineation:
        return writeIcon(fileName, [&] {
            m_symbolPainter.drawSymbol(m_painter, iconId, 0.0f, datum->plunge(), unitColour, Halo);
        });
    case Data::Sighting:
        return writeIcon(fileName, [&] {
            m_symbolPainter.drawSightingSymbol(m_painter, 0.0f, unitColour, Halo);
        });
    case Data::Image:
        return writeIcon(fileName, [&] { m_symbolPainter.drawImageSymbol(m_painter, "#000000", Halo); });
    case Data::Annotation:
        return writeIcon(fileName,
                         [&] { m_symbolPainter.drawAnnotationSymbol(m_painter, "#000000", Halo); });
    default:
        return false;
    }
}

bool KMZExporter::writeLocalityIcon(Project&, std::shared_ptr<Locality> locality, std::string fileName)
{
    const std::string colour = locality->colour().name().toStdString();
    return writeIcon(fileName, [&] { m_symbolPainter.drawLocalitySymbol(m_painter, colour, "white"); });
}

void KMZExporter::cleanUp(Project& project)
{
    AbstractKMZExporter::cleanUp(project);
    for (const QString& path : m_temporaryFiles) {
        if (QFileInfo(path).isFile())
            QFile::remove(path);
    }
}

} // namespace kiv
