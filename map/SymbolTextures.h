#pragma once

#include <osg/Image>
#include <osg/Texture2D>
#include <osg/ref_ptr>

#include <QColor>
#include <QList>
#include <QStringList>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace kiv {

class AbstractPainter;
class Data;
class Project;
class SymbolPainter;

// A texture atlas of map symbols: a grid of equal square cells in one
// power-of-two RGBA texture, cell 0 at the top left. Empty pixels are
// transparent white (FF FF FF 00).
class SymbolTextures
{
public:
    static constexpr int BaseSymbolSize = 46;
    using DataIterator = std::vector<std::shared_ptr<Data>>::const_iterator;

    // The cell edge in pixels at the application's UI scale, truncated.
    static int symbolSize();
    static int symbolSize(double logicalToPhysical, double physicalToGL);
    // Cells in a square atlas of maxSize pixels; at least 1.
    static int capacity(int maxSize);
    static int capacity(int maxSize, double logicalToPhysical, double physicalToGL);

    // Sizes the grid for count() cells; without cells there is no image.
    void allocate(int maxSize);
    // Note, photograph and locality marker, in this order.
    void build(const QColor& localityColour, int maxSize);
    // One marker per colour, value i sizing marker i.
    void buildMarkers(const QStringList& colours, const QList<float>& values, int maxSize);
    // One cell per datum, drawn with the current project's rock units.
    void buildData(DataIterator first, DataIterator last, int maxSize);

    // Lower-left texture coordinate of a cell.
    std::pair<float, float> texCoords(int cell) const;

    osg::Texture2D* texture() const { return m_texture.get(); }
    // The pixels until the texture has been uploaded; null afterwards.
    osg::Image* image() const { return m_texture ? m_texture->getImage() : nullptr; }
    float cellTexWidth() const { return m_cellTexWidth; }
    float cellTexHeight() const { return m_cellTexHeight; }
    int cellWidth() const { return m_cellWidth; }
    int cellHeight() const { return m_cellHeight; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    int count() const { return m_count; }
    int rows() const { return m_rows; }
    int columns() const { return m_columns; }
    void setCount(int count) { m_count = count; }

private:
    using CellDrawer = std::function<void(AbstractPainter&, const SymbolPainter&, int)>;

    void chooseGrid(int perRow, int cell);
    void drawCells(int count, int maxSize, Project* project, const CellDrawer& drawCell);

    osg::ref_ptr<osg::Texture2D> m_texture;
    float m_cellTexWidth = 1.0f;
    float m_cellTexHeight = 1.0f;
    int m_cellWidth = BaseSymbolSize;
    int m_cellHeight = BaseSymbolSize;
    int m_width = -1;
    int m_height = -1;
    int m_count = 0;
    int m_rows = 0;
    int m_columns = 0;
};

} // namespace kiv
