// One paint of an 800 x 800 compass rose: every sensor reading moves the
// bearing and repaints it. Runs offscreen (QT_QPA_PLATFORM=offscreen).
#include "MedianPaint.h"

#include "app/ApplicationManager.h"
#include "drawing/CompassItem.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>

using namespace kiv;

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
    // Every sensor reading moves the bearing.
    const auto turn = [&item](int run) { item.setBearing(run * 7.3); };
    item.setSize(QSizeF(800, 800));
    QImage image(800, 800, QImage::Format_ARGB32_Premultiplied);
    QElapsedTimer timer;
    timer.start();
    {
        QPainter painter(&image);
        item.paint(&painter);
    }
    std::printf("first paint (layout and degree numbers): %.2f ms\n", timer.nsecsElapsed() / 1e6);
    std::printf("median paint, turning rose: %.2f ms (800 x 800)\n", medianPaintMs(item, QSize(800, 800), 41, turn));
    item.setHeading(30.0);
    std::printf("median paint, heading held: %.2f ms (800 x 800)\n", medianPaintMs(item, QSize(800, 800), 41, turn));
    return 0;
}
