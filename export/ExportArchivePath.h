#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

class QDir;

namespace kiv {

class ExportLeftovers;
class Task;

// Where an export archive of a project folder goes: beside the folder, named
// like it with a ".qz" ending replaced by extension (".kmz", ".kiv"), or with
// extension appended when the name does not end in ".qz".
QString exportArchivePath(const QString& projectFolder, const QString& extension);

// A fresh, empty folder of one export's own for its working files, inside
// the application's temporary folder, noted in journal; empty (with a
// warning) when it cannot be made. Removed with everything in it by the
// journal's finish().
QString createExportWorkFolder(ExportLeftovers& journal);

// The file of a photograph record inside the project's images folder, or
// empty when its stored name does not lead there to a regular file without
// links: such a photograph counts as missing and is warned about once per
// name in warned.
QString exportImagePath(const QDir& projectFolder, const QString& imageName, QSet<QString>& warned);

// Zips files (each under its bare name) into archivePath through the
// application manager, reporting progress to task. The archive is written
// beside it as a part noted in a journal there and moved over the old one
// only when complete, so a failed export keeps the last good archive. On
// success the archive is announced through fileSystemChanged.
bool packExportArchive(const QString& archivePath, const QStringList& files, Task* task);

} // namespace kiv
