#pragma once

#include <QAbstractListModel>
#include <QString>

#include <array>
#include <memory>
#include <vector>

namespace kiv {

class AbstractObject;

// One object under a tap on the map.
struct PickedItem
{
    std::shared_ptr<AbstractObject> object;
    int type = 0;
    double latitude = 0.0;
    double longitude = 0.0;
    double worldX = 0.0;
    double worldY = 0.0;
    double worldZ = 0.0;
    double screenX = 0.0;
    double screenY = 0.0;
    QString label;
    QString description;
    QString imageUrl;
    double distance = 0.0;
    // minimum x, y, z then maximum x, y, z
    std::array<double, 6> bounds{};
};

// The hits of the last tap, nearest first. The controller refreshes it as one
// model reset: beginResetModel, clearItems, append..., sortAndEndReset.
class PickListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    enum ProjectDisplayRoles {
        DataId = Qt::UserRole,
        Type,
        Latitude,
        Longitude,
        WorldX,
        WorldY,
        WorldZ,
        ScreenX,
        ScreenY,
        Label,
        Description,
        ImageUrl
    };
    Q_ENUM(ProjectDisplayRoles)

    // The parent is deliberately not taken: the controller keeps the model.
    explicit PickListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    void clearItems();
    void append(const PickedItem& item);
    void sortAndEndReset();

    const PickedItem& item(int row) const { return m_items.at(size_t(row)); }

    // The model is only ever changed through a reset.
    using QAbstractListModel::beginResetModel;

private:
    std::vector<PickedItem> m_items;
};

} // namespace kiv
