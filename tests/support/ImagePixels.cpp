#include "support/ImagePixels.h"

#include "support/SceneFixture.h"

namespace kiv::test {

int pixelsLike(const QImage& image, const QRect& area, const QColor& colour, int tolerance)
{
    int count = 0;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            count += SceneFixture::colourIs(image.pixelColor(x, y), colour, tolerance) ? 1 : 0;
    return count;
}

QRect squareAround(const QPointF& centre, int half)
{
    return QRect(int(centre.x()) - half, int(centre.y()) - half, 2 * half, 2 * half);
}

} // namespace kiv::test
