#pragma once

#include "export/ExportLeftovers.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

class QColor;

namespace kiv {

class Project;
class Task;

// Writes a project as the GeoList exchange document main.xml in a working
// folder of its own, never in the project folder (where a base map may keep a
// file of that name); subclasses pack it with the photographs it names.
class AbstractKIVExporter
{
public:
    // The task is the progress object of the packing step; not owned.
    explicit AbstractKIVExporter(Task* owningTask);
    virtual ~AbstractKIVExporter();

    AbstractKIVExporter(const AbstractKIVExporter&) = delete;
    AbstractKIVExporter& operator=(const AbstractKIVExporter&) = delete;

    // Document, then package, then clean-up in every case.
    virtual bool exportProject(Project& project);
    // False for a null project.
    bool exportProject(Project* project);

    // The document alone, in a fresh working folder; false for a project
    // without localities (nothing is created then) and when the file cannot
    // be written completely.
    bool writeMainXml(Project& project);

    Task* owningTask() const { return m_owningTask; }
    // Photographs the document refers to, each once, in document order.
    const QStringList& imageFiles() const { return m_imageFiles; }
    // The document in the working folder; empty before it was begun and
    // after clean-up.
    QString documentPath() const;

protected:
    virtual bool package(Project& project, const QStringList& images) = 0;
    // Deletes main.xml and the working folder.
    virtual void cleanUp(Project& project);

private:
    using Section = bool (AbstractKIVExporter::*)(Project&, std::ostream&);

    bool writeHeader(Project& project, std::ostream& out);
    bool writeStratColumn(Project& project, std::ostream& out);
    bool writeLocalities(Project& project, std::ostream& out);
    bool writeDips(Project& project, std::ostream& out);
    bool writeFoldStructures(Project& project, std::ostream& out);
    bool writeFaultStructures(Project& project, std::ostream& out);
    bool writePoints(Project& project, std::ostream& out);
    bool writeLineations(Project& project, std::ostream& out);
    bool writeLines(Project& project, std::ostream& out);
    bool writeImages(Project& project, std::ostream& out);
    bool writeAnnotations(Project& project, std::ostream& out);
    bool writeSets(Project& project, std::ostream& out);
    bool writeViewsAndFooter(Project& project, std::ostream& out);
    bool writeOrientationCategory(Project& project, std::ostream& out, const char* name,
                                  const char* dataType, int firstIcon, int lastIcon);

    // False (and nothing written) for a position off the globe.
    bool writeVertex(std::ostream& out, double latitude, double longitude) const;
    void writeSet(std::ostream& out, const std::string& escapedName, const char* type,
                  const std::vector<int>& elements, const QColor& colour);
    int takeId() { return m_nextId++; }

    int m_zone = 0;
    Task* m_owningTask;
    std::map<std::string, std::vector<int>> m_elementsByLocality;
    std::map<QString, std::vector<int>> m_elementsByUnitName;
    std::map<int, int> m_mapStyles;
    std::map<int, int> m_sectionStyles;
    QStringList m_imageFiles;
    QSet<QString> m_missingImages;
    // The working folder; empty outside an export.
    ExportLeftovers m_workFiles;
    QString m_workFolder;
    int m_nextId = 3;
    int m_nextSetId = 9000;
};

} // namespace kiv
