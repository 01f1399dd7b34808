#pragma once

#include "drawing/StereoNetPlot.h"

#include <QFutureWatcher>
#include <QImage>
#include <QObject>
#include <QSizeF>

#include <optional>
#include <vector>

namespace kiv {

// The net and the data of a stereonet, drawn into a picture on a worker
// thread: thousands of great circles take longer than a frame. One picture
// is drawn at a time; of the requests made meanwhile only the latest is
// drawn next.
class StereoNetLayer : public QObject
{
    Q_OBJECT

public:
    explicit StereoNetLayer(QObject* parent = nullptr);

    // What StereoNetPlot::drawBase draws of the plot with these marks, at
    // this size in logical pixels, device pixel ratio and UI scale.
    void request(const StereoNetPlot& plot, std::vector<StereoNetPlot::Mark> marks, const QSizeF& size,
                 qreal pixelRatio, double uiScale);
    // Forgets the picture and every request not yet drawn: what they show
    // is gone.
    void clear();

    // The latest picture drawn since the last clear; null when none.
    const QImage& picture() const { return m_picture; }
    // A request is not drawn yet.
    bool busy() const { return m_running || m_waiting.has_value(); }

signals:
    void pictureChanged();
    void busyChanged(bool busy);

private:
    struct Job
    {
        StereoNetPlot plot;
        std::vector<StereoNetPlot::Mark> marks;
        QSizeF size;
        qreal pixelRatio;
        double uiScale;
    };

    static QImage draw(Job job);
    void start(Job job);
    void onFinished();

    QFutureWatcher<QImage> m_watcher;
    std::optional<Job> m_waiting;
    bool m_running = false;
    // Pictures of jobs started before the last clear are dropped.
    quint64 m_clears = 0;
    quint64 m_runningSince = 0;
    QImage m_picture;
};

} // namespace kiv
