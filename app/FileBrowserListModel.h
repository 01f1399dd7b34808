#pragma once

#include <QAbstractListModel>
#include <QDir>
#include <QFileInfo>
#include <QList>
#include <QStringList>

namespace kiv {

// The entries of one folder, for the touch file dialogs. Folders are listed
// whatever the name filters; hidden entries are not.
class FileBrowserListModel : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(bool hasParent READ hasParent NOTIFY hasParentChanged)
    Q_PROPERTY(QStringList nameFilters READ nameFilters WRITE setNameFilters NOTIFY nameFiltersChanged)
    Q_PROPERTY(bool selectFolder READ selectFolder WRITE setSelectFolder NOTIFY selectFolderChanged)

public:
    enum Roles { NameRole = Qt::UserRole, IsFolderRole, PathRole };

    // Starts at the program's documents folder (the home folder without an
    // application manager).
    explicit FileBrowserListModel(QObject* parent = nullptr);

    bool hasParent() const { return m_hasParent; }
    QStringList nameFilters() const { return m_folder.nameFilters(); }
    bool selectFolder() const { return m_selectFolder; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    Q_INVOKABLE void refresh();
    // Into a folder relative to the current one (or an absolute one); a
    // folder that cannot be entered changes nothing.
    Q_INVOKABLE void cd(const QString& folderName);
    Q_INVOKABLE void cd(int row);
    Q_INVOKABLE void cdUp();

public slots:
    void setNameFilters(const QStringList& filters);
    void setSelectFolder(bool selectFolder);
    // The readable image formats as name filters ("*.png", ...).
    QStringList supportedImageFormats() const;

signals:
    void hasParentChanged(bool hasParent);
    void nameFiltersChanged(const QStringList& filters);
    void selectFolderChanged(bool selectFolder);

private:
    // Takes folder as the current one and lists it.
    void enter(const QDir& folder);

    bool m_hasParent = false;
    QDir m_folder;
    QFileInfoList m_entries;
    bool m_selectFolder = false;
};

} // namespace kiv
