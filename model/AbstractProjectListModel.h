#pragma once

#include <QAbstractListModel>

#include <functional>

namespace kiv {

class Project;

// Base of the list models over one project's lists for QML. Edits go through
// commands on the current project, so a model refuses them while its project
// is not the current one.
class AbstractProjectListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    // Without a project (as QML makes it) the model has no rows.
    explicit AbstractProjectListModel(Project* project = nullptr, QObject* parent = nullptr);

protected:
    bool isEditable() const;
    // Announces one row at `row` and runs add, which makes it; when add
    // fails, views that were told of a row that never came are shown the
    // list as it is. Answers add's outcome.
    bool insertRowThrough(int row, const std::function<bool()>& add);
    // The row announced by a failed add, until the reset that takes it back:
    // rowCount counts it.
    int failedInsertRows() const { return m_failedInsertRows; }

    Project* m_project = nullptr;

private:
    int m_failedInsertRows = 0;
};

} // namespace kiv
