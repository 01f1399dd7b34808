#include "model/MergeJournal.h"

#include "Database/StartLeftovers.h"
#include "model/ProjectFile.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QUrl>

#include <sqlite3.h>

#include <filesystem>
#include <utility>

namespace kiv {

namespace {

const QByteArray Header = QByteArrayLiteral("quarzel merge journal 1");
const QByteArray BeforeKey = QByteArrayLiteral("before ");
const QByteArray LocalityKey = QByteArrayLiteral("locality ");
// A copy made under its own name, as journals of earlier versions note it.
const QByteArray FileKey = QByteArrayLiteral("file ");
// A part and the name it is meant for, noted before the part is made.
const QByteArray CopyKey = QByteArrayLiteral("copy ");
// A filled part whose move to its name comes next.
const QByteArray PlacingKey = QByteArrayLiteral("placing ");
// A part whose move failed, removed next: it never got its name.
const QByteArray UnplacedKey = QByteArrayLiteral("unplaced ");
const QString NamePattern = QStringLiteral(".merge-*.journal");

QString randomHex()
{
    return QStringLiteral("%1").arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
}

bool isPartName(const QString& name)
{
    static const QRegularExpression part(QStringLiteral("^\\.merge-[0-9a-f]{16}\\.part$"));
    return part.match(name).hasMatch();
}

QByteArray encoded(const QDir& folder, const QString& path)
{
    return QUrl::toPercentEncoding(folder.relativeFilePath(path), "/");
}

// The project rows as one hash; empty when they cannot be read.
QByteArray projectRowsHash(sqlite3* database)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(database, "SELECT projectId, message FROM project ORDER BY projectId", -1, &statement,
                           nullptr)
        != SQLITE_OK) {
        sqlite3_finalize(statement);
        return {};
    }
    QCryptographicHash hash(QCryptographicHash::Sha1);
    int result = SQLITE_ROW;
    while ((result = sqlite3_step(statement)) == SQLITE_ROW) {
        const QByteArray id = QByteArray::number(sqlite3_column_int64(statement, 0));
        const int size = sqlite3_column_bytes(statement, 1);
        hash.addData(id + ' ' + QByteArray::number(size) + ' ');
        hash.addData(static_cast<const char*>(sqlite3_column_blob(statement, 1)), size);
    }
    sqlite3_finalize(statement);
    return result == SQLITE_DONE ? hash.result().toHex() : QByteArray();
}

// 1 when the locality row is stored, 0 when not, -1 when it cannot be told.
int localityStored(sqlite3* database, const QByteArray& id)
{
    sqlite3_stmt* statement = nullptr;
    int stored = -1;
    if (sqlite3_prepare_v2(database, "SELECT 1 FROM localities WHERE localityId = ?", -1, &statement, nullptr)
            == SQLITE_OK
        && sqlite3_bind_text(statement, 1, id.constData(), id.size(), SQLITE_TRANSIENT) == SQLITE_OK) {
        const int result = sqlite3_step(statement);
        stored = result == SQLITE_ROW ? 1 : result == SQLITE_DONE ? 0 : -1;
    }
    sqlite3_finalize(statement);
    return stored;
}

struct Entries
{
    QByteArray before;
    QByteArray locality;
    // Copies made under their own names.
    QStringList files;
    // Each part and the name it was meant for.
    QList<QPair<QString, QString>> copies;
    QStringList placing;
};

// False for a file that is no journal of the program's.
bool readJournal(const QString& path, Entries& entries)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.readLine().trimmed() != Header)
        return false;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        // A line cut by the kill names nothing whole.
        if (!line.endsWith('\n'))
            break;
        const QByteArray value = line.chopped(1);
        if (value.startsWith(BeforeKey)) {
            entries.before = value.mid(BeforeKey.size());
        } else if (value.startsWith(LocalityKey) && entries.locality.isEmpty()) {
            entries.locality = value.mid(LocalityKey.size());
        } else if (value.startsWith(FileKey)) {
            entries.files << QUrl::fromPercentEncoding(value.mid(FileKey.size()));
        } else if (value.startsWith(CopyKey)) {
            const QList<QByteArray> names = value.mid(CopyKey.size()).split(' ');
            if (names.size() == 2)
                entries.copies.append({QUrl::fromPercentEncoding(names[0]), QUrl::fromPercentEncoding(names[1])});
        } else if (value.startsWith(PlacingKey)) {
            entries.placing << QUrl::fromPercentEncoding(value.mid(PlacingKey.size()));
        } else if (value.startsWith(UnplacedKey)) {
            entries.placing.removeAll(QUrl::fromPercentEncoding(value.mid(UnplacedKey.size())));
        }
    }
    return !entries.before.isEmpty();
}

