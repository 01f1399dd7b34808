#pragma once

#include "export/AbstractKIVExporter.h"

namespace kiv {

// The exchange export: main.xml zipped with the photographs into an archive
// beside the project folder (project3.qz gives project3.kiv).
class KIVExporter : public AbstractKIVExporter
{
public:
    explicit KIVExporter(Task* owningTask);
    ~KIVExporter() override;

    using AbstractKIVExporter::exportProject;
    bool exportProject(Project& project) override;

    static QString archivePath(const Project& project);

protected:
    bool package(Project& project, const QStringList& images) override;

private:
    QStringList m_filesToZip;
};

} // namespace kiv
