#pragma once

#include "model/AbstractFlatListModel.h"
#include "model/Project.h"

#include <QPointer>

#include <memory>
#include <vector>

namespace kiv {

// Copies of a project's base-map records for the layer list; they are read
// again only by updateData and move.
class MapLayerListModel : public AbstractFlatListModel
{
    Q_OBJECT

public:
    enum LayerRoles { Type = 1, Name, Location, Active, Opacity };
    Q_ENUM(LayerRoles)

    explicit MapLayerListModel(Project* project = nullptr, QObject* parent = nullptr);

    QHash<int, QByteArray> roleNames() const override;

    // Reorders the project's base maps without saving them: the layer tool
    // saves. Equal positions and positions outside the list do nothing.
    Q_INVOKABLE void move(int from, int to);

public slots:
    void updateData();

protected:
    int count() const override { return static_cast<int>(m_rows.size()); }
    QVariant rowData(int row, int role) const override;

private:
    // The record's name; where another layer's reads alike ("base.tif" and
    // "base.mbtiles" both named "base"), the file name tells them apart.
    QString shownName(const Project::BaseMap& map) const;
    void fillRows();

    QPointer<Project> m_project;
    std::vector<std::shared_ptr<Project::BaseMap>> m_rows;
};

} // namespace kiv
