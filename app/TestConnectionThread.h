#pragma once

#include <QThread>
#include <QUrl>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace kiv {

// Probes the online tile service once per tick while active, reporting each
// result through a queued connectionActive(bool). It stops when the
// application's event loop is about to quit, so it is neither inside libcurl
// nor posting events while main tears the process down.
class TestConnectionThread : public QThread
{
    Q_OBJECT

public:
    TestConnectionThread(const QUrl& probeUrl, std::chrono::milliseconds tick, QObject* parent = nullptr);

    // Set and read across threads: the GUI thread switches, the worker reads.
    bool active() const;
    void setActive(bool active);
    bool oneShot() const;
    void setOneShot(bool oneShot);

public slots:
    // Ends the loop, aborting a probe in progress, and waits (bounded) for
    // the thread to finish.
    void stop();

signals:
    void connectionActive(bool online);

protected:
    void run() override;

private:
    // False when stop() asked while sleeping.
    bool sleepOneTick();

    const QUrl m_probeUrl;
    const std::chrono::milliseconds m_tick;
    std::atomic<bool> m_active {false};
    std::atomic<bool> m_oneShot {false};
    std::atomic<bool> m_stopping {false};
    std::mutex m_sleepMutex;
    std::condition_variable m_wake;
};

} // namespace kiv
