#include <QtTest>

#include "model/Data.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "model/ProjectListModel.h"
#include "support/ProjectFixture.h"

#include <QAbstractItemModelTester>

using namespace kiv;
using kiv::test::idOf;

namespace {

// A stored locality with one image datum per path, newest path first.
void addImageLocality(Project& project, int n, qint64 timeStamp, const QStringList& paths)
{
    const auto locality = project.createLocality(idOf(n));
    locality->setTimeStamp(timeStamp);
    project.syncLocalityDetails(locality.get());
    for (int i = 0; i < paths.size(); ++i) {
        const auto data = locality->addImage(idOf(n * 16 + i), 46.0, 7.0, 0.0f, paths[i], "", "", "");
        data->setTimeStamp(timeStamp - i);
        project.syncDataDetails(data);
    }
}

QList<uint> listedIds(const ProjectListModel& model)
{
    QList<uint> ids;
    for (int row = 0; row < model.rowCount(); ++row)
        ids << model.index(row).data(ProjectListModel::ProjectId).toUInt();
    return ids;
}

} // namespace

class TestProjectListModel : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::ProjectFixture> m_fixture;

    // A project beside the fixture's, not current and with nothing in memory.
    std::shared_ptr<Project> otherProject(const QString& name)
    {
        QDir root = m_fixture->project->folder();
        root.cdUp();
        root.mkdir(name);
        return ModelManager::instance()->createProject(name, QDir(root.absoluteFilePath(name)));
    }

    uint idAt(int index) const { return ModelManager::instance()->projectAt(index)->projectId().value(); }

