#pragma once

#include <QString>
#include <QStringList>

namespace kiv {

class Task;

// Where an export archive of a project folder goes: beside the folder, named
// like it with a ".qz" ending replaced by extension (".kmz", ".kiv"), or with
// extension appended when the name does not end in ".qz".
QString exportArchivePath(const QString& projectFolder, const QString& extension);

// Zips files (each under its bare name) into archivePath through the
// application manager, reporting progress to task. The archive is written
// beside as archivePath + ".part" and moved over the old one only when
// complete, so a failed export keeps the last good archive. On success the
// archive is announced through fileSystemChanged.
bool packExportArchive(const QString& archivePath, const QStringList& files, Task* task);

} // namespace kiv
