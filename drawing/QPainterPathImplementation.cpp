#include "drawing/QPainterPathImplementation.h"

namespace kiv {

void QPainterPathImplementation::startSubpath(float x, float y)
{
    m_path.moveTo(QPointF(x, y));
}

void QPainterPathImplementation::lineTo(float x, float y)
{
    m_path.lineTo(QPointF(x, y));
}

void QPainterPathImplementation::closeSubpath()
{
    m_path.closeSubpath();
}

} // namespace kiv
