#pragma once

#include "Database/Task.h"

#include <QByteArray>
#include <QDir>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace kiv {
class ApplicationManagerWin;
class Data;
class LineData2D;
class Locality;
class Project;
}

namespace kiv::test {

// A task that only stands in as an exporter's progress object.
class IdleTask : public Task
{
public:
    IdleTask()
        : Task(QStringLiteral("Exporter"), true)
    {
    }
    void work() override {}
};

// Every fileSystemChanged of the application manager while it lives.
class Announcements
{
public:
    Announcements();
    QList<QStringList> paths;

private:
    QObject m_context;
};

// Local time is UTC from here on, so time texts are the same everywhere.
void useUtc();

// The application manager that zips and announces exports, in UTC; made
// after the test's QApplication.
class ExportApplication
{
public:
    ExportApplication();
    ~ExportApplication();

private:
    std::unique_ptr<ApplicationManagerWin> m_application;
};

// True in the child that runUnderGermanLocale starts.
bool isGermanLocaleChild();
// Runs this test program's testFunction again in a child under
// LC_ALL=de_DE.UTF-8 (built into a temporary folder); the child's exit code
// and output, or -1 with the reason.
struct ChildRun
{
    int exitCode = -1;
    QByteArray output;
};
ChildRun runUnderGermanLocale(const QString& testFunction);
// A test of numbers written under a locale with decimal commas. In the test
// program, runs testFunction again under the German locale and checks that
// the child passed; in that child, checks that the C library writes "1,5"
// and runs check.
void checkUnderGermanLocale(const QString& testFunction, const std::function<void()>& check);

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
