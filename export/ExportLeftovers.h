#pragma once

#include <QString>
#include <QStringList>

namespace kiv {

class StartLeftovers;

// The working files of an export that was stopped midway (the program
// killed): the archive being written beside its target in the documents
// folder, a CSV file beside its target in the project folder and the working
// folder in the program's temporary folder. A finished or failed export
// removes its own; these are what none got to remove.
class ExportLeftovers
{
public:
    // The archive is written as its target plus this, then moved over it.
    static const QString PartSuffix;

    // Where an archive is written before it replaces archivePath.
    static QString partPath(const QString& archivePath);
    // Where a CSV file is written, under a name of its own, before it
    // replaces target in the project folder.
    static QString csvPartPath(const QString& target, quint32 discriminator);
    // The name template of an export's working folder inside base.
    static QString workFolderTemplate(const QString& base);

    // Feeds the start's settling with what earlier runs left: in
    // documentsFolder a file <name>.kmz.part or <name>.kiv.part where <name>.qz
    // is a project folder there (the only names an export writes); in each
    // project folder a file <csv file>.<letters or digits>.part for one of the
    // CSV export's files; and in tempFolder the working folders export-XXXXXX
    // (six letters or digits) of this user. A link under such a name is not
    // the program's and stays; links inside a working folder go as links,
    // never followed; nothing else is touched.
    static void feed(StartLeftovers& leftovers, const QString& documentsFolder, const QString& tempFolder);
};

} // namespace kiv
