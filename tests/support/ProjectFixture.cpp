#include "support/ProjectFixture.h"

#include "support/ApplicationIdentity.h"

#include "Database/CommandManager.h"
#include "Database/SQLiteException.h"
#include "Database/SQLiteQuery.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QSettings>
#include <QTest>

namespace kiv::test {

std::string idOf(int n)
{
    return QStringLiteral("%1").arg(n, 32, 16, QLatin1Char('0')).toStdString();
}

QMap<QString, QByteArray> fileHashes(const QString& folder)
{
    QMap<QString, QByteArray> result;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        file.open(QIODevice::ReadOnly);
        result.insert(file.fileName(), QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1));
    }
    return result;
}

void resetModelManager()
{
    delete ModelManager::instance();
    ModelManager::instance() = new ModelManager;
}

QZProtoBuffers::Project storedProjectRecord(const QString& databasePath)
{
    SQLiteDatabase database;
    database.open(databasePath.toStdString());
    std::string message;
    SQLiteQuery query(&database);
    query.prepare("SELECT message FROM project");
    query.bindBlob(&message);
    QZProtoBuffers::Project record;
    if (query.step())
        record.ParseFromString(message);
    return record;
}

ProjectFixture::ProjectFixture()
{
    setApplicationIdentity();
    QSettings().clear();
    m_application = std::make_unique<DocumentsApplication>(m_documents.path());
    resetModelManager();
    const QDir root(m_documents.path());
    root.mkdir(QStringLiteral("test.qz"));
    project = ModelManager::instance()->createProject(QStringLiteral("Test"),
                                                      QDir(root.absoluteFilePath("test.qz")));
    if (!project)
        return;
    project->setDeclination(2.5f);
    project->save();
    ModelManager::instance()->setCurrentProject(project);
    locality = addLocality(idOf(0xa1), 1000);
    ModelManager::instance()->setCurrentLocality(locality);
    CommandManager::instance()->clearStacks();
}

ProjectFixture::~ProjectFixture()
{
    locality.reset();
    project.reset();
    delete ModelManager::instance();
    ModelManager::instance() = nullptr;
    m_application.reset();
}

QString ProjectFixture::databasePath() const
{
    return project->folder().absoluteFilePath(QStringLiteral("main.db"));
}

std::shared_ptr<Locality> ProjectFixture::addLocality(const std::string& id, qint64 timeStamp)
{
    std::shared_ptr<Locality> added = project->createLocality(id);
    added->setTimeStamp(timeStamp);
    project->syncLocalityDetails(added.get());
    return added;
}

std::vector<std::string> ProjectFixture::messages(const std::string& table) const
{
    return tableMessages(databasePath(), table);
}

std::vector<std::string> tableMessages(const QString& databasePath, const std::string& table)
{
    SQLiteDatabase database;
    database.open(databasePath.toStdString());
    std::vector<std::string> rows;
    std::string message;
    SQLiteQuery query(&database);
    query.prepare("SELECT message FROM " + table + " ORDER BY ROWID");
    query.bindBlob(&message);
    while (query.step())
        rows.push_back(message);
    return rows;
}

std::shared_ptr<Project> makeCurrentEmptyProject(const QString& parentFolder)
{
    const QDir root(parentFolder);
    root.mkdir(QStringLiteral("empty.qz"));
    std::shared_ptr<Project> project = ModelManager::instance()->createProject(
        QStringLiteral("Empty"), QDir(root.absoluteFilePath(QStringLiteral("empty.qz"))));
    if (project)
        ModelManager::instance()->setCurrentProject(project);
    return project;
}

std::unique_ptr<DatabaseLock> ProjectFixture::lockFor(const QString& situation) const
{
    if (situation != QLatin1String("IMMEDIATE") && situation != QLatin1String("EXCLUSIVE"))
        return {};
    return std::make_unique<DatabaseLock>(databasePath(), situation);
}

void addFailedChangeRows()
{
    QTest::addColumn<bool>("remove");
    QTest::addColumn<QString>("situation");
    for (const bool remove : {true, false}) {
        const char* change = remove ? "remove" : "modify";
        QTest::addRow("%s unknown", change) << remove << QStringLiteral("unknown");
        QTest::addRow("%s, locked for writing", change) << remove << QStringLiteral("IMMEDIATE");
        QTest::addRow("%s, locked exclusively", change) << remove << QStringLiteral("EXCLUSIVE");
    }
}

void addFailedAddRows(const std::vector<std::pair<const char*, const char*>>& own)
{
    QTest::addColumn<QString>("situation");
    for (const auto& row : own)
        QTest::newRow(row.first) << QString::fromUtf8(row.second);
    QTest::newRow("no current locality") << QStringLiteral("noLocality");
    QTest::newRow("unknown locality id") << QStringLiteral("unknownLocality");
    QTest::newRow("id already in the locality") << QStringLiteral("duplicate");
    QTest::newRow("database locked for writing") << QStringLiteral("IMMEDIATE");
    QTest::newRow("database locked exclusively") << QStringLiteral("EXCLUSIVE");
}

DatabaseLock::DatabaseLock(const QString& path, const QString& mode)
{
    m_database.open(path.toStdString());
    try {
        m_database.exec("BEGIN " + mode.toStdString());
        m_locked = true;
    } catch (const SQLiteException&) {
        m_locked = false;
    }
}

DatabaseLock::~DatabaseLock()
{
    if (m_locked) {
        try {
            m_database.exec("ROLLBACK");
        } catch (const SQLiteException&) {
        }
    }
    m_database.close();
}

} // namespace kiv::test
