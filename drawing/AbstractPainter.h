#pragma once

#include "drawing/PainterPoint.h"

#include <memory>
#include <string>

namespace kiv {

class AbstractPath;

// The back-end-neutral 2D drawing interface of every geological drawing.
// Widths are in logical units; colours are colour names.
class AbstractPainter
{
public:
    enum CapStyle { FlatCap = 0, RoundCap = 1, SquareCap = 2 };
    enum JoinStyle { BevelJoin = 0, MiterJoin = 1, RoundJoin = 2 };
    enum FillMode { FillOnly = 0, FillAndOutline = 1, OutlineOnly = 2 };

    AbstractPainter(float width, float height);
    virtual ~AbstractPainter() = default;

    // Not overridden: the centre always follows the size.
    virtual void setSize(float width, float height);
    virtual void setLineWidth(float width) = 0;
    virtual void setColor(const std::string& color) = 0;
    virtual void setCapStyle(int style) = 0;
    virtual void setJoinStyle(int style) = 0;
    virtual void setFillMode(int mode) = 0;
    virtual void drawPolyline(const PainterPoints& points) = 0;
    virtual void drawLine(float x1, float y1, float x2, float y2) = 0;
    // Angles in radians, clockwise on screen from 3 o'clock; only the angular
    // distance between them and the direction decide the span.
    virtual void drawArc(float cx, float cy, float radius, float startAngle, float endAngle,
                         bool clockwise) = 0;
    virtual void drawPath(const std::shared_ptr<AbstractPath>& path) = 0;
    virtual std::shared_ptr<AbstractPath> createPath() = 0;

    float width() const { return m_width; }
    float height() const { return m_height; }
    const PainterPoint& centre() const { return m_centre; }
    const std::string& color() const { return m_color; }
    float lineWidth() const { return m_lineWidth; }
    int capStyle() const { return m_capStyle; }
    int joinStyle() const { return m_joinStyle; }
    int fillMode() const { return m_fillMode; }

protected:
    // Plain stores for the back ends' overrides.
    void storeColor(const std::string& color) { m_color = color; }
    void storeLineWidth(float width) { m_lineWidth = width; }
    void storeCapStyle(int style) { m_capStyle = style; }
    void storeJoinStyle(int style) { m_joinStyle = style; }
    void storeFillMode(int mode) { m_fillMode = mode; }

private:
    float m_width = 0.0f;
    float m_height = 0.0f;
    PainterPoint m_centre;
    std::string m_color;
    float m_lineWidth = 1.0f;
    int m_capStyle = RoundCap;
    int m_joinStyle = MiterJoin;
    int m_fillMode = OutlineOnly;
};

} // namespace kiv
