#include "model/RemoveBaseMapCommand.h"

#include "Database/AbstractCommandFactory.h"
#include "model/ProjectFile.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>

namespace kiv {

RemoveBaseMapCommand::RemoveBaseMapCommand()
{
    setName(staticName());
}

bool RemoveBaseMapCommand::execute(CommandManagerContext*)
{
    return removeMap();
}

bool RemoveBaseMapCommand::undo(CommandManagerContext*)
{
    return addMap();
}

void RemoveBaseMapCommand::removeFiles(const QDir& folder, const QUrl& location)
{
    // A record may name the user's own file elsewhere, a link, or main.db:
    // only the project's own files go.
    const QString path = ProjectFile::resolvePath(folder, location.toLocalFile());
    if (path.isEmpty())
        return;
    // Exact suffix on purpose: "Map.TIF" keeps its sidecars.
    const QString suffix = QFileInfo(path).suffix();
    if (suffix == QLatin1String("tif") || suffix == QLatin1String("tiff")) {
        for (const QString& sidecar : sidecarFiles(path)) {
            if (ProjectFile::resolvePath(folder, sidecar).isEmpty())
                continue;
            QFile::remove(sidecar);
            announce(sidecar);
        }
    }
    if (!QFile::remove(path))
        qDebug() << "could not delete" << path;
    announce(QFileInfo(path).absoluteFilePath());
}

} // namespace kiv

KIV_REGISTER_COMMAND_FACTORY(RemoveBaseMapCommand)
