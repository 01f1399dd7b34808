#include "app/FileBrowserListModel.h"

#include "app/ApplicationManager.h"

#include <QDebug>
#include <QImageReader>
#include <QUrl>

namespace kiv {

FileBrowserListModel::FileBrowserListModel(QObject* parent)
    : QAbstractListModel(parent)
{
    const ApplicationManager* application = ApplicationManager::instance();
    m_folder.setPath(application ? application->documentPath() : QDir::homePath());
    m_folder.setFilter(QDir::Files | QDir::AllDirs | QDir::NoDotAndDotDot);
    m_folder.setSorting(QDir::Name | QDir::IgnoreCase);
    m_hasParent = !m_folder.isRoot();
    refresh();
}

int FileBrowserListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_entries.size();
}

QVariant FileBrowserListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= m_entries.size())
        return QVariant();
    const QFileInfo& entry = m_entries.at(index.row());
    switch (role) {
    case NameRole:
        return entry.fileName();
    case IsFolderRole:
        return entry.isDir();
    case PathRole:
        return QUrl::fromLocalFile(entry.absoluteFilePath());
    default:
        return QVariant();
    }
}

QHash<int, QByteArray> FileBrowserListModel::roleNames() const
{
    return { { NameRole, "name" }, { IsFolderRole, "isFolder" }, { PathRole, "path" } };
}

void FileBrowserListModel::refresh()
{
    if (!m_entries.isEmpty()) {
        beginRemoveRows(QModelIndex(), 0, m_entries.size() - 1);
        m_entries.clear();
        endRemoveRows();
    }
    m_folder.refresh();
    const QFileInfoList entries = m_folder.entryInfoList();
    if (entries.isEmpty())
        return;
    beginInsertRows(QModelIndex(), 0, entries.size() - 1);
    m_entries = entries;
    endInsertRows();
}

void FileBrowserListModel::cd(const QString& folderName)
{
    QDir folder = m_folder;
    if (folder.cd(folderName))
        enter(folder);
}

void FileBrowserListModel::cd(int row)
{
    if (row >= 0 && row < m_entries.size())
        cd(m_entries.at(row).fileName());
}

void FileBrowserListModel::cdUp()
{
    QDir folder = m_folder;
    if (folder.cdUp())
        enter(folder);
}

void FileBrowserListModel::enter(const QDir& folder)
{
    m_folder = folder;
    const bool hasParent = !m_folder.isRoot();
    if (hasParent != m_hasParent) {
        m_hasParent = hasParent;
        emit hasParentChanged(m_hasParent);
    }
    refresh();
}

void FileBrowserListModel::setNameFilters(const QStringList& filters)
{
    qDebug() << "FileBrowserListModel::setNameFilters" << filters;
    if (filters == m_folder.nameFilters())
        return;
    m_folder.setNameFilters(filters);
    emit nameFiltersChanged(filters);
    refresh();
}

void FileBrowserListModel::setSelectFolder(bool selectFolder)
{
    if (selectFolder == m_selectFolder)
        return;
    m_selectFolder = selectFolder;
    if (m_selectFolder)
        m_folder.setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
    else
        m_folder.setFilter(QDir::Files | QDir::Dirs | QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
    emit selectFolderChanged(m_selectFolder);
    refresh();
}

QStringList FileBrowserListModel::supportedImageFormats() const
{
    QStringList filters;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        filters.append(QStringLiteral("*.") + QString::fromLatin1(format));
    return filters;
}

} // namespace kiv
