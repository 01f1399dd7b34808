#pragma once

#include "Database/Quarzel.pb.h"
#include "Database/SQLiteDatabase.h"
#include "app/ApplicationManager.h"
#include "app/DialogController.h"

#include <QDir>
#include <QMap>
#include <QTemporaryDir>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kiv {
class Locality;
class Project;
}

namespace kiv::test {

class DatabaseLock;

// An application manager whose documents folder is a temporary folder.
class DocumentsApplication : public ApplicationManager
{
public:
    explicit DocumentsApplication(const QString& documents)
        : ApplicationManager(nullptr)
        , m_documents(documents)
    {
    }
    QString documentPath() const override { return m_documents; }
    using ApplicationManager::setDialogController;
    using ApplicationManager::setSensors;

    // While counting, the online probe is not run: its calls are recorded.
    bool countOnlineCalls = false;
    QList<bool> connectionTests;
    QList<bool> statusChecks;
    void startConnectionTest(bool wanted) override
    {
        if (!countOnlineCalls)
            return ApplicationManager::startConnectionTest(wanted);
        connectionTests << wanted;
    }
    void checkOnlineStatus(bool forceEmit = false) override
    {
        if (!countOnlineCalls)
            return ApplicationManager::checkOnlineStatus(forceEmit);
        statusChecks << forceEmit;
    }
    int updateChecks = 0;
    void checkForUpdate() override { ++updateChecks; }
    // A dialog controller without a window: its toasts queue up for the test.
    std::shared_ptr<DialogController> installDialogController()
    {
        auto controller = std::make_shared<DialogController>();
        setDialogController(controller);
        return controller;
    }

private:
    QString m_documents;
};

// A fresh model manager whose current project lives in a temporary folder,
// with one current locality. The command history starts empty.
class ProjectFixture
{
public:
    ProjectFixture();
    ~ProjectFixture();

    bool isValid() const { return project && locality; }
    QString databasePath() const;
    // Adds a stored locality to the current project.
    std::shared_ptr<Locality> addLocality(const std::string& id, qint64 timeStamp);
    // The record bytes of every row of a table ("data" or "linedata").
    std::vector<std::string> messages(const std::string& table) const;
    // A second connection's lock ("IMMEDIATE" or "EXCLUSIVE") on the
    // project's database; none for any other situation.
    std::unique_ptr<DatabaseLock> lockFor(const QString& situation) const;

    std::shared_ptr<Project> project;
    std::shared_ptr<Locality> locality;

private:
    QTemporaryDir m_documents;
    std::unique_ptr<DocumentsApplication> m_application;
};

// Holds a lock on a database from a second connection for its lifetime, so
// that writes through the first one fail with SQLITE_BUSY.
class DatabaseLock
{
public:
    // mode: "IMMEDIATE" (others may still read) or "EXCLUSIVE".
    DatabaseLock(const QString& path, const QString& mode);
    ~DatabaseLock();

    bool isLocked() const { return m_locked; }

private:
    SQLiteDatabase m_database;
    bool m_locked = false;
};

// Rows for a table of failed removals and modifications: columns "remove"
// (else modify) and "situation" ("unknown" object, or a lock mode).
void addFailedChangeRows();
// Rows for a table of failed adds, column "situation": first the kind's own
// (row name, situation), then "noLocality" (no current locality),
// "unknownLocality", "duplicate" (id already in the locality) and the two
// lock modes.
void addFailedAddRows(const std::vector<std::pair<const char*, const char*>>& own);

// A project without localities in a folder below parentFolder, made current.
std::shared_ptr<Project> makeCurrentEmptyProject(const QString& parentFolder);

// The record bytes of every row of a table of a project database.
std::vector<std::string> tableMessages(const QString& databasePath, const std::string& table);

// Content hashes of every file below folder, by path: what a test compares
// to show that nothing there was changed or deleted.
QMap<QString, QByteArray> fileHashes(const QString& folder);

// A 32-digit id made of n.
std::string idOf(int n);

// Replaces the model manager by a fresh one, so that no project of an
// earlier test is found.
void resetModelManager();

// The project record of a main.db; empty when there is none.
QZProtoBuffers::Project storedProjectRecord(const QString& databasePath);

} // namespace kiv::test
