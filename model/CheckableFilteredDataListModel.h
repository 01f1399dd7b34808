#pragma once

#include "model/FilteredDataListModel.h"

namespace kiv {

// The filtered data list with a check mark per row. Checks are kept by
// object id, so they survive rebuilds and filter changes.
class CheckableFilteredDataListModel : public FilteredDataListModel
{
    Q_OBJECT

public:
    static constexpr int CheckedRole = 10;

    explicit CheckableFilteredDataListModel(QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

public slots:
    void toggle(int row);
    QList<QString> getSelectedItemsAsList() const { return m_checked.values(); }
    void setSelectedItemsFromList(const QList<QString>& keys);
    // Localities and point data of the current project; never lines.
    void selectAll();
    void selectNone();
    void invertSelection();

signals:
    void checkedItemsChanged();

private:
    QString keyOf(const QModelIndex& index) const;
    void replaceChecked(QSet<QString> checked);

    QSet<QString> m_checked;
};

} // namespace kiv
