#pragma once

#include "drawing/QPainterImplementation.h"
#include "drawing/SymbolPainter.h"
#include "export/AbstractKMZExporter.h"

#include <QStringList>

namespace kiv {

// The KMZ export: doc.kml with one 64 x 64 PNG icon per point style and per
// locality, zipped with the photographs into an archive beside the project
// folder (project3.qz gives project3.kmz).
class KMZExporter : public AbstractKMZExporter
{
public:
    explicit KMZExporter(Task* owningTask);
    ~KMZExporter() override;

    using AbstractKMZExporter::exportProject;
    bool exportProject(Project& project, bool strikeRHR) override;

    static QString archivePath(const Project& project);

protected:
    bool package(Project& project, std::vector<QString>& images) override;
    bool writeDataIcon(Project& project, std::shared_ptr<Data> datum,
                       std::string fileName) override;
    bool writeLocalityIcon(Project& project, std::shared_ptr<Locality> locality,
                           std::string fileName) override;
    void cleanUp(Project& project) override;

private:
    template<typename Draw>
    bool writeIcon(const std::string& fileName, Draw draw);

    QStringList m_temporaryFiles;
    QPainterImplementation m_painter;
    SymbolPainter m_symbolPainter;
};

} // namespace kiv
