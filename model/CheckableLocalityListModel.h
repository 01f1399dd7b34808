#pragma once

#include "model/LocalityListModel.h"

#include <QList>
#include <QSet>
#include <QString>

namespace kiv {

// The locality list with a check mark per locality, kept by id.
class CheckableLocalityListModel : public LocalityListModel
{
    Q_OBJECT

public:
    static constexpr int CheckedRole = EndRoles + 1;

    explicit CheckableLocalityListModel(Project* project = nullptr, QObject* parent = nullptr);

    QHash<int, QByteArray> roleNames() const override;

public slots:
    void toggle(const QString& localityId);
    // Callers reset their views themselves: no signal.
    void selectAll();
    QList<QString> getSelectedItemsAsList() const { return m_checked.values(); }
    void setSelectedItemsFromList(const QList<QString>& selectedItems);

protected:
    QVariant rowData(int row, int role) const override;

private:
    QSet<QString> m_checked;
};

} // namespace kiv
