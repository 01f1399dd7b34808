#include "drawing/AbstractPainter.h"

namespace kiv {

AbstractPainter::AbstractPainter(float width, float height)
{
    // Not the virtual call: the base alone keeps size and centre.
    AbstractPainter::setSize(width, height);
}

void AbstractPainter::setSize(float width, float height)
{
    m_width = width;
    m_height = height;
    m_centre = {width / 2.0f, height / 2.0f};
}

} // namespace kiv
