#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QQuickPaintedItem>
#include <QSize>

#include <algorithm>
#include <functional>
#include <vector>

// The median time in milliseconds of `runs` paints of an item into a
// transparent image of `size`; before(run), when given, changes the item
// ahead of each paint and is not timed.
inline double medianPaintMs(QQuickPaintedItem& item, const QSize& size, int runs,
                            const std::function<void(int)>& before = {})
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        if (before)
            before(i);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        QElapsedTimer timer;
        timer.start();
        item.paint(&painter);
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}
