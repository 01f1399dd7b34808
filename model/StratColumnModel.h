#pragma once

#include "model/AbstractProjectListModel.h"
#include "model/RockUnit.h"

#include <QColor>
#include <QStringList>
#include <QUrl>

#include <vector>

class QIODevice;

namespace kiv {

// A project's strat column for QML. Outside an edit it shows the project's
// units; an edit works on a copy that is saved through one command or dropped.
class StratColumnModel : public AbstractProjectListModel
{
    Q_OBJECT
    // Units of the last file import whose colour text was not understood;
    // they got the default colour.
    Q_PROPERTY(int unreadColourCount READ unreadColourCount NOTIFY unreadColourCountChanged)
    // An edit is open: every column shows its working copy.
    Q_PROPERTY(bool editing READ isEditing NOTIFY editingChanged)

public:
    using Units = std::vector<RockUnit>;

    enum StratColumnRoles { UnitName = Qt::UserRole, UnitId, UnitColor, UnitType };
    Q_ENUM(StratColumnRoles)

    // Without a project (as QML makes it) the model has no rows.
    explicit StratColumnModel(Project* project = nullptr, QObject* parent = nullptr);
    ~StratColumnModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    static QColor defaultColor(int n);

    bool isEditing() const { return m_editing; }
    Q_INVOKABLE bool isChanged() const { return m_changed; }
    const Units& workingCopy() const { return m_workingCopy; }
    int unreadColourCount() const { return m_unreadColourCount; }

signals:
    void unreadColourCountChanged(int count);
    void editingChanged(bool editing);

public slots:
    void startEdit();
    void cancelEdit();
    // True when the working copy was committed (or had nothing to commit);
    // on failure the edit and its copy stay as they were.
    bool save();
    void revert();
    QString validWorkingCopy() const;
    int addUnit();
    int removeUnitById(int horizonId);
    void move(int from, int to);
    void setUnitName(int index, const QString& value);
    void setUnitColor(int index, const QColor& value);
    void setUnitType(int index, const QString& value);
    int unitIdAt(int row) const;
    QColor unitColorById(int horizonId) const;
    QString unitNameById(int horizonId) const;
    void updateData();
    bool importDefault();
    bool importFile(const QUrl& url);
    bool importFromProject(int projectId);

private:
    const Units& shownUnits() const;
    bool executeCommand(const Units& units);
    void replaceWorkingCopy(const Units& units);
    template <typename Change>
    void changeUnit(int index, Change change);
    void onStratColumnChanged();
    void setUnreadColourCount(int count);
    void setEditing(bool editing);

    Units m_backup;
    Units m_workingCopy;
    bool m_editing = false;
    bool m_changed = false;
    bool m_saving = false;
    int m_unreadColourCount = 0;
};

} // namespace kiv
