#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QString>

#include <atomic>
#include <memory>
#include <mutex>

namespace kiv {

class SQLiteDatabase;

// Key-value store kept between runs in cache.db in the cache folder; the
// thumbnail providers keep rendered images and their time stamps here.
class PersistantCache
{
public:
    static PersistantCache*& instance();
    // True while the cache object exists, without creating it.
    static bool exists();

    PersistantCache();
    virtual ~PersistantCache();

    QByteArray get(const QString& key);
    bool put(const QString& key, const QByteArray& value);
    QImage getImage(const QString& key);
    bool putImage(const QString& key, const QImage& image);
    QDateTime getTimestamp(const QString& key);
    bool putTimestamp(const QString& key, const QDateTime& time);
    void clear();

    bool isOpen() const { return m_database != nullptr; }

private:
    static std::atomic<bool> s_exists;

    // Image-provider threads share the one connection.
    std::recursive_mutex m_mutex;
    std::unique_ptr<SQLiteDatabase> m_database;
};

} // namespace kiv
