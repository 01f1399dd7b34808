#pragma once

#include <QAbstractListModel>

#include <algorithm>
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
    // Runs store, which adds one row at `row` to the project's list. Storing
    // rebuilds screens on this model: views made meanwhile see the list as it
    // was, and every view is told of the row once it is stored. A failed store
    // announces nothing. Answers store's outcome.
    bool insertRowThrough(int row, const std::function<bool()>& store);
    // The rows views may be shown out of `rows`: while a row is stored, no
    // more than there were before.
    int announcedRows(int rows) const { return m_storing ? std::min(rows, m_rowsBefore) : rows; }

    Project* m_project = nullptr;

private:
    bool m_storing = false;
    int m_rowsBefore = 0;
};

} // namespace kiv
