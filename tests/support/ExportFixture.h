#pragma once

#include <QDir>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace kiv {
class Data;
class LineData2D;
class Locality;
class Project;
}

namespace kiv::test {

// A stored project in a temporary folder named folderName, for exports.
// Everything added is written to main.db, as the exporters read it from there.
class ExportFixture
{
public:
    explicit ExportFixture(const QString& folderName = QStringLiteral("project1.qz"));
    ~ExportFixture();

    bool isValid() const { return project != nullptr; }
    QDir parentFolder() const { return QDir(m_root.path()); }
    QString documentPath() const;

    // Objects numbered n get the id idOf(n) and the time stamp n, so that a
    // higher number comes first (newest first).
    std::shared_ptr<Locality> addLocality(int n, double latitude = 45.5, double longitude = 9.2);
    std::shared_ptr<Data> addPlane(Locality& locality, int n, float dip, float dipAzimuth,
                                   int unitId = 4, int symbolId = 7);
    std::shared_ptr<Data> addImage(Locality& locality, int n, float heading, const QString& file);
    std::shared_ptr<LineData2D> addLine(Locality& locality, int n, bool filled, int pointCount);
    // Writes a changed datum or line again.
    void store(const std::shared_ptr<Data>& datum);
    void store(const std::shared_ptr<LineData2D>& line);
    // A file in the project's images folder.
    void addPhoto(const QString& name);

    std::shared_ptr<Project> project;

private:
    QTemporaryDir m_root;
};

} // namespace kiv::test
