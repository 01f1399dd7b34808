#pragma once

#include <QAbstractItemModel>

namespace kiv {

// A list for QML: one column, no children, no headers, every row enabled and
// nothing else. Subclasses give the number of rows and a row's roles.
class AbstractFlatListModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    explicit AbstractFlatListModel(QObject* parent = nullptr);

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const final;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const final;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

protected:
    virtual int count() const = 0;
    // Only called for a row inside the list.
    virtual QVariant rowData(int row, int role) const = 0;
    // A reset with nothing changed inside: views read every row again.
    void refresh();
};

} // namespace kiv
