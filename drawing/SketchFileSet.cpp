#include "drawing/SketchFileSet.h"

#include "drawing/ImageFile.h"
#include "drawing/SketchFiles.h"
#include "export/ExportArchivePath.h"

#include <QDebug>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <algorithm>
#include <filesystem>

namespace kiv {

const QString SketchFileSet::PartSuffix = QStringLiteral(".part");
const QString SketchFileSet::OldSuffix = QStringLiteral(".old");

namespace {

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
// own temporary name.
QHash<QString, QVector<Leftover>> leftoversOf(const QDir& images)
{
    static const QRegularExpression name(QStringLiteral("^(.+)\\.([0-9a-z]{1,7})\\.(part|old)(\\.[A-Za-z0-9]{6})?$"));
    QHash<QString, QVector<Leftover>> sets;
    const QDir::Filters files = QDir::Files | QDir::Hidden | QDir::System;
    for (const QFileInfo& file : images.entryInfoList(files)) {
        const QRegularExpressionMatch match = name.match(file.fileName());
        if (!match.hasMatch() || !file.isFile() || file.isSymLink() || !isSketchFileName(match.captured(1)))
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
    return replaceFile(target, aside);
}

// Moving a second name over the first changes nothing and leaves both: the
// aside name then goes by itself.
bool putBack(const QString& aside, const QString& target)
{
    if (!replaceFile(aside, target))
        return false;
    if (QFileInfo(aside).isFile())
        QFile::remove(aside);
    return true;
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
    m_entries.push_back({target, false, false});
    return true;
}

bool SketchFileSet::place()
{
    for (Entry& entry : m_entries) {
        if (!placeEntry(entry)) {
            restore();
            return false;
        }
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
    if (!replaceFile(partPath(entry.target), entry.target)) {
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
}

void SketchFileSet::finish()
{
    for (const Entry& entry : m_entries) {
        if (entry.hadOld)
            QFile::remove(oldPath(entry.target));
    }
    m_entries.clear();
    m_finished = true;
}

int SketchFileSet::removeLeftovers(const QDir& images)
{
    int settled = 0;
    // Only the project's own folder, never one a link leads to.
    const QFileInfo folder(images.path());
    if (!folder.isDir() || folder.isSymLink())
        return 0;
    const QHash<QString, QVector<Leftover>> sets = leftoversOf(images);
    for (const QVector<Leftover>& set : sets) {
        const bool unfinished = std::any_of(set.begin(), set.end(), [](const Leftover& file) { return file.part; });
        // The old files go back before the parts go: a kill in between
        // still finds the save unfinished.
        for (const Leftover& file : set) {
            if (file.part || !unfinished)
                continue;
            const bool back = putBack(file.path, file.target);
            qInfo().noquote() << "Sketch:" << (back ? "put back" : "cannot put back") << file.target;
            settled += back ? 1 : 0;
        }
        for (const Leftover& file : set) {
            if (file.part || !unfinished)
                settled += removeLeftover(file.path) ? 1 : 0;
        }
    }
    return settled;
}

} // namespace kiv
