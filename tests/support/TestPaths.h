#pragma once

#include <QString>

namespace kiv::test {

// Folder of data files that tests read (committed under tests/data).
inline QString dataPath(const QString& name = QString())
{
    const QString root = QStringLiteral(QUARZEL_TEST_DATA_DIR);
    return name.isEmpty() ? root : root + QLatin1Char('/') + name;
}

inline QString sourcePath(const QString& name)
{
    return QStringLiteral(QUARZEL_SOURCE_DIR) + QLatin1Char('/') + name;
}

} // namespace kiv::test
