// One 4000x3000 JPEG on a 320x80 thumbnail: decoded cold (scaled and clipped
// by the reader), served from the persistent cache, and, as a yardstick, the
// whole picture decoded and scaled afterwards.
// Usage: bench_thumbnail [repetitions]

#include "Database/PersistantCache.h"
#include "app/ApplicationManager.h"
#include "app/ThumbnailImageProvider.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

namespace {

QImage photograph()
{
    QImage image(4000, 3000, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 4000, 3000);
    gradient.setColorAt(0, QColor(90, 120, 60));
    gradient.setColorAt(1, QColor(180, 160, 120));
    painter.fillRect(image.rect(), gradient);
    QRandomGenerator random(5);
    for (int i = 0; i < 4000; ++i) {
        painter.setPen(QColor::fromRgb(random.generate()));
        painter.drawLine(random.bounded(4000), random.bounded(3000), random.bounded(4000), random.bounded(3000));
    }
    return image;
}

double millisecondsPerRun(int runs, const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < runs; ++i)
        work();
    return timer.nsecsElapsed() / 1e6 / runs;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("QuarzelThumbnailBench"));
    const int runs = argc > 1 ? qMax(1, atoi(argv[1])) : 10;

    kiv::ApplicationManager manager(nullptr);
    QDir().mkpath(manager.cachePath());
    kiv::PersistantCache* cache = kiv::PersistantCache::instance();
    QTemporaryDir folder;
    // One copy per cold run, so that each misses the cache.
    QStringList paths;
    for (int i = 0; i < runs; ++i)
        paths.append(folder.filePath(QStringLiteral("IMG_%1.jpeg").arg(i)));
    if (!photograph().save(paths.first(), "JPEG", 90)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(paths.first()));
        return 1;
    }
    for (int i = 1; i < runs; ++i)
        QFile::copy(paths.first(), paths.at(i));
    const QString path = paths.first();
    kiv::ThumbnailImageProvider provider(320, 80, true);
    const QSize none;

    int next = 0;
    const double cold = millisecondsPerRun(runs, [&] { provider.requestImage(paths.at(next++), nullptr, none); });
    const double cached = millisecondsPerRun(runs * 10, [&] { provider.requestImage(path, nullptr, none); });
    const double whole = millisecondsPerRun(runs, [&] {
        QImage(path).scaled(320, 240, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).copy(0, 80, 320, 80);
    });
    std::printf("4000x3000 JPEG to 320x80 (%d runs)\n", runs);
    std::printf("  cold (decoded at scale, cached): %8.2f ms\n", cold);
    std::printf("  from the cache:                  %8.2f ms\n", cached);
    std::printf("  whole decode, then scaled:       %8.2f ms\n", whole);

    delete cache;
    kiv::PersistantCache::instance() = nullptr;
    QDir(manager.cachePath()).removeRecursively();
    return 0;
}
