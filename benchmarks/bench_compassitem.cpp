// One paint of an 800 x 800 compass rose: every sensor reading moves the
// bearing and repaints it. Runs offscreen (QT_QPA_PLATFORM=offscreen).
#include "app/ApplicationManager.h"
#include "drawing/CompassItem.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace kiv;

namespace {

double medianPaintMs(CompassItem& item, int runs)
{
    QImage image(800, 800, QImage::Format_ARGB32_Premultiplied);
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        item.setBearing(i * 7.3);
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

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    ApplicationManager manager(nullptr);
    QObject ui;
    for (const auto& size : {std::make_pair("microText", 12.0), std::make_pair("smallText", 14.0),
                             std::make_pair("mediumText", 18.0), std::make_pair("giantText", 40.0)})
        ui.setProperty(size.first, size.second);
    manager.setUi(&ui);

    CompassItem item;
    item.setSize(QSizeF(800, 800));
    QImage image(800, 800, QImage::Format_ARGB32_Premultiplied);
    QElapsedTimer timer;
    timer.start();
    {
        QPainter painter(&image);
        item.paint(&painter);
    }
    std::printf("first paint (layout and degree numbers): %.2f ms\n", timer.nsecsElapsed() / 1e6);
    std::printf("median paint, turning rose: %.2f ms (800 x 800)\n", medianPaintMs(item, 41));
    item.setHeading(30.0);
    std::printf("median paint, heading held: %.2f ms (800 x 800)\n", medianPaintMs(item, 41));
    return 0;
}
