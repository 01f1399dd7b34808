#include "export/ExportLeftovers.h"

#include "Database/StartLeftovers.h"
#include "model/ProjectFile.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QUrl>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kiv {

namespace {

const QByteArray Header = QByteArrayLiteral("quarzel export journal 1");
// A working file, moved over its target once complete.
const QByteArray PartKey = QByteArrayLiteral("part ");
// A working folder, removed whole.
const QByteArray FolderKey = QByteArrayLiteral("folder ");
const QString JournalName = QStringLiteral("\\.export-[0-9a-f]{16}\\.journal");
const QString FolderPrefix = QStringLiteral("export-");

struct Listed
{
    QStringList parts;
    QStringList folders;
};

QString newToken()
{
    return QStringLiteral("%1").arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
}

bool isOwn(const QFileInfo& info)
{
#ifdef Q_OS_UNIX
    // The temporary folder may be shared with other users' instances.
    return info.ownerId() == ::geteuid();
#else
    Q_UNUSED(info);
    return true;
#endif
}

// False when the file or folder stayed.
bool removeOne(const QString& path, bool gone, bool atStart)
{
    if (!gone)
        qWarning().noquote() << "Export: cannot remove the unfinished" << path;
    else if (atStart)
        qInfo().noquote() << "Export: removed the unfinished" << path;
    return gone;
}

// Removes the listed parts that are regular files of the folder reached
// without links, and the listed folders (links inside removed, never
// followed). False when one of them stayed.
bool removeListed(const QDir& folder, const Listed& listed, int& removed, bool atStart)
{
    // Only names an export gives: a journal brought in with a project has
    // nothing else removed.
    static const QRegularExpression part(QStringLiteral("\\A[^/\\\\]+\\.[0-9a-f]{16}\\.part\\z"));
    static const QRegularExpression workFolder(QStringLiteral("\\A%1[0-9a-f]{16}\\z").arg(FolderPrefix));
    bool all = true;
    for (const QString& name : listed.parts) {
        // Gone already (moved into place), or no plain file of the folder.
        const QString path = part.match(name).hasMatch() ? ProjectFile::resolve(folder, name) : QString();
        if (path.isEmpty())
            continue;
        const bool gone = removeOne(path, QFile::remove(path), atStart);
        removed += gone ? 1 : 0;
        all = all && gone;
    }
    for (const QString& name : listed.folders) {
        const QFileInfo info(folder.filePath(name));
        if (!workFolder.match(name).hasMatch() || !info.isDir() || info.isSymLink() || !isOwn(info))
            continue;
        const bool gone = removeOne(info.filePath(), QDir(info.filePath()).removeRecursively(), atStart);
        removed += gone ? 1 : 0;
        all = all && gone;
    }
    return all;
}

// False for a file that is no journal of the program's and this user's, or
// that cannot be read.
bool readJournal(const QFileInfo& info, Listed& listed)
{
    QFile file(info.filePath());
    if (!info.isFile() || info.isSymLink() || !isOwn(info) || !file.open(QIODevice::ReadOnly)
        || file.readLine() != Header + '\n')
        return false;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        if (!line.endsWith('\n'))
            return false;
        if (line.startsWith(PartKey))
            listed.parts << QUrl::fromPercentEncoding(line.mid(PartKey.size()).chopped(1));
        else if (line.startsWith(FolderKey))
            listed.folders << QUrl::fromPercentEncoding(line.mid(FolderKey.size()).chopped(1));
    }
    return true;
}

int removeLeftovers(const QDir& folder)
{
    static const QRegularExpression journalName(QStringLiteral("\\A%1\\z").arg(JournalName));
    // Stopped before it took its name: what it would list was not made yet.
    int removed = ProjectFile::removeUnwritten(folder, JournalName, Header + '\n');
    const QDir::Filters files = QDir::Files | QDir::Hidden | QDir::System;
    for (const QFileInfo& journal : folder.entryInfoList({QStringLiteral(".export-*.journal")}, files)) {
        Listed listed;
        if (!journalName.match(journal.fileName()).hasMatch() || !readJournal(journal, listed))
            continue;
        if (removeListed(folder, listed, removed, true) && !QFile::remove(journal.filePath()))
            qWarning().noquote() << "Export: cannot remove" << journal.filePath();
    }
    return removed;
}

