#pragma once

#include <QString>

namespace kiv {

// Where an export archive of a project folder goes: beside the folder, named
// like it with a ".qz" ending replaced by extension (".kmz", ".kiv"), or with
// extension appended when the name does not end in ".qz".
QString exportArchivePath(const QString& projectFolder, const QString& extension);

} // namespace kiv
