#pragma once

#include "Database/AbstractCommand.h"
#include "model/Project.h"

#include <QStringList>
#include <QUrl>

#include <memory>
#include <optional>

namespace kiv {

// One base map of the current project, by its location, with the opacity and
// list place that the add and modify commands apply.
class EditBaseMapCommand : public AbstractCommand
{
public:
    bool serialize(QDataStream& stream) override;
    bool unserialize(QDataStream& stream) override;

    const QUrl& url() const { return m_url; }
    // A new map starts fully opaque.
    void setUrl(const QUrl& url);
    void setBaseMap(const Project::BaseMap& baseMap);
    double opacity() const { return m_opacity; }
    void setOpacity(double opacity) { m_opacity = opacity; }
    int index() const { return m_index; }
    // -1 keeps the map's place.
    void setIndex(int index) { m_index = index; }

    // The current project's record at that location.
    static std::optional<Project::BaseMap> findBaseMap(const QUrl& location);
    // The existing files beside a map file that georeference it, matched by
    // exact name regardless of case (a map's name may hold wildcard
    // characters, so no name filters).
    static QStringList sidecarFiles(const QString& mapPath);

protected:
    static std::shared_ptr<Project> targetProject();
    // Place of the record at location, -1 when absent.
    static int indexOf(const Project& project, const QUrl& location);
    static bool saveProject(Project& project);
    static void announce(const QString& path);

    // Copies the map file (and its sidecars or companion) into the current
    // project and registers it; false when nothing could be registered.
    bool addMap();
    // Unregisters the map; its files go only when they lie in the project folder.
    bool removeMap();

    QUrl m_url;
    double m_opacity = 1.0;
    int m_index = -1;

private:
    bool copyIntoProject(const QString& source, const QString& destination, bool isTiff);
};

} // namespace kiv
