#pragma once

#include <QAbstractListModel>
#include <QPointer>

#include <memory>

namespace kiv {

class ModelManager;
class Project;

// The model manager's projects for QML, read from its list on every request.
// With excludeCurrentProject set the current project is left out.
class ProjectListModel : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(bool excludeCurrentProject READ excludeCurrentProject WRITE setExcludeCurrentProject NOTIFY
                   excludeCurrentProjectChanged)

public:
    enum ProjectDisplayRoles {
        ProjectId = Qt::UserRole,
        Name,
        Declination,
        LocalityBaseName,
        PathDisplayString,
        Description,
        TimeString,
        NumLocalities,
        FileSize,
        LastImage
    };
    Q_ENUM(ProjectDisplayRoles)

    explicit ProjectListModel(QObject* parent = nullptr);
    ~ProjectListModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    bool excludeCurrentProject() const { return m_excludeCurrentProject; }
    void setExcludeCurrentProject(bool exclude);

    // "1024KB" up to 1024 kilobytes, whole megabytes above.
    static QString sizeText(qulonglong bytes);
    // Absolute path of the newest photograph of the project; invalid when
    // there is none. Leaves loaded only what was loaded before.
    static QVariant lastImage(Project& project);

public slots:
    // Index in the model manager's list (not corrected for a left-out
    // project); -1 when no project has the id.
    int getIndexFromProjectId(uint projectId);
    void onProjectListChanged();

signals:
    void excludeCurrentProjectChanged(bool excludeCurrentProject);

private:
    std::shared_ptr<Project> projectForRow(int row) const;
    void onCurrentProjectChanged();

    // The model manager may be torn down before a QML model goes.
    QPointer<ModelManager> m_manager;
    bool m_excludeCurrentProject = false;
};

} // namespace kiv