// The part of a journal's copy as a plain file of the folder; empty when it
// is gone or names no part.
QString partPath(const QDir& folder, const QString& part)
{
    return isPartName(QFileInfo(part).fileName()) ? ProjectFile::resolve(folder, part) : QString();
}

// The names the stopped merge gave its copies. A copy noted as being placed
// got its name unless its part is still there under a name of its own (a
// move by link leaves both names on one file for a moment); a name noted
// only before its part was made may be anyone's.
QStringList placedCopies(const QDir& folder, const Entries& entries)
{
    QStringList placed = entries.files;
    for (const QPair<QString, QString>& copy : entries.copies) {
        if (!entries.placing.contains(copy.first) || !isPartName(QFileInfo(copy.first).fileName()))
            continue;
        const QString part = partPath(folder, copy.first);
        const QString destination = ProjectFile::resolve(folder, copy.second);
        std::error_code error;
        if (part.isEmpty()
            || (!destination.isEmpty()
                && std::filesystem::equivalent(QFile::encodeName(part).toStdString(),
                                               QFile::encodeName(destination).toStdString(), error)))
            placed << copy.second;
    }
    return placed;
}

enum class Outcome { Stopped, Committed, Unknown };

Outcome outcomeOf(const QDir& folder, const Entries& entries)
{
    const QFileInfo stored(folder.filePath(QStringLiteral("main.db")));
    if (!stored.isFile() || stored.isSymLink())
        return Outcome::Unknown;
    sqlite3* database = nullptr;
    // Opening it rolls back what the stopped merge wrote.
    const QByteArray path = QFile::encodeName(stored.absoluteFilePath());
    Outcome outcome = Outcome::Unknown;
    if (sqlite3_open_v2(path.constData(), &database, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        const QByteArray rows = projectRowsHash(database);
        const int locality = entries.locality.isEmpty() ? 0 : localityStored(database, entries.locality);
        if (!rows.isEmpty() && locality >= 0)
            outcome = locality == 1 || rows != entries.before ? Outcome::Committed : Outcome::Stopped;
    }
    sqlite3_close(database);
    return outcome;
}

// False when a copy stays.
bool removeCopies(const QDir& folder, const QStringList& names, int& removed)
{
    bool all = true;
    for (const QString& name : names) {
        // Gone already, or not a plain file of the folder's.
        const QString path = ProjectFile::resolve(folder, name);
        if (path.isEmpty())
            continue;
        const bool gone = QFile::remove(path);
        qInfo().noquote() << "Merge:" << (gone ? "removed the copy of a stopped merge" : "cannot remove") << path;
        removed += gone ? 1 : 0;
        all = all && gone;
    }
    return all;
}

const QDir::Filters Files = QDir::Files | QDir::Hidden | QDir::System;

// The parts a settled journal lists: a name of the program's own, never one
// merely named like a part.
int removeParts(const QDir& folder, const Entries& entries)
{
    int removed = 0;
    for (const QPair<QString, QString>& copy : entries.copies) {
        const QString part = partPath(folder, copy.first);
        if (part.isEmpty())
            continue;
        const bool gone = QFile::remove(part);
        qInfo().noquote() << "Merge:" << (gone ? "removed the part of a stopped merge" : "cannot remove") << part;
        removed += gone ? 1 : 0;
    }
    return removed;
}

// Earlier versions made the journal empty and then wrote it: one stopped
// before its "before" line was whole noted no copy yet.
bool removeUnfinished(const QString& path)
{
    static const QRegularExpression hex(QStringLiteral("\\A[0-9a-f]*\\z"));
    const QByteArray opening = Header + '\n' + BeforeKey;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > opening.size() + 40)
        return false;
    const QByteArray content = file.readAll();
    if (!opening.startsWith(content)
        && !(content.startsWith(opening) && hex.match(QString::fromLatin1(content.mid(opening.size()))).hasMatch()))
        return false;
    file.close();
    const bool gone = file.remove();
    qInfo().noquote() << "Merge:" << (gone ? "removed the unfinished journal" : "cannot remove") << path;
    return gone;
}

} // namespace

bool MergeJournal::begin(const QDir& folder, sqlite3* database)
{
    m_folder = QDir(folder.absolutePath());
    m_locality.clear();
    m_before = database ? projectRowsHash(database) : QByteArray();
    m_active = !m_before.isEmpty();
    if (!m_active)
        qWarning() << "MergeJournal: cannot read the project row of" << m_folder.absolutePath();
    return m_active;
}

