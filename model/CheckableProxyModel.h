#pragma once

#include <QSortFilterProxyModel>
#include <QVariant>
#include <QVariantList>

#include <map>

namespace kiv {

// Orders map keys without QVariant's deprecated less-than: numbers by value,
// strings by code unit, and keys of different kinds by their type.
struct VariantKeyLess
{
    bool operator()(const QVariant& a, const QVariant& b) const;
};

// A check box on every row of any list model. A row whose key was never
// touched counts as checked, so a fresh list shows everything selected.
class CheckableProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT
    Q_PROPERTY(int keyRole READ keyRole WRITE setKeyRole NOTIFY keyRoleChanged)

public:
    static constexpr int CheckedRole = 10;

    explicit CheckableProxyModel(QObject* parent = nullptr);
    ~CheckableProxyModel() override;

    int keyRole() const { return m_keyRole; }
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

public slots:
    void setKeyRole(int keyRole);
    void toggle(int row);
    void selectAll();
    void selectNone();
    void invertSelection();
    void setSelectedItemsFromList(const QVariantList& selectedItems);
    QVariantList getSelectedItemsAsList(bool resetInternalData);
    QVariantList getSelectedItemsAsList();
    void resetInternalData();
    void onRowsInserted(const QModelIndex& parent, int first, int last);
    void onSourceModelChanged();

signals:
    void keyRoleChanged(int keyRole);
    void selectedItemsChanged();

private:
    using Selection = std::map<QVariant, bool, VariantKeyLess>;

    QVariant sourceKey(int sourceRow) const;
    QVariantList keysStoredAs(bool checked) const;
    // Stores every source row's key as given by state(key).
    template <typename State>
    void storeEverySourceRow(State state);

    Selection m_selection;
    int m_keyRole = Qt::DisplayRole;
    // Set between the proxy's own reset announcements: Qt calls
    // resetInternalData() from every endResetModel().
    bool m_inReset = false;
    QMetaObject::Connection m_rowsInserted;
};

} // namespace kiv
