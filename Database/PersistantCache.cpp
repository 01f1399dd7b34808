#include "Database/PersistantCache.h"

#include "Database/Destructor.h"
#include "Database/DestructorManager.h"
#include "Database/SQLiteDatabase.h"
#include "Database/SQLiteException.h"
#include "Database/SQLiteInsert.h"
#include "Database/SQLiteQuery.h"
#include "app/ApplicationManager.h"

#include <QBuffer>
#include <QDataStream>
#include <QDebug>

namespace kiv {

KIV_DEFINE_SINGLETON(PersistantCache, 5)

std::atomic<bool> PersistantCache::s_exists { false };

namespace {

constexpr int streamVersion = QDataStream::Qt_5_2;
const char* const timestampSuffix = "/TIMESTAMP";

template <typename T>
QByteArray encode(const T& value)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadWrite);
    QDataStream stream(&buffer);
    stream.setVersion(streamVersion);
    stream << value;
    return bytes;
}

template <typename T>
T decode(const QByteArray& bytes)
{
    T value;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QDataStream stream(&buffer);
    stream.setVersion(streamVersion);
    stream >> value;
    return stream.status() == QDataStream::Ok ? value : T();
}

QString cacheFile()
{
    const ApplicationManager* app = ApplicationManager::instance();
    return (app ? app->cachePath() : QString()) + QStringLiteral("/cache.db");
}

} // namespace

bool PersistantCache::exists()
{
    return s_exists;
}

PersistantCache::PersistantCache()
{
    s_exists = true;
    const QString path = cacheFile();
    auto database = std::make_unique<SQLiteDatabase>();
    if (!database->open(path.toStdString())) {
        qDebug() << "Failed to open" << path;
        return;
    }
    qDebug() << "Opened" << path;
    try {
        database->exec("CREATE TABLE IF NOT EXISTS cacheData ( cacheKey TEXT NOT NULL PRIMARY KEY, cacheValue BLOB NOT NULL);");
    } catch (const SQLiteException& e) {
        // An unusable file behaves like a failed open: every read misses.
        qDebug() << "PersistantCache:" << e.what();
        return;
    }
    m_database = std::move(database);
}

PersistantCache::~PersistantCache()
{
    s_exists = false;
}

QByteArray PersistantCache::get(const QString& key)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (!m_database)
        return {};
    try {
        std::string keyText = key.toStdString();
        std::string value;
        SQLiteQuery query(m_database.get());
        query.prepare("SELECT cacheValue FROM cacheData WHERE cacheKey=?");
        query.bindTextParameter(&keyText);
        query.bindBlob(&value);
        return query.step() ? QByteArray::fromStdString(value) : QByteArray();
    } catch (const SQLiteException& e) {
        qDebug() << e.what();
        return {};
    }
}

bool PersistantCache::put(const QString& key, const QByteArray& value)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (!m_database)
        return false;
    try {
        std::string keyText = key.toStdString();
        std::string bytes = value.toStdString();
        SQLiteInsert insert(m_database.get());
        insert.prepare("REPLACE INTO cacheData (cacheKey, cacheValue) VALUES (?, ?)");
        insert.bindText(&keyText);
        insert.bindBlob(&bytes);
        return insert.execute();
    } catch (const SQLiteException& e) {
        qDebug() << e.what();
        return false;
    }
}

QImage PersistantCache::getImage(const QString& key)
{
    const QByteArray bytes = get(key);
    return bytes.isEmpty() ? QImage() : decode<QImage>(bytes);
}

bool PersistantCache::putImage(const QString& key, const QImage& image)
{
    return m_database && put(key, encode(image));
}

QDateTime PersistantCache::getTimestamp(const QString& key)
{
    const QByteArray bytes = get(key + QLatin1String(timestampSuffix));
    return bytes.isEmpty() ? QDateTime() : decode<QDateTime>(bytes);
}

bool PersistantCache::putTimestamp(const QString& key, const QDateTime& time)
{
    return m_database && put(key + QLatin1String(timestampSuffix), encode(time));
}

void PersistantCache::clear()
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (!m_database)
        return;
    try {
        m_database->exec("DROP TABLE IF EXISTS cacheData;");
        m_database->exec("CREATE TABLE cacheData ( cacheKey TEXT NOT NULL PRIMARY KEY, cacheValue BLOB NOT NULL);");
    } catch (const SQLiteException& e) {
        qDebug() << e.what();
    }
}

} // namespace kiv