QString cleanAbsolutePath(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

ExportLeftovers::ExportLeftovers()
    : m_token(newToken())
{
}

ExportLeftovers::~ExportLeftovers()
{
    finish();
}

QString ExportLeftovers::partPath(const QString& target) const
{
    return target + QLatin1Char('.') + m_token + QStringLiteral(".part");
}

bool ExportLeftovers::noteParts(const QStringList& parts)
{
    QStringList names;
    for (const QString& part : parts)
        names << QFileInfo(part).fileName();
    return !parts.isEmpty() && note(QFileInfo(parts.first()).dir(), names, {});
}

bool ExportLeftovers::createPart(QFile& part)
{
    const QString name = QFileInfo(part.fileName()).fileName();
    // Only a part the journal lists, and only one made here, is removed later.
    if (!m_noted.contains(name) || cleanAbsolutePath(part.fileName()) != m_folder.absoluteFilePath(name)
        || !part.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    m_parts << name;
    return true;
}

QString ExportLeftovers::makeFolder(const QString& base)
{
    const QDir folder(base);
    const QString name = FolderPrefix + m_token;
    const QString path = folder.absoluteFilePath(name);
    if (!note(folder, {}, {name}))
        return QString();
#ifdef Q_OS_UNIX
    const bool made = ::mkdir(QFile::encodeName(path).constData(), 0700) == 0;
#else
    const bool made = folder.mkdir(name);
#endif
    if (!made)
        return QString();
    m_folders << name;
    return path;
}

void ExportLeftovers::finish()
{
    if (m_journal.isEmpty())
        return;
    int removed = 0;
    // With something left the journal stays: the next start removes it.
    if (removeListed(m_folder, {m_parts, m_folders}, removed, false) && !QFile::remove(m_journal))
        qWarning().noquote() << "Export: cannot remove" << m_journal;
    m_journal.clear();
    m_noted.clear();
    m_parts.clear();
    m_folders.clear();
    m_token = newToken();
}

bool ExportLeftovers::note(const QDir& folder, const QStringList& parts, const QStringList& folders)
{
    // One journal for each export.
    if (!m_journal.isEmpty())
        return false;
    QByteArray content = Header + '\n';
    for (const QString& part : parts)
        content += PartKey + QUrl::toPercentEncoding(part) + '\n';
    for (const QString& name : folders)
        content += FolderKey + QUrl::toPercentEncoding(name) + '\n';
    const QString journal = folder.absoluteFilePath(QStringLiteral(".export-%1.journal").arg(m_token));
    // Whole before it takes its name: a start never reads a cut one.
    if (!ProjectFile::writeNewFile(journal, content)) {
        qWarning().noquote() << "Export: cannot note the working files in" << journal;
        return false;
    }
    m_folder = QDir(cleanAbsolutePath(folder.absolutePath()));
    m_journal = journal;
    m_noted = parts + folders;
    return true;
}

void ExportLeftovers::feed(StartLeftovers& leftovers, const QString& documentsFolder, const QString& tempFolder)
{
    for (const QString& folder : {documentsFolder, tempFolder}) {
        if (!folder.isEmpty())
            leftovers.addRule([folder] { return removeLeftovers(QDir(folder)); });
    }
    // A project kept elsewhere has its archives beside it.
    const QString documents = documentsFolder.isEmpty() ? QString() : cleanAbsolutePath(documentsFolder);
    leftovers.addProjectRule([documents](const QDir& project) {
        const QString parent = cleanAbsolutePath(project.absolutePath() + QStringLiteral("/.."));
        return removeLeftovers(project) + (parent == documents ? 0 : removeLeftovers(QDir(parent)));
    });
}

} // namespace kiv
