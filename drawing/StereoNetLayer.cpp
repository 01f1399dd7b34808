#include "drawing/StereoNetLayer.h"

#include "drawing/QPainterImplementation.h"

#include <QPainter>
#include <QtConcurrent/QtConcurrentRun>

#include <utility>

namespace kiv {

StereoNetLayer::StereoNetLayer(QObject* parent)
    : QObject(parent)
{
    connect(&m_watcher, &QFutureWatcher<QImage>::finished, this, &StereoNetLayer::onFinished);
}

void StereoNetLayer::request(const StereoNetPlot& plot, std::vector<StereoNetPlot::Mark> marks, const QSizeF& size,
                             qreal pixelRatio, double uiScale)
{
    const bool wasBusy = busy();
    Job job{plot, std::move(marks), size, pixelRatio, uiScale};
    // The worker's copy holds no pointer into the model.
    job.plot.setData({});
    job.plot.setModel(nullptr);
    if (m_running)
        m_waiting = std::move(job);
    else
        start(std::move(job));
    if (!wasBusy)
        emit busyChanged(true);
}

void StereoNetLayer::clear()
{
    ++m_clears;
    const bool wasBusy = busy();
    m_waiting.reset();
    if (!m_picture.isNull()) {
        m_picture = QImage();
        emit pictureChanged();
    }
    if (wasBusy && !busy())
        emit busyChanged(false);
}

void StereoNetLayer::start(Job job)
{
    m_running = true;
    m_runningSince = m_clears;
    m_watcher.setFuture(QtConcurrent::run(&StereoNetLayer::draw, std::move(job)));
}

QImage StereoNetLayer::draw(Job job)
{
    QImage image((job.size * job.pixelRatio).toSize(), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return image;
    image.setDevicePixelRatio(job.pixelRatio);
    image.fill(Qt::transparent);
    QPainter target(&image);
    QPainterImplementation painter(float(job.size.width()), float(job.size.height()));
    painter.setUiScale(job.uiScale);
    painter.setPainter(&target);
    job.plot.drawBase(painter, job.marks);
    painter.setPainter(nullptr);
    return image;
}

void StereoNetLayer::onFinished()
{
    m_running = false;
    // Drawn before a clear, it shows what is gone.
    if (m_runningSince == m_clears) {
        m_picture = m_watcher.result();
        emit pictureChanged();
    }
    if (m_waiting) {
        Job next = std::move(*m_waiting);
        m_waiting.reset();
        start(std::move(next));
    }
    if (!busy())
        emit busyChanged(false);
}

} // namespace kiv