bool MergeJournal::noteLocality(const std::string& id)
{
    if (!m_active || !m_locality.empty())
        return true;
    m_locality = id;
    return !m_file.isOpen() || append(LocalityKey + QByteArray::fromStdString(id));
}

QString MergeJournal::notePart(const QString& destination)
{
    const QString part = QFileInfo(destination).dir().filePath(QStringLiteral(".merge-%1.part").arg(randomHex()));
    if (!m_active)
        return part;
    if (!m_file.isOpen() && !create())
        return QString();
    return append(CopyKey + encoded(m_folder, part) + ' ' + encoded(m_folder, destination)) ? part : QString();
}

bool MergeJournal::place(const QString& part, const QString& destination)
{
    if (m_active && !append(PlacingKey + encoded(m_folder, part))) {
        QFile::remove(part);
        return false;
    }
    if (ProjectFile::moveToFreshName(part, destination))
        return true;
    qWarning() << "MergeJournal: cannot give" << part << "the name" << destination;
    if (m_active)
        m_unplaced << part;
    else
        QFile::remove(part);
    return false;
}

void MergeJournal::finish()
{
    // Noted before they go, so that no kill leaves one unlisted.
    for (auto part = m_unplaced.begin(); part != m_unplaced.end();) {
        if (m_file.isOpen() && append(UnplacedKey + encoded(m_folder, *part)) && QFile::remove(*part))
            part = m_unplaced.erase(part);
        else
            ++part;
    }
    bool removed = true;
    if (m_file.isOpen()) {
        m_file.close();
        removed = m_file.remove();
        if (!removed)
            qWarning() << "MergeJournal: cannot remove" << m_file.fileName() << m_file.errorString();
    }
    // With the journal left, the next start removes them.
    for (const QString& part : std::exchange(m_unplaced, {})) {
        if (removed)
            QFile::remove(part);
    }
    m_active = false;
}

bool MergeJournal::create()
{
    QByteArray opening = Header + '\n' + BeforeKey + m_before + '\n';
    if (!m_locality.empty())
        opening += LocalityKey + QByteArray::fromStdString(m_locality) + '\n';
    for (int attempt = 0; attempt < 16 && !m_file.isOpen(); ++attempt) {
        m_file.setFileName(m_folder.filePath(QStringLiteral(".merge-%1.journal").arg(randomHex())));
        // Whole before it takes its name: the next start reads no cut one.
        if (!ProjectFile::writeNewFile(m_file.fileName(), opening))
            continue;
        if (m_file.open(QIODevice::Append))
            return true;
        m_file.remove();
        break;
    }
    qWarning() << "MergeJournal: cannot create a journal in" << m_folder.absolutePath() << m_file.errorString();
    return false;
}

bool MergeJournal::append(const QByteArray& line)
{
    const QByteArray bytes = line + '\n';
    // Flushed at once: the next start reads what a kill left.
    const bool written = m_file.write(bytes) == bytes.size() && m_file.flush();
    if (!written)
        qWarning() << "MergeJournal: cannot write" << m_file.fileName() << m_file.errorString();
    return written;
}

int MergeJournal::removeLeftovers(const QDir& folder)
{
    static const QRegularExpression name(QStringLiteral("^\\.merge-[0-9a-f]{16}\\.journal$"));
    int removed = ProjectFile::removeUnwritten(folder, QStringLiteral("\\.merge-[0-9a-f]{16}\\.journal"),
                                               Header + '\n' + BeforeKey);
    for (const QFileInfo& journal : folder.entryInfoList({NamePattern}, Files)) {
        Entries entries;
        if (!journal.isFile() || journal.isSymLink() || !name.match(journal.fileName()).hasMatch())
            continue;
        if (!readJournal(journal.filePath(), entries)) {
            removed += removeUnfinished(journal.filePath()) ? 1 : 0;
            continue;
        }
        const Outcome outcome = outcomeOf(folder, entries);
        // A journal that stays keeps its parts: judged again at a later
        // start, each tells whether its copy got its name.
        if (outcome == Outcome::Unknown) {
            qWarning().noquote() << "Merge: cannot tell whether the merge of" << journal.filePath()
                                 << "was stored; its copies stay";
        } else if ((outcome == Outcome::Committed || removeCopies(folder, placedCopies(folder, entries), removed))
                   && QFile::remove(journal.filePath())) {
            removed += removeParts(folder, entries);
        }
    }
    return removed;
}

void MergeJournal::feed(StartLeftovers& leftovers)
{
    leftovers.addProjectRule(removeLeftovers);
}

} // namespace kiv