private slots:
    void init()
    {
        m_fixture = std::make_unique<test::ProjectFixture>();
        QVERIFY(m_fixture->isValid());
    }

    void cleanup() { m_fixture.reset(); }

    void sizeText_data()
    {
        QTest::addColumn<qulonglong>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << 0ull << "0KB";
        QTest::newRow("1023 bytes") << 1023ull << "0KB";
        QTest::newRow("1024 kilobytes and some") << 1049599ull << "1024KB";
        QTest::newRow("1025 kilobytes") << 1049600ull << "1MB";
        QTest::newRow("just under 2 megabytes") << 2097151ull << "1MB";
    }

    void sizeText()
    {
        QFETCH(qulonglong, bytes);
        QFETCH(QString, text);
        QCOMPARE(ProjectListModel::sizeText(bytes), text);
    }

    void lastImageOfAnotherProject_data()
    {
        QTest::addColumn<QStringList>("newest");
        QTest::addColumn<QStringList>("older");
        QTest::addColumn<QString>("expected"); // empty: invalid
        QTest::newRow("plots and map snapshots only") << QStringList {"STEREONET_x.png"} << QStringList {"MAP_y.png"} << "";
        QTest::newRow("newest locality wins") << QStringList {"IMG_a.jpeg"} << QStringList {"IMG_b.jpeg"} << "IMG_a.jpeg";
        QTest::newRow("plot skipped") << QStringList {"STEREONET_x.png", "MAP_y.png"} << QStringList {"IMG_b.jpeg"} << "IMG_b.jpeg";
        QTest::newRow("prefix is case-sensitive") << QStringList {"stereonet_x.png"} << QStringList {} << "stereonet_x.png";
        QTest::newRow("no data") << QStringList {} << QStringList {} << "";
    }

    void lastImageOfAnotherProject()
    {
        QFETCH(QStringList, newest);
        QFETCH(QStringList, older);
        QFETCH(QString, expected);
        const auto project = otherProject("other.qz");
        QVERIFY(project);
        addImageLocality(*project, 0x31, 2000, newest);
        addImageLocality(*project, 0x32, 1000, older);
        project->clearLocalities();

        const QVariant image = ProjectListModel::lastImage(*project);
        if (expected.isEmpty())
            QVERIFY(!image.isValid());
        else
            QCOMPARE(image.toString(), project->folder().absolutePath() + "/images/" + expected);
        QVERIFY(project->localities().empty());
    }

    // The current project's content stays, also of a locality with lines
    // but no data.
    void lastImageOfTheCurrentProjectDropsNothing()
    {
        Project& project = *m_fixture->project;
        const auto line = m_fixture->locality->addPolyline(idOf(0x41), 0, 0, 1.0f, 1.0f, "");
        line->addPoint(46.0, 7.0);
        line->addPoint(46.1, 7.1);
        project.syncLineDataDetails(line.get());
        addImageLocality(project, 0x42, 500, {"IMG_c.jpeg"});

        QCOMPARE(ProjectListModel::lastImage(project).toString(), project.folder().absolutePath() + "/images/IMG_c.jpeg");
        QCOMPARE(project.localities().size(), std::size_t(2));
        QCOMPARE(m_fixture->locality->lines().size(), std::size_t(1));
        QCOMPARE(project.locality(idOf(0x42))->data().size(), std::size_t(1));
    }

    void rolesOfARow()
    {
        const auto project = otherProject("other.qz");
        addImageLocality(*project, 0x31, 2000, {"IMG_a.jpeg"});
        addImageLocality(*project, 0x32, 1000, {});
        project->clearLocalities();
        ProjectListModel model;
        const int row = model.getIndexFromProjectId(project->projectId().value());
        QVERIFY(row >= 0);
        const QModelIndex at = model.index(row);
        QCOMPARE(at.data(Qt::DisplayRole).toString(), QString("other.qz"));
        QCOMPARE(at.data(ProjectListModel::Name).toString(), QString("other.qz"));
        QCOMPARE(at.data(ProjectListModel::PathDisplayString).toString(), project->folder().absolutePath());
        QCOMPARE(at.data(ProjectListModel::Declination).toFloat(), Project::NoDeclination);
        QVERIFY(at.data(ProjectListModel::FileSize).toString().endsWith("KB"));
        QVERIFY(!at.data(ProjectListModel::LastImage).toString().isEmpty());
        QVERIFY(project->localities().empty());
        // Counting loads the localities, which then stay.
        QCOMPARE(at.data(ProjectListModel::NumLocalities).toInt(), 2);
        QCOMPARE(project->localities().size(), std::size_t(2));
        QVERIFY(!at.data(ProjectListModel::LastImage + 1).isValid());
        QCOMPARE(model.roleNames().value(ProjectListModel::LastImage), QByteArray("lastImage"));
        QCOMPARE(model.roleNames().value(ProjectListModel::ProjectId), QByteArray("projectId"));
        QCOMPARE(model.getIndexFromProjectId(99999), -1);
    }

    void excludeCurrentProject()
    {
        otherProject("second.qz");
        otherProject("third.qz");
        ModelManager* manager = ModelManager::instance();
        QCOMPARE(manager->projectCount(), 3);
        manager->setCurrentProject(manager->projectAt(1));
        ProjectListModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy flag(&model, &ProjectListModel::excludeCurrentProjectChanged);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        QCOMPARE(listedIds(model), (QList<uint> {idAt(0), idAt(1), idAt(2)}));

        model.setExcludeCurrentProject(true);
        model.setExcludeCurrentProject(true);
        QCOMPARE(flag.count(), 1);
        QCOMPARE(reset.count(), 1);
        QCOMPARE(listedIds(model), (QList<uint> {idAt(0), idAt(2)}));

        manager->setCurrentProject(manager->projectAt(0));
        QCOMPARE(reset.count(), 2);
        QCOMPARE(listedIds(model), (QList<uint> {idAt(1), idAt(2)}));

        QVERIFY(manager->removeProject(manager->projectAt(2)->projectId()));
        QCOMPARE(reset.count(), 3);
        QCOMPARE(listedIds(model), (QList<uint> {idAt(1)}));
    }

    void excludeWithoutProjectsIsEmpty()
    {
        test::resetModelManager();
        ProjectListModel model;
        model.setExcludeCurrentProject(true);
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.getIndexFromProjectId(1), -1);
    }
};

QTEST_GUILESS_MAIN(TestProjectListModel)
#include "tst_projectlistmodel.moc"
