#include "map/PickListModel.h"

#include "model/AbstractObject.h"

#include <algorithm>

namespace kiv {

PickListModel::PickListModel(QObject*)
    : QAbstractListModel(nullptr)
{
}

int PickListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_items.size());
}

QVariant PickListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= int(m_items.size()))
        return {};
    const PickedItem& item = m_items[size_t(index.row())];
    switch (role) {
    case DataId:
        return item.object ? QString::fromStdString(item.object->id()) : QString();
    case Type: return item.type;
    case Latitude: return item.latitude;
    case Longitude: return item.longitude;
    case WorldX: return item.worldX;
    case WorldY: return item.worldY;
    case WorldZ: return item.worldZ;
    case ScreenX: return item.screenX;
    case ScreenY: return item.screenY;
    case Label: return item.label;
    case Description: return item.description;
    case ImageUrl: return item.imageUrl;
    default: return {};
    }
}

QHash<int, QByteArray> PickListModel::roleNames() const
{
    return {{DataId, "dataId"},   {Type, "type"},       {Latitude, "latitude"}, {Longitude, "longitude"},
            {WorldX, "worldX"},   {WorldY, "worldY"},   {WorldZ, "worldZ"},     {ScreenX, "screenX"},
            {ScreenY, "screenY"}, {Label, "label"},     {Description, "description"}, {ImageUrl, "imageUrl"}};
}

void PickListModel::clearItems()
{
    m_items.clear();
}

void PickListModel::append(const PickedItem& item)
{
    m_items.push_back(item);
}

void PickListModel::sortAndEndReset()
{
    std::sort(m_items.begin(), m_items.end(),
              [](const PickedItem& a, const PickedItem& b) { return a.distance < b.distance; });
    endResetModel();
}

} // namespace kiv
