#pragma once

#include <QObject>

#include <memory>

namespace kiv::test {

class DatabaseLock;
class ProjectFixture;

// Lets QML tests make the project's writes fail: lock() holds an exclusive
// lock on its main.db from a second connection until unlock(); and read
// what the file holds.
class StorageSwitch : public QObject
{
    Q_OBJECT

public:
    StorageSwitch(ProjectFixture* fixture, QObject* parent);
    ~StorageSwitch() override;

    Q_INVOKABLE void lock();
    Q_INVOKABLE void unlock();
    // Rows of a table of main.db as stored ("localities", "data", "linedata").
    Q_INVOKABLE int storedRows(const QString& table) const;

private:
    ProjectFixture* m_fixture;
    std::unique_ptr<DatabaseLock> m_lock;
};

} // namespace kiv::test
