#include "drawing/SketchFileSet.h"

#include "Database/StartLeftovers.h"
#include "drawing/ImageFile.h"
#include "drawing/SketchFiles.h"
#include "model/ProjectFile.h"

#include <QDebug>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSaveFile>
#include <QUrl>

#include <sqlite3.h>

#include <algorithm>
#include <filesystem>

namespace kiv {

const QString SketchFileSet::PartSuffix = QStringLiteral(".part");
const QString SketchFileSet::OldSuffix = QStringLiteral(".old");

namespace {

const QByteArray JournalHeader = QByteArrayLiteral("quarzel sketch journal 1");
// A file the save makes under a name nothing held before it.
const QByteArray CreatedKey = QByteArrayLiteral("new ");
// A copy the save makes under a name nothing held before it; listed after
// the new files, so a journal whose copies are whole lists them all.
const QByteArray CopyKey = QByteArrayLiteral("copy ");
const QString JournalName = QStringLiteral("\\.sketch-[0-9a-z]{1,7}\\.journal");

// What a stopped save noted in its journal.
struct Journal
{
    QStringList created;
    QStringList copies;
};

bool isSketchFileName(const QString& name)
{
    return name.contains(SketchFiles::ImagePrefix) || name.contains(SketchFiles::SketchPrefix)
           || name.contains(SketchFiles::BackgroundPrefix);
}

// A leftover of one stopped save, read from its name.
struct Leftover
{
    QString path;
    QString target;
    bool part = false;
};

// By token. A part still being written carries the six characters of its
// own temporary name. The parts of copies are known by their journals.
QHash<QString, QVector<Leftover>> leftoversOf(const QDir& images, const QHash<QString, Journal>& journals)
{
    static const QRegularExpression name(QStringLiteral("^(.+)\\.([0-9a-z]{1,7})\\.(part|old)(\\.[A-Za-z0-9]{6})?$"));
    QHash<QString, QVector<Leftover>> sets;
    const QDir::Filters files = QDir::Files | QDir::Hidden | QDir::System;
    for (const QFileInfo& file : images.entryInfoList(files)) {
        const QRegularExpressionMatch match = name.match(file.fileName());
        if (!match.hasMatch() || !file.isFile() || file.isSymLink()
            || !(isSketchFileName(match.captured(1))
                 || journals.value(match.captured(2)).copies.contains(match.captured(1))))
            continue;
        sets[match.captured(2)].append(
            {file.filePath(), images.filePath(match.captured(1)), match.captured(3) == QLatin1String("part")});
    }
    return sets;
}

std::filesystem::path path(const QString& name)
{
    return std::filesystem::path(name.toStdU16String());
}

// A second name for the old file where the file system has them, so the
// target stays readable throughout; else the file moves aside.
bool keepAside(const QString& target, const QString& aside)
{
    const QFileInfo file(target);
    if (file.isFile() && !file.isSymLink()) {
        std::error_code error;
        std::filesystem::create_hard_link(path(target), path(aside), error);
        if (!error)
            return true;
    }
    return ProjectFile::replaceFile(target, aside);
}

// Moving a second name over the first changes nothing and leaves both: the
// aside name then goes by itself.
bool putBack(const QString& aside, const QString& target)
{
    if (!ProjectFile::replaceFile(aside, target))
        return false;
    if (QFileInfo(aside).isFile())
        QFile::remove(aside);
    return true;
}

// The files a stopped save noted as its own new ones, by token; a file
// that is no journal of the program's is left out.
QHash<QString, Journal> journalsOf(const QDir& images)
{
    static const QRegularExpression name(QStringLiteral("^\\.sketch-([0-9a-z]{1,7})\\.journal$"));
    QHash<QString, Journal> journals;
    const QDir::Filters files = QDir::Files | QDir::Hidden;
    for (const QFileInfo& info : images.entryInfoList({QStringLiteral(".sketch-*.journal")}, files)) {
        const QRegularExpressionMatch match = name.match(info.fileName());
        QFile file(info.filePath());
        if (!match.hasMatch() || info.isSymLink() || !file.open(QIODevice::ReadOnly)
            || file.readLine().trimmed() != JournalHeader)
            continue;
        Journal& journal = journals[match.captured(1)];
        while (!file.atEnd()) {
            const QByteArray line = file.readLine();
            // A line cut by the kill names nothing whole.
            if (!line.endsWith('\n'))
                continue;
            if (line.startsWith(CreatedKey))
                journal.created << QUrl::fromPercentEncoding(line.mid(CreatedKey.size()).chopped(1));
            else if (line.startsWith(CopyKey))
                journal.copies << QUrl::fromPercentEncoding(line.mid(CopyKey.size()).chopped(1));
        }
    }
    return journals;
}

// 1 when a data row of the project holding images names one of the files, 0
// when none does, -1 when it cannot be told. A name merely found in a row's
// text counts too: a file is kept rather than lost.
int namedByRow(const QDir& images, const QStringList& names)
{
    const QFileInfo stored(QFileInfo(images.absolutePath()).dir().filePath(QStringLiteral("main.db")));
    if (!stored.isFile() || stored.isSymLink())
        return -1;
    sqlite3* database = nullptr;
    sqlite3_stmt* statement = nullptr;
    // Opened for writing: a transaction the kill cut short is rolled back.
    int named = sqlite3_open_v2(QFile::encodeName(stored.absoluteFilePath()).constData(), &database,
                                SQLITE_OPEN_READWRITE, nullptr)
                        == SQLITE_OK
                    && sqlite3_prepare_v2(database, "SELECT 1 FROM data WHERE instr(message, ?) > 0 LIMIT 1", -1,
                                          &statement, nullptr)
                           == SQLITE_OK
                ? 0
                : -1;
    for (const QString& name : names) {
        const QByteArray bytes = name.toUtf8();
        if (named != 0
            || sqlite3_bind_blob(statement, 1, bytes.constData(), bytes.size(), SQLITE_TRANSIENT) != SQLITE_OK)
            break;
        const int result = sqlite3_step(statement);
        named = result == SQLITE_ROW ? 1 : result == SQLITE_DONE ? 0 : -1;
        sqlite3_reset(statement);
    }
    sqlite3_finalize(statement);
    sqlite3_close(database);
    return named;
}

// Copies source into part whole or not at all.
bool fillCopy(const QString& source, const QString& part)
{
    QFile in(source);
    QSaveFile out(part);
    bool copied = !QFileInfo(source).isSymLink() && in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly);
    while (copied && !in.atEnd()) {
        const QByteArray chunk = in.read(1 << 16);
        copied = !chunk.isEmpty() && out.write(chunk) == chunk.size();
    }
    // The last write may wait in the buffer: flushed before the commit.
    if (copied && out.flush() && out.commit())
        return true;
    qWarning() << "Sketch: cannot copy" << source << "to" << part << out.errorString();
    return false;
}

bool removeLeftover(const QString& path)
{
    const bool gone = QFile::remove(path);
    qInfo().noquote() << "Sketch:" << (gone ? "removed the unfinished" : "cannot remove the unfinished") << path;
    return gone;
}

} // namespace

