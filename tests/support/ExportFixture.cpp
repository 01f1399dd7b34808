#include "support/ExportFixture.h"

#include "support/ApplicationIdentity.h"
#include "support/SampleData.h"
#include "support/ProjectFixture.h"

#include "app/ApplicationManagerWin.h"
#include "model/Data.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <cstdio>
#include <ctime>

namespace kiv::test {

Announcements::Announcements()
{
    QObject::connect(ApplicationManager::instance(), &ApplicationManager::fileSystemChanged, &m_context,
                     [this](const QStringList& announced) { paths << announced; });
}

void useUtc()
{
    qputenv("TZ", "UTC");
    tzset();
}

ExportApplication::ExportApplication()
{
    useUtc();
    m_application = std::make_unique<ApplicationManagerWin>(nullptr);
}

ExportApplication::~ExportApplication() = default;

bool isGermanLocaleChild()
{
    return qEnvironmentVariableIsSet("QUARZEL_LOCALE_CHILD");
}

ChildRun runUnderGermanLocale(const QString& testFunction)
{
    QTemporaryDir locales;
    const QString locale = locales.filePath(QStringLiteral("de_DE.UTF-8"));
    const ToolRun made = runTool(QStringLiteral("localedef"), {"-i", "de_DE", "-f", "UTF-8", locale});
    if (!QFileInfo::exists(locale))
        return {-1, made.text().toUtf8()};
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LC_ALL", "de_DE.UTF-8");
    environment.insert("LOCPATH", locales.path());
    environment.insert("QUARZEL_LOCALE_CHILD", "1");
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {testFunction});
    if (!child.waitForFinished(120000))
        return {-1, "the child did not finish"};
    return {child.exitCode(), child.readAllStandardOutput()};
}

void checkUnderGermanLocale(const QString& testFunction, const std::function<void()>& check)
{
    if (!isGermanLocaleChild()) {
        const ChildRun child = runUnderGermanLocale(testFunction);
        QVERIFY2(child.exitCode == 0, child.output.constData());
        return;
    }
    char number[16];
    std::snprintf(number, sizeof number, "%.1f", 1.5);
    QCOMPARE(QByteArray(number), QByteArray("1,5"));
    check();
}

ExportFixture::ExportFixture(const QString& folderName)
{
    setApplicationIdentity();
    resetModelManager();
    QDir root(m_root.path());
    root.mkdir(folderName);
    project = ModelManager::instance()->createProject(QStringLiteral("P"),
                                                      QDir(root.absoluteFilePath(folderName)));
    if (!project)
        return;
    project->setTimeStamp(1700000000);
    project->addRockUnit(4, QStringLiteral("Gneiss"), QColor(QStringLiteral("#FF8040")), 0);
    project->save();
}

ExportFixture::~ExportFixture()
{
    project.reset();
    delete ModelManager::instance();
    ModelManager::instance() = nullptr;
}

QString ExportFixture::documentPath() const
{
    return project->folder().absoluteFilePath(QStringLiteral("doc.kml"));
}

std::shared_ptr<Locality> ExportFixture::addLocality(int n, double latitude, double longitude)
{
    std::shared_ptr<Locality> locality = project->createLocality(idOf(n));
    locality->setTimeStamp(n);
    locality->setName(QStringLiteral("Locality %1").arg(n));
    locality->setLatitude(latitude);
    locality->setLongitude(longitude);
    project->syncLocalityDetails(locality.get());
    return locality;
}

std::shared_ptr<Data> ExportFixture::addPlane(Locality& locality, int n, float dip, float dipAzimuth,
                                              int unitId, int symbolId)
{
    auto datum = locality.addPlane(idOf(n), locality.latitude(), locality.longitude(), dip,
                                   dipAzimuth, unitId, symbolId, QString());
    store(datum);
    return datum;
}

std::shared_ptr<Data> ExportFixture::addImage(Locality& locality, int n, float heading, const QString& file)
{
    auto datum = locality.addImage(idOf(n), locality.latitude(), locality.longitude(), heading,
                                   file, QString(), QString(), QString());
    store(datum);
    return datum;
}

std::shared_ptr<LineData2D> ExportFixture::addLine(Locality& locality, int n, bool filled, int pointCount)
{
    auto line = filled ? locality.addPolygon(idOf(n), 4, 0, 2.0f, 0.5f, QString())
                       : locality.addPolyline(idOf(n), 4, 0, 2.0f, 0.5f, QString());
    const double latitudes[] = {45.5, 45.5, 45.51};
    const double longitudes[] = {9.2, 9.21, 9.21};
    for (int i = 0; i < pointCount; ++i)
        line->addPoint(latitudes[i % 3], longitudes[i % 3]);
    store(line);
    return line;
}

void ExportFixture::store(const std::shared_ptr<Data>& datum)
{
    datum->setTimeStamp(static_cast<qint64>(std::stoll(datum->id(), nullptr, 16)));
    project->syncDataDetails(datum);
}

void ExportFixture::store(const std::shared_ptr<LineData2D>& line)
{
    line->setTimeStamp(static_cast<qint64>(std::stoll(line->id(), nullptr, 16)));
    project->syncLineDataDetails(line.get());
}

void ExportFixture::addPhoto(const QString& name)
{
    project->folder().mkpath(QStringLiteral("images"));
    QFile file(project->folder().absoluteFilePath(QStringLiteral("images/") + name));
    if (file.open(QIODevice::WriteOnly))
        file.write("photo " + name.toUtf8());
}

} // namespace kiv::test
