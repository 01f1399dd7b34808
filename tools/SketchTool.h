#pragma once

#include "drawing/RasterSketcher.h"
#include "tools/Tool.h"

#include <QPointer>
#include <QString>

namespace kiv {

// Gives the map area to the sketch surface: binds the panel's sketcher and
// pauses the map's rendering while the sketch is shown. Drawing and saving
// belong to the sketcher.
class SketchTool : public Tool
{
    Q_OBJECT
    Q_PROPERTY(kiv::RasterSketcher* rasterSketcher READ rasterSketcher WRITE setRasterSketcher NOTIFY
                   rasterSketcherChanged)

public:
    explicit SketchTool(QObject* parent = nullptr);
    ~SketchTool() override;

    RasterSketcher* rasterSketcher() const { return m_rasterSketcher; }

public slots:
    void setRasterSketcher(kiv::RasterSketcher* rasterSketcher);
    // An empty id starts a blank sketch, else the datum's photo or sketch opens.
    void setup(const QString& dataId);
    void toolActivated() override;
    void toolDeactivated() override;

signals:
    void rasterSketcherChanged(kiv::RasterSketcher* rasterSketcher);

private:
    void setSceneEnabled(bool enabled);

    // The panel's item, not owned.
    QPointer<RasterSketcher> m_rasterSketcher;
};

} // namespace kiv