SketchFileSet::SketchFileSet()
    : m_token(QString::number(QRandomGenerator::global()->generate(), 36))
{
}

SketchFileSet::~SketchFileSet()
{
    if (!m_finished)
        restore();
}

QString SketchFileSet::partPath(const QString& target) const
{
    return target + QLatin1Char('.') + m_token + PartSuffix;
}

QString SketchFileSet::oldPath(const QString& target) const
{
    return target + QLatin1Char('.') + m_token + OldSuffix;
}

bool SketchFileSet::write(const QImage& image, const QString& target, const char* format)
{
    const QByteArray suffix = QFileInfo(target).suffix().toLatin1();
    if (!ImageFile::save(image, partPath(target), format ? format : suffix.constData()))
        return false;
    m_entries.push_back({target, QString(), false, false});
    return true;
}

bool SketchFileSet::copy(const QString& source, const QString& target)
{
    const QFileInfo existing(target);
    // One an earlier save left counts as done.
    if (existing.exists() || existing.isSymLink())
        return existing.isFile() && !existing.isSymLink() && SketchFiles::keepOriginal(source, target);
    m_entries.push_back({target, source, false, false});
    return true;
}

bool SketchFileSet::place()
{
    if (!noteCreated())
        return false;
    if (!fillCopies()) {
        restore();
        return false;
    }
    for (Entry& entry : m_entries) {
        if (!placeEntry(entry)) {
            restore();
            return false;
        }
    }
    return true;
}

// Before any is placed: a kill after a file took a fresh name must leave
// that name to the next start, which removes it unless a row names it.
bool SketchFileSet::noteCreated()
{
    QByteArray created;
    QByteArray copies;
    QDir folder;
    for (const Entry& entry : m_entries) {
        const QFileInfo target(entry.target);
        folder = target.dir();
        if (target.exists() || target.isSymLink()) {
            // Found free when it was asked for: a copy never replaces a file.
            if (!entry.source.isEmpty())
                return false;
            continue;
        }
        const QByteArray name = QUrl::toPercentEncoding(target.fileName()) + '\n';
        if (entry.source.isEmpty())
            created += CreatedKey + name;
        else
            copies += CopyKey + name;
    }
    if (created.isEmpty() && copies.isEmpty())
        return true;
    const QString journal = folder.filePath(QStringLiteral(".sketch-%1.journal").arg(m_token));
    // Written whole under another name first: the next start never meets
    // a cut journal.
    if (ProjectFile::writeNewFile(journal, JournalHeader + '\n' + created + copies)) {
        m_journal = journal;
        return true;
    }
    qWarning() << "Sketch: cannot note the new files in" << journal;
    return false;
}

