#include "tools/AddLayerTask.h"

#include "Database/CommandManager.h"
#include "app/AppContext.h"
#include "app/OnlineTileSettings.h"
#include "geo/EarthFile.h"
#include "geo/ImageLayer.h"
#include "geo/drivers/GDALOptions.h"
#include "geo/drivers/MBTilesTileSourceOptions.h"
#include "model/AddBaseMapCommand.h"
#include "model/Project.h"

#include <QFileInfo>
#include <QUrl>

namespace kiv {

namespace {

// The layer the map would make of the file, opened.
osg::ref_ptr<geo::ImageLayer> openMapFile(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("earth")) {
        const std::optional<geo::ImageLayerOptions> options =
            geo::EarthFile::readFirstImageLayer(path, QUrl(onlineTileSettings().endpoint));
        return options ? new geo::ImageLayer(*options) : nullptr;
    }
    if (suffix == QLatin1String("mbtiles")) {
        geo::Drivers::MBTilesTileSourceOptions options;
        options.setFilename(path);
        return new geo::ImageLayer(QStringLiteral("MBTiles"), options);
    }
    geo::Drivers::GDALOptions options;
    options.setUrl(path);
    return new geo::ImageLayer(QStringLiteral("GeoTiff"), options);
}

// Why the file cannot become a base map; empty when it can.
QString refusalOf(const QString& path, const QString& fileName)
{
    const osg::ref_ptr<geo::ImageLayer> layer = openMapFile(path);
    const geo::Status status = layer ? layer->getStatus()
                                     : geo::Status::Error(geo::Status::ResourceUnavailable, QString());
    if (status.code() == geo::Status::NoGeoreference)
        return QStringLiteral("%1 has no georeference.").arg(fileName);
    if (status.isError() || !layer->getLatLongDataBounds().valid())
        return QStringLiteral("%1 could not be read.").arg(fileName);
    return {};
}

} // namespace

AddLayerTask::AddLayerTask(std::shared_ptr<AddBaseMapCommand> command, GLRender* scene)
    : Task(QStringLiteral("AddLayer"), false)
    , m_command(std::move(command))
    , m_scene(scene)
{
}

void AddLayerTask::work()
{
    const QString fileName = m_command ? QFileInfo(m_command->url().toLocalFile()).fileName() : QString();
    const std::shared_ptr<Project> project = AppContext::currentProject();
    const QString failed = QStringLiteral("Failed to add map layer from ") + fileName;
    if (!project || fileName.isEmpty()) {
        m_errorMessage = failed;
        setSuccessful(false);
        return;
    }
    const QUrl target = QUrl::fromLocalFile(project->folder().absoluteFilePath(fileName));
    if (EditBaseMapCommand::findBaseMap(target)) {
        m_errorMessage = QStringLiteral("%1 already exists in this project").arg(fileName);
        setSuccessful(false);
        return;
    }
    m_errorMessage = refusalOf(m_command->url().toLocalFile(), fileName);
    if (!m_errorMessage.isEmpty()) {
        setSuccessful(false);
        return;
    }
    const bool executed = AppContext::runCommand(m_command);
    m_errorMessage = executed ? QString() : failed;
    setSuccessful(executed);
}

} // namespace kiv
