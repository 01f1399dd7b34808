#include "map/SymbolTextures.h"

#include "app/AppContext.h"
#include "app/ApplicationManager.h"
#include "drawing/QPainterImplementation.h"
#include "drawing/SymbolPainter.h"
#include "model/ModelManager.h"
#include "model/Project.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstring>
#include <iterator>

namespace kiv {

namespace {

const QColor EmptyPixel(255, 255, 255, 0);

int nextPowerOfTwo(int value)
{
    unsigned v = unsigned(std::max(value, 1)) - 1u;
    v |= v >> 1;
    v |= v >> 2;
    v |= v >> 4;
    v |= v >> 8;
    v |= v >> 16;
    return int(v + 1u);
}

void multipliers(double& logicalToPhysical, double& physicalToGL)
{
    const ApplicationManager* manager = ApplicationManager::instance();
    logicalToPhysical = manager ? manager->logicalToPhysicalMultiplier() : 1.0;
    physicalToGL = manager ? manager->physicalToGLMultiplier() : 1.0;
}

} // namespace

int SymbolTextures::symbolSize()
{
    double logical = 1.0, gl = 1.0;
    multipliers(logical, gl);
    return symbolSize(logical, gl);
}

int SymbolTextures::symbolSize(double logicalToPhysical, double physicalToGL)
{
    return std::max(1, int(double(BaseSymbolSize) * logicalToPhysical * physicalToGL));
}

int SymbolTextures::capacity(int maxSize)
{
    double logical = 1.0, gl = 1.0;
    multipliers(logical, gl);
    return capacity(maxSize, logical, gl);
}

int SymbolTextures::capacity(int maxSize, double logicalToPhysical, double physicalToGL)
{
    // A texture smaller than one cell still holds one (clipped) symbol.
    const int perRow = std::max(1, maxSize / symbolSize(logicalToPhysical, physicalToGL));
    return perRow * perRow;
}

void SymbolTextures::allocate(int maxSize)
{
    const int cell = symbolSize();
    m_cellWidth = m_cellHeight = cell;
    m_texture = nullptr;
    if (m_count <= 0) {
        m_count = m_rows = m_columns = m_width = m_height = 0;
        return;
    }
    chooseGrid(std::max(1, maxSize / cell), cell);
    m_cellTexWidth = float(cell) / float(m_width);
    m_cellTexHeight = float(cell) / float(m_height);

    osg::ref_ptr<osg::Image> image = new osg::Image;
    image->allocateImage(m_width, m_height, 1, GL_RGBA, GL_UNSIGNED_BYTE, 1);
    image->setInternalTextureFormat(GL_RGBA);
    unsigned char* pixels = image->data();
    for (int i = 0; i < m_width * m_height; ++i) {
        pixels[4 * i] = pixels[4 * i + 1] = pixels[4 * i + 2] = 0xFF;
        pixels[4 * i + 3] = 0x00;
    }
    m_texture = new osg::Texture2D(image.get());
    // Once uploaded, the driver holds the only copy the map needs; only the
    // texture keeps the pixels alive, so they go with its first apply.
    m_texture->setUnRefImageDataAfterApply(true);
    m_texture->setFilter(osg::Texture::MIN_FILTER, osg::Texture::NEAREST);
    m_texture->setFilter(osg::Texture::MAG_FILTER, osg::Texture::NEAREST);
    m_texture->setWrap(osg::Texture::WRAP_S, osg::Texture::CLAMP_TO_EDGE);
    m_texture->setWrap(osg::Texture::WRAP_T, osg::Texture::CLAMP_TO_EDGE);
    m_texture->setResizeNonPowerOfTwoHint(false);
}

void SymbolTextures::chooseGrid(int perRow, int cell)
{
    // The fewest texels that hold every cell: widths and heights are powers
    // of two each, so a wide single row often wastes most of its texture.
    // Ties keep the widest grid.
    long long best = -1;
    for (int columns = std::min(m_count, perRow); columns >= 1; --columns) {
        const int rows = (m_count + columns - 1) / columns;
        if (rows > perRow && best >= 0)
            break;
        const int width = nextPowerOfTwo(columns * cell);
        const int height = nextPowerOfTwo(rows * cell);
        const long long area = (long long)width * height;
        if (best < 0 || area < best) {
            best = area;
            m_columns = columns;
            m_rows = rows;
            m_width = width;
            m_height = height;
        }
    }
}

void SymbolTextures::drawCells(int count, int maxSize, Project* project, const CellDrawer& drawCell)
{
    m_count = count;
    allocate(maxSize);
    osg::Image* image = this->image();
    if (!image)
        return;
    double logical = 1.0, gl = 1.0;
    multipliers(logical, gl);
    QImage scratch(m_cellWidth, m_cellHeight, QImage::Format_RGBA8888);
    QPainterImplementation painter{float(m_cellWidth), float(m_cellHeight)};
    painter.setScaleFactor(float(gl * 1.5));
    const SymbolPainter symbols(project);
    const int rowBytes = m_cellWidth * 4;
    for (int i = 0; i < m_count; ++i) {
        scratch.fill(EmptyPixel);
        QPainter qp(&scratch);
        qp.setRenderHint(QPainter::Antialiasing);
        painter.setPainter(&qp);
        drawCell(painter, symbols, i);
        painter.setPainter(nullptr);
        qp.end();
        // Image row 0 is the texture's bottom: copying the rows upside down
        // is the flip.
        const int x = m_cellWidth * (i % m_columns);
        const int y = m_height - m_cellHeight * (i / m_columns) - m_cellHeight;
        for (int r = 0; r < m_cellHeight; ++r)
            std::memcpy(image->data(x, y + m_cellHeight - 1 - r), scratch.constScanLine(r), size_t(rowBytes));
    }
    image->dirty();
}

void SymbolTextures::build(const QColor& localityColour, int maxSize)
{
    const std::string colour = localityColour.name().toStdString();
    drawCells(3, maxSize, nullptr, [&colour](AbstractPainter& painter, const SymbolPainter& symbols, int cell) {
        if (cell == 0)
            symbols.drawAnnotationSymbol(painter, "black", "white");
        else if (cell == 1)
            symbols.drawImageSymbol(painter, "black", "white");
        else
            symbols.drawLocalitySymbol(painter, colour, "white");
    });
}

void SymbolTextures::buildMarkers(const QStringList& colours, const QList<float>& values, int maxSize)
{
    drawCells(colours.size(), maxSize, AppContext::currentProject().get(),
              [&colours, &values](AbstractPainter& painter, const SymbolPainter& symbols, int cell) {
                  const float value = cell < values.size() ? values.at(cell) : 1.0f;
                  symbols.drawMarkerSymbol(painter, colours.at(cell).toStdString(), value, std::string());
              });
}

void SymbolTextures::buildData(DataIterator first, DataIterator last, int maxSize)
{
    drawCells(int(std::distance(first, last)), maxSize, AppContext::currentProject().get(),
              [first](AbstractPainter& painter, const SymbolPainter& symbols, int cell) {
                  symbols.drawDataSymbol(painter, *(first + cell), "white");
              });
}

std::pair<float, float> SymbolTextures::texCoords(int cell) const
{
    if (m_columns <= 0 || m_width <= 0 || m_height <= 0)
        return {0.0f, 0.0f};
    const int col = cell % m_columns;
    const int row = cell / m_columns;
    const float s = float(m_cellWidth * col) / float(m_width);
    const float t = 1.0f - (float(m_cellHeight * row) / float(m_height) + m_cellTexHeight);
    return {s, t};
}

} // namespace kiv
