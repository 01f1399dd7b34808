#pragma once

#include "tools/Tool.h"

#include <QPointer>
#include <QString>
#include <QUrl>

#include <memory>

namespace kiv {

class MapLayerListModel;
class Project;

// The map's base layers: the online tiles and the project's own map files
// with their order, visibility and opacity. Layers are addressed by their
// place in the project's list.
class LayerTool : public Tool
{
    Q_OBJECT
    Q_PROPERTY(BaseLayer baseLayer READ baseLayer WRITE setBaseLayer NOTIFY baseLayerChanged)
    Q_PROPERTY(QString layerURL READ layerURL WRITE setLayerURL NOTIFY layerURLChanged)
    Q_PROPERTY(QObject* layerModel READ layerModel NOTIFY layerModelChanged)

public:
    enum BaseLayer { Base_Satellite = 0, Base_Map = 1, Base_Terrain = 2, Base_Custom = 3 };
    Q_ENUM(BaseLayer)

    explicit LayerTool(QObject* parent = nullptr);
    ~LayerTool() override;

    BaseLayer baseLayer() const { return m_baseLayer; }
    void setBaseLayer(BaseLayer layer);
    QString layerURL() const { return m_layerURL; }
    void setLayerURL(const QString& url);
    QObject* layerModel() const;

public slots:
    void toolActivated() override;
    void setLayerVisible(int layer, bool visible);
    void previewLayerOpacity(int layer, double opacity);
    // False when the project could not be saved: it keeps the opacity it had.
    bool setLayerOpacity(int layer, double opacity);
    // `selected` is not used: a new layer always goes to the top.
    void addLayer(const QUrl& filePath, int selected);
    void removeLayer(int selected);
    void moveLayer(int from, int to);
    void snapToLayerBounds(int layer);

signals:
    void baseLayerChanged(kiv::LayerTool::BaseLayer layer);
    void layerURLChanged(const QString& url);
    void layerModelChanged(QObject* model);

private:
    // The current project when it has a base map at `layer`.
    static std::shared_ptr<Project> projectWithLayer(int layer);
    static bool saveProject(Project& project);
    // The new top layer must show on the map; one that cannot is taken out again.
    bool keepNewLayer(Project& project);
    void ensureLayerModel();
    void refreshLayerModel();

    BaseLayer m_baseLayer = Base_Terrain;
    QString m_layerURL;
    std::unique_ptr<MapLayerListModel> m_layerModel;
};

} // namespace kiv