// After the journal lists them, so a kill leaves no copy unlisted.
bool SketchFileSet::fillCopies()
{
    for (const Entry& entry : m_entries) {
        if (!entry.source.isEmpty() && !fillCopy(entry.source, partPath(entry.target)))
            return false;
    }
    return true;
}

// The old file is kept aside first, so a kill leaves it findable by name.
bool SketchFileSet::placeEntry(Entry& entry)
{
    const QFileInfo old(entry.target);
    // A folder would move aside whole; it is not a sketch file to replace.
    if (old.isDir() && !old.isSymLink())
        return false;
    if (old.exists() || old.isSymLink()) {
        if (!keepAside(entry.target, oldPath(entry.target)))
            return false;
        entry.hadOld = true;
    }
    if (!ProjectFile::replaceFile(partPath(entry.target), entry.target)) {
        if (entry.hadOld && putBack(oldPath(entry.target), entry.target))
            entry.hadOld = false;
        return false;
    }
    entry.placed = true;
    return true;
}

// Last placed first; each placed file takes its part name again before the
// old one returns, so a kill on the way still finds the save unfinished.
void SketchFileSet::restore()
{
    for (auto entry = m_entries.rbegin(); entry != m_entries.rend(); ++entry) {
        if (entry->placed) {
            keepAside(entry->target, partPath(entry->target));
            if (!entry->hadOld)
                QFile::remove(entry->target);
        }
        if (entry->hadOld && !putBack(oldPath(entry->target), entry->target))
            qWarning() << "Sketch: cannot put back" << entry->target;
        entry->placed = false;
        entry->hadOld = false;
    }
    for (const Entry& entry : m_entries)
        QFile::remove(partPath(entry.target));
    m_entries.clear();
    removeJournal();
}

void SketchFileSet::removeJournal()
{
    if (!m_journal.isEmpty())
        QFile::remove(m_journal);
    m_journal.clear();
}

void SketchFileSet::finish()
{
    for (const Entry& entry : m_entries) {
        if (entry.hadOld)
            QFile::remove(oldPath(entry.target));
    }
    m_entries.clear();
    removeJournal();
    m_finished = true;
}

int SketchFileSet::removeLeftovers(const QDir& images)
{
    int settled = 0;
    // Only the project's own folder, never one a link leads to.
    const QFileInfo folder(images.path());
    if (!folder.isDir() || folder.isSymLink())
        return 0;
    // A journal stopped before it took its name noted nothing yet made.
    settled += ProjectFile::removeUnwritten(images, JournalName, JournalHeader + '\n');
    const QHash<QString, Journal> journals = journalsOf(images);
    QHash<QString, QVector<Leftover>> sets = leftoversOf(images, journals);
    // Whether a save that noted its new files got its row stored.
    QHash<QString, bool> stored;
    for (auto journal = journals.begin(); journal != journals.end(); ++journal) {
        // A row names no copy alone: copies with no new file tell nothing.
        const int named = journal->created.isEmpty() && !journal->copies.isEmpty()
                              ? -1
                              : namedByRow(images, journal->created);
        if (named < 0) {
            qWarning().noquote() << "Sketch: cannot tell whether the save" << journal.key() << "in" << images.path()
                                 << "was stored; its files stay";
            sets.remove(journal.key());
            continue;
        }
        stored.insert(journal.key(), named == 1);
        for (const QString& name : journal->created + journal->copies) {
            const QString path = named == 0 ? ProjectFile::resolve(images, name) : QString();
            if (!path.isEmpty())
                settled += removeLeftover(path) ? 1 : 0;
        }
    }
    for (auto set = sets.begin(); set != sets.end(); ++set) {
        const auto isPart = [](const Leftover& file) { return file.part; };
        const bool unfinished = stored.contains(set.key()) ? !stored.value(set.key())
                                                           : std::any_of(set->begin(), set->end(), isPart);
        // The old files go back before the parts go: a kill in between
        // still finds the save unfinished.
        for (const Leftover& file : *set) {
            if (file.part || !unfinished)
                continue;
            const bool back = putBack(file.path, file.target);
            qInfo().noquote() << "Sketch:" << (back ? "put back" : "cannot put back") << file.target;
            settled += back ? 1 : 0;
        }
        for (const Leftover& file : *set) {
            if (file.part || !unfinished)
                settled += removeLeftover(file.path) ? 1 : 0;
        }
    }
    for (auto journal = stored.begin(); journal != stored.end(); ++journal)
        QFile::remove(images.filePath(QStringLiteral(".sketch-%1.journal").arg(journal.key())));
    return settled;
}

void SketchFileSet::feed(StartLeftovers& leftovers)
{
    leftovers.addProjectRule(
        [](const QDir& project) { return removeLeftovers(QDir(project.filePath(QStringLiteral("images")))); });
}

} // namespace kiv
