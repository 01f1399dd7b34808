#include "drawing/SketchFileSet.h"

#include "Database/StartLeftovers.h"
#include "drawing/SketchFiles.h"
#include "model/ProjectFile.h"

#include <QDebug>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QUrl>

#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <optional>

namespace kiv {

const QString SketchFileSet::PartSuffix = QStringLiteral(".part");
const QString SketchFileSet::OldSuffix = QStringLiteral(".old");

namespace {

const QByteArray JournalOpening = QByteArrayLiteral("quarzel sketch journal ");
// An earlier version listed only its new files and copies.
const QByteArray JournalHeaderV1 = JournalOpening + '1';
const QByteArray JournalHeader = JournalOpening + '2';
// A file the save makes under a name nothing held before it.
const QByteArray CreatedKey = QByteArrayLiteral("new ");
// A copy the save makes under a name nothing held before it.
const QByteArray CopyKey = QByteArrayLiteral("copy ");
// A file the save fills before it takes its target's name.
const QByteArray PartKey = QByteArrayLiteral("part ");
// The second name the target's old file keeps until the save ends.
const QByteArray OldKey = QByteArrayLiteral("old ");
const QString JournalName = QStringLiteral("\\.sketch-[0-9a-z]{1,7}\\.journal");

// A part or old file the journal lists, and the file whose place it takes.
struct Leftover
{
    QString path;
    QString target;
};

// What a stopped save noted in its journal.
struct Journal
{
    QString path;
    QStringList created;
    QStringList copies;
    QVector<Leftover> parts;
    QVector<Leftover> olds;
};

bool isSketchFileName(const QString& name)
{
    return name.contains(SketchFiles::ImagePrefix) || name.contains(SketchFiles::SketchPrefix)
           || name.contains(SketchFiles::BackgroundPrefix);
}

// A regular file, never a link or what it points to.
bool isPlainFile(const QFileInfo& file)
{
    return file.isFile() && !file.isSymLink();
}

// `name` is the token's part or old name of a file in images: the leftover,
// or nothing when the name is not of that token and suffix.
std::optional<Leftover> leftoverNamed(const QDir& images, const QString& name, const QString& token,
                                      const QString& suffix)
{
    const QString ending = QLatin1Char('.') + token + suffix;
    if (!name.endsWith(ending) || name.size() == ending.size() || name.contains(QLatin1Char('/'))
        || name.contains(QLatin1Char('\\')))
        return std::nullopt;
    return Leftover{images.filePath(name), images.filePath(name.chopped(ending.size()))};
}

// An earlier version's journal named no parts: they are read off the
// folder, by the journal's own token only.
void readV1Leftovers(const QDir& images, const QString& token, Journal& journal)
{
    static const QRegularExpression name(QStringLiteral("^(.+)\\.([0-9a-z]{1,7})\\.(part|old)(\\.[A-Za-z0-9]{6})?$"));
    for (const QFileInfo& file : images.entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
        const QRegularExpressionMatch match = name.match(file.fileName());
        if (!match.hasMatch() || match.captured(2) != token || !isPlainFile(file)
            || !(isSketchFileName(match.captured(1)) || journal.copies.contains(match.captured(1))))
            continue;
        const Leftover leftover{file.filePath(), images.filePath(match.captured(1))};
        if (match.captured(3) == QLatin1String("part"))
            journal.parts << leftover;
        else
            journal.olds << leftover;
    }
}

void readLine(const QDir& images, const QString& token, const QByteArray& line, Journal& journal)
{
    const auto value = [&line](const QByteArray& key) {
        return QUrl::fromPercentEncoding(line.mid(key.size()).chopped(1));
    };
    if (line.startsWith(CreatedKey)) {
        journal.created << value(CreatedKey);
    } else if (line.startsWith(CopyKey)) {
        journal.copies << value(CopyKey);
    } else if (line.startsWith(PartKey)) {
        if (const auto part = leftoverNamed(images, value(PartKey), token, SketchFileSet::PartSuffix))
            journal.parts << *part;
    } else if (line.startsWith(OldKey)) {
        if (const auto old = leftoverNamed(images, value(OldKey), token, SketchFileSet::OldSuffix))
            journal.olds << *old;
    }
}

std::filesystem::path path(const QString& name)
{
    return std::filesystem::path(name.toStdU16String());
}

// A second name for the old file where the file system has them, so the
// target stays readable throughout; else the file moves aside.
bool keepAside(const QString& target, const QString& aside)
{
    if (isPlainFile(QFileInfo(target))) {
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

// The stopped saves' journals, by token; a file that is no journal of the
// program's is left out.
QHash<QString, Journal> journalsOf(const QDir& images)
{
    static const QRegularExpression name(QStringLiteral("^\\.sketch-([0-9a-z]{1,7})\\.journal$"));
    QHash<QString, Journal> journals;
    const QDir::Filters files = QDir::Files | QDir::Hidden;
    for (const QFileInfo& info : images.entryInfoList({QStringLiteral(".sketch-*.journal")}, files)) {
        const QRegularExpressionMatch match = name.match(info.fileName());
        QFile file(info.filePath());
        if (!match.hasMatch() || info.isSymLink() || !file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray header = file.readLine().trimmed();
        if (header != JournalHeader && header != JournalHeaderV1)
            continue;
        const QString token = match.captured(1);
        Journal& journal = journals[token];
        journal.path = info.filePath();
        while (!file.atEnd()) {
            const QByteArray line = file.readLine();
            // A line cut by the kill names nothing whole.
            if (line.endsWith('\n'))
                readLine(images, token, line, journal);
        }
        if (header == JournalHeaderV1)
            readV1Leftovers(images, token, journal);
    }
    return journals;
}

// 1 when a data row of the project holding images names one of the files, 0
// when none does, -1 when it cannot be told. A name merely found in a row's
// text counts too: a file is kept rather than lost.
int namedByRow(const QDir& images, const QStringList& names)
{
    const QFileInfo stored(QFileInfo(images.absolutePath()).dir().filePath(QStringLiteral("main.db")));
    if (!isPlainFile(stored))
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

// The part is the save's own name, listed before it is made: filled in
// place, never under a second temporary name no journal lists.
bool openPart(QFile& part)
{
    return part.open(QIODevice::WriteOnly | QIODevice::NewOnly);
}

// Said before a failed part goes, so the log meets it where it stopped.
bool closePart(QFile& part, bool written, const QString& failure)
{
    // The last write may wait in the buffer.
    const bool made = part.isOpen();
    written = written && part.flush();
    if (!written)
        qWarning().noquote() << failure << part.errorString();
    part.close();
    // One it could not make exclusively is not its own.
    if (!written && made)
        part.remove();
    return written;
}

bool writePicture(const QImage& image, const QString& part, const QByteArray& format)
{
    QFile file(part);
    return closePart(file, openPart(file) && image.save(&file, format.constData()),
                     QStringLiteral("Sketch: cannot write %1").arg(part));
}

// Copies source into part whole or not at all.
bool fillCopy(const QString& source, const QString& part)
{
    QFile in(source);
    QFile out(part);
    bool copied = !QFileInfo(source).isSymLink() && in.open(QIODevice::ReadOnly) && openPart(out);
    while (copied && !in.atEnd()) {
        const QByteArray chunk = in.read(1 << 16);
        copied = !chunk.isEmpty() && out.write(chunk) == chunk.size();
    }
    return closePart(out, copied, QStringLiteral("Sketch: cannot copy %1 to %2").arg(source, part));
}

bool removeLeftover(const QString& path)
{
    const bool gone = QFile::remove(path);
    qInfo().noquote() << "Sketch:" << (gone ? "removed the unfinished" : "cannot remove the unfinished") << path;
    return gone;
}

// Whether a stopped save completed: 1 yes, 0 no, -1 when it cannot be told.
int completed(const QDir& images, const Journal& journal)
{
    // A row names no copy alone: copies with no new file tell nothing.
    if (journal.created.isEmpty() && !journal.copies.isEmpty())
        return -1;
    if (!journal.created.isEmpty()) {
        const int named = namedByRow(images, journal.created);
        return named < 0 ? -1 : named;
    }
    // Only replaced files: a part left means they were not all placed.
    const auto isLeft = [](const Leftover& part) { return isPlainFile(QFileInfo(part.path)); };
    return std::any_of(journal.parts.begin(), journal.parts.end(), isLeft) ? 0 : 1;
}

// Settles one stopped save by what its journal lists; returns how many
// files were removed or put back.
int settle(const QDir& images, const QString& token, const Journal& journal)
{
    const int done = completed(images, journal);
    if (done < 0) {
        qWarning().noquote() << "Sketch: cannot tell whether the save" << token << "in" << images.path()
                             << "was stored; its files stay";
        return 0;
    }
    int settled = 0;
    // The old files go back before the parts and new files go: a kill in
    // between still finds the save unfinished.
    for (const Leftover& old : journal.olds) {
        if (!isPlainFile(QFileInfo(old.path)))
            continue;
        if (done == 1) {
            settled += removeLeftover(old.path) ? 1 : 0;
            continue;
        }
        const bool back = putBack(old.path, old.target);
        qInfo().noquote() << "Sketch:" << (back ? "put back" : "cannot put back") << old.target;
        settled += back ? 1 : 0;
    }
    for (const Leftover& part : journal.parts) {
        if (isPlainFile(QFileInfo(part.path)))
            settled += removeLeftover(part.path) ? 1 : 0;
    }
    for (const QString& name : done == 0 ? journal.created + journal.copies : QStringList()) {
        const QString path = ProjectFile::resolve(images, name);
        if (!path.isEmpty())
            settled += removeLeftover(path) ? 1 : 0;
    }
    QFile::remove(journal.path);
    return settled;
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
    if (image.isNull())
        return false;
    const QByteArray name = format ? QByteArray(format) : QFileInfo(target).suffix().toLatin1();
    m_entries.push_back({target, QString(), false, image, name});
    return true;
}

bool SketchFileSet::copy(const QString& source, const QString& target)
{
    const QFileInfo existing(target);
    // One an earlier save left counts as done.
    if (existing.exists() || existing.isSymLink())
        return isPlainFile(existing) && SketchFiles::keepOriginal(source, target);
    m_entries.push_back({target, source, false, QImage(), QByteArray()});
    return true;
}

bool SketchFileSet::copyNamed(const QString& source, const QString& target)
{
    const QFileInfo existing(target);
    if (existing.exists() || existing.isSymLink())
        return false;
    m_entries.push_back({target, source, true, QImage(), QByteArray()});
    return true;
}

bool SketchFileSet::place()
{
    // Nothing is made yet: the names are not the set's to remove.
    if (!noteFiles()) {
        m_entries.clear();
        return false;
    }
    if (!fillParts()) {
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

// Before any file is made: a kill at any later step leaves the next start
// a journal naming every file the save made or set aside, and nothing else.
bool SketchFileSet::noteFiles()
{
    QByteArray lines;
    QDir folder;
    const auto line = [](const QByteArray& key, const QString& path) {
        return key + QUrl::toPercentEncoding(QFileInfo(path).fileName()) + '\n';
    };
    for (const Entry& entry : m_entries) {
        const QFileInfo target(entry.target);
        folder = target.dir();
        const QFileInfo part(partPath(entry.target));
        const QFileInfo old(oldPath(entry.target));
        // Names of the save's own, free when asked for: a copy never
        // replaces a file.
        if (part.exists() || part.isSymLink() || old.exists() || old.isSymLink()
            || (!entry.source.isEmpty() && (target.exists() || target.isSymLink())))
            return false;
        lines += line(PartKey, part.filePath());
        if (target.exists() || target.isSymLink())
            lines += line(OldKey, old.filePath());
        else
            lines += line(entry.source.isEmpty() || entry.named ? CreatedKey : CopyKey, entry.target);
    }
    if (m_entries.empty())
        return true;
    const QString journal = folder.filePath(QStringLiteral(".sketch-%1.journal").arg(m_token));
    // Written whole under another name first: the next start never meets
    // a cut journal.
    if (ProjectFile::writeNewFile(journal, JournalHeader + '\n' + lines)) {
        m_journal = journal;
        return true;
    }
    qWarning() << "Sketch: cannot note the save's files in" << journal;
    return false;
}

bool SketchFileSet::fillParts()
{
    for (const Entry& entry : m_entries) {
        const QString part = partPath(entry.target);
        if (!(entry.source.isEmpty() ? writePicture(entry.image, part, entry.format) : fillCopy(entry.source, part)))
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
    settled += ProjectFile::removeUnwritten(images, JournalName, JournalOpening);
    const QHash<QString, Journal> journals = journalsOf(images);
    for (auto journal = journals.begin(); journal != journals.end(); ++journal)
        settled += settle(images, journal.key(), journal.value());
    return settled;
}

void SketchFileSet::feed(StartLeftovers& leftovers)
{
    leftovers.addProjectRule(
        [](const QDir& project) { return removeLeftovers(QDir(project.filePath(QStringLiteral("images")))); });
}

} // namespace kiv
