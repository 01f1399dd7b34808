#pragma once

#include "export/ExportLeftovers.h"
#include "export/ExportText.h"

#include <QSet>
#include <QString>

#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

namespace kiv {

class Data;
class LineData2D;
class Locality;
class Project;
class Task;

// Writes a project as the KML document doc.kml in a working folder of its
// own, never in the project folder. Subclasses draw the icons the document
// names into the same folder and pack everything into an archive.
class AbstractKMZExporter
{
public:
    // The task is the progress object of the packing step; not owned.
    explicit AbstractKMZExporter(Task* owningTask);
    virtual ~AbstractKMZExporter();

    AbstractKMZExporter(const AbstractKMZExporter&) = delete;
    AbstractKMZExporter& operator=(const AbstractKMZExporter&) = delete;

    // Document, then package, then clean-up in every case; the result of the
    // last of the first two that ran.
    virtual bool exportProject(Project& project, bool strikeRHR);
    // False for a null project.
    bool exportProject(Project* project, bool strikeRHR);

    // The document alone, in a fresh working folder; false when a folder
    // failed or the file could not be written.
    bool writeKml(Project& project);

    // The working folder of the current export and the document in it;
    // empty before the document was begun and after clean-up.
    QString workFolder() const;
    QString documentPath() const;

    Task* owningTask() const { return m_owningTask; }
    bool strikeRHR() const { return m_strikeRHR; }
    // Photographs the document refers to, each once.
    const std::vector<QString>& imageFiles() const { return m_imageFiles; }

protected:
    virtual bool package(Project& project, std::vector<QString>& images) = 0;
    virtual bool writeDataIcon(Project& project, std::shared_ptr<Data> datum,
                               std::string fileName) = 0;
    virtual bool writeLocalityIcon(Project& project, std::shared_ptr<Locality> locality,
                                   std::string fileName) = 0;
    // Deletes doc.kml and the working folder.
    virtual void cleanUp(Project& project);

private:
    bool writeLocalityFolder(Project& project, std::shared_ptr<Locality> locality,
                             std::ostream& folders, std::ostream& styles, Indentation& indentation);
    bool writeOrientationPlacemark(Project& project, std::shared_ptr<Data> datum,
                                   std::ostream& folders, std::ostream& styles,
                                   Indentation& indentation);
    bool writeNotePlacemark(Project& project, std::shared_ptr<Data> datum, std::ostream& folders,
                            std::ostream& styles, Indentation& indentation);
    bool writeImagePlacemark(Project& project, std::shared_ptr<Data> datum,
                             std::ostream& folders, std::ostream& styles,
                             Indentation& indentation);
    bool writeLinePlacemark(Project& project, std::shared_ptr<LineData2D> line,
                            std::ostream& folders, Indentation& indentation);
    std::string dataStyleId(Project& project, std::shared_ptr<Data> datum, std::ostream& styles,
                            Indentation& indentation);
    bool writeIconStyle(Project& project, std::ostream& styles, Indentation& indentation,
                        const std::string& id, std::shared_ptr<Data> datum);
    void addImageFile(const QString& path);

    // What a style stands for: kind, unit, symbol and dip class.
    using StyleKey = std::tuple<int, int, int, std::string>;

    Task* m_owningTask;
    std::vector<std::string> m_styleIds;
    std::vector<QString> m_imageFiles;
    bool m_strikeRHR = false;
    std::map<StyleKey, std::string> m_styleIdsByKey;
    // The working folder; empty outside an export.
    ExportLeftovers m_workFiles;
    QString m_workFolder;
    QSet<QString> m_missingImages;
};

} // namespace kiv
