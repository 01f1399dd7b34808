#include "support/StorageSwitch.h"

#include "support/ProjectFixture.h"

namespace kiv::test {

StorageSwitch::StorageSwitch(ProjectFixture* fixture, QObject* parent)
    : QObject(parent)
    , m_fixture(fixture)
{
}

StorageSwitch::~StorageSwitch() = default;

void StorageSwitch::lock()
{
    m_lock = m_fixture->lockFor(QStringLiteral("EXCLUSIVE"));
}

void StorageSwitch::unlock()
{
    m_lock.reset();
}

int StorageSwitch::storedRows(const QString& table) const
{
    return int(m_fixture->messages(table.toStdString()).size());
}

} // namespace kiv::test
