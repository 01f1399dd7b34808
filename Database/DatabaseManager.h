#pragma once

#include "Database/SQLiteOperation.h"

#include <QFileInfo>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace google::protobuf {
class MessageLite;
}

namespace kiv {

class Data;
class LineData2D;
class Locality;
class Project;
class SQLiteDatabase;

// Access to one project's main.db: the project row, the locality rows and a
// locality's data and line rows, each row holding its object as a record.
// Every operation on a closed manager returns false.
class DatabaseManager
{
public:
    DatabaseManager();
    // Releases only the file name: owners call close() first.
    virtual ~DatabaseManager();

    DatabaseManager(const DatabaseManager&) = delete;
    DatabaseManager& operator=(const DatabaseManager&) = delete;

    // Opens or creates the file with its tables. A file whose tables cannot
    // be read or made (not an SQLite file) is closed again.
    virtual bool open(const QFileInfo& file);
    // Opens an existing project file: only when its project row can be read
    // are missing tables and indexes added, so nothing is written to a
    // damaged file.
    bool openExisting(const QFileInfo& file);
    virtual void close();
    // Reads the project row into target. Storage errors are thrown.
    virtual bool loadProject(Project* target);

    bool isOpen() const;
    const QFileInfo& file() const { return m_file; }
    SQLiteDatabase* database() const { return m_database.get(); }
    // Version of the last project record read, 0 before.
    int version() const { return m_version; }

    // Loads go on past records that cannot be read: each is named in a
    // warning, left in the file as it is, and the result is false.
    bool loadLocalities(Project* target);
    // Data, then lines; rows already loaded are not added again.
    bool loadLocalityContent(Locality* locality);
    bool loadLocalityContent(Locality& locality) { return loadLocalityContent(&locality); }
    bool loadData(Locality* locality);
    bool loadLineData(Locality* locality);
    // The data and lines of every locality of target, each table read in
    // one pass; where a pass meets a storage error, the table is read again
    // locality by locality, so that damage costs only the rows it hit.
    bool loadContent(Project* target);
    // True once a load met a record that could not be read.
    bool hasUnreadableRecords() const { return m_unreadableRecords; }

    // Insert when the row is new, update when present. The count statements
    // throw on storage errors.
    // lists, when given, holds the strat column, symbols and base maps to
    // store in place of project's own (a merge's copies).
    bool syncProjectDetails(Project* project, const Project* lists = nullptr);
    bool syncLocalityDetails(Locality* locality);
    bool syncDataDetails(std::shared_ptr<Data> data);
    bool syncLineDataDetails(LineData2D* line);

    // For an object whose id was made for it just now (a merge): one insert,
    // without the look-up and the savepoint of the sync functions. False,
    // with nothing written, when the id is taken after all or storage fails.
    bool insertNewLocality(const Locality& locality);
    bool insertNewData(const Data& data);
    bool insertNewLineData(const LineData2D& line);

    bool removeLocality(Locality* locality);
    bool removeData(std::shared_ptr<Data> data);
    bool removeLineData(LineData2D* line);

private:
    using Bindings = std::vector<std::pair<SQLiteOperation::ColumnType, void*>>;

    struct RowWrite
    {
        std::string countSql;
        std::vector<std::string> keys;
        std::string record;
        std::string insertSavepoint;
        std::string insertSql;
        Bindings insertValues;
        std::string updateSql;
        Bindings updateValues;
        std::string updateName;
        std::string tooManyError;
        std::string countError;
        std::string insertNote;
        std::string updateNote;
    };

    // A table of rows keyed by data and locality id, and the names its
    // messages use.
    struct RowTable
    {
        std::string name;
        std::string caller;
        std::string noun;
    };

    // Adds the objects of the locality's rows in table, skipping ids it
    // already holds and rows that do not parse.
    template <typename Record, typename Object>
    bool loadLocalityRows(Locality& locality, const std::string& table,
                          bool (Locality::*isLoaded)(const std::string&) const,
                          void (Locality::*append)(std::shared_ptr<Object>));
    template <typename Record, typename Object>
    bool loadTableRows(const std::vector<Locality*>& localities, const std::string& table,
                       bool (Locality::*isLoaded)(const std::string&) const,
                       void (Locality::*append)(std::shared_ptr<Object>));
    bool openFile(const QFileInfo& file, bool existing);
    static bool hasReadableProjectRow(SQLiteDatabase& database);
    // Warns about a row (or, for a storage error, the rows of a locality)
    // that could not be read.
    // The dataId of a row, for a warning.
    std::string rowIdText(const std::string& table, std::int64_t rowId);
    void reportUnreadable(const std::string& table, const std::string& what, const std::string& why);
    // record is empty when the object has no complete record.
    bool syncLocalityRow(const RowTable& table, std::string dataId, std::string localityId,
                         const std::string& record);
    bool removeLocalityRow(const std::string& table, const std::string& savepoint,
                           const std::string& localityId, const std::string& dataId);
    bool writeRow(RowWrite& row);
    // localityId is null for the localities table.
    bool insertNewRow(const std::string& sql, const std::string& dataId, const std::string* localityId,
                      const google::protobuf::MessageLite* record);
    int countRows(const std::string& sql, std::vector<std::string> keys);
    bool insertRow(const std::string& savepoint, const std::string& sql, const Bindings& values);
    bool updateRow(const std::string& name, const std::string& sql, const Bindings& values);
    // Runs the statements, each with its text parameters, in one savepoint.
    bool deleteRows(const std::string& savepoint,
                    const std::vector<std::pair<std::string, std::vector<std::string>>>& statements);
    // Ends a failed savepoint: back to its start, then released so that no
    // transaction stays open on the connection.
    void rollBack(const std::string& savepoint);
    void addError(const std::string& text);

    QFileInfo m_file;
    std::unique_ptr<SQLiteDatabase> m_database;
    int m_version = 0;
    bool m_unreadableRecords = false;
};

} // namespace kiv
