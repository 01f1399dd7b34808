#include "app/TestConnectionThread.h"

#include "app/ConnectionProbe.h"

#include <QCoreApplication>
#include <QDebug>

namespace kiv {

namespace {
// Longer than a probe's own time-out, which an abort shortens to about a
// second.
constexpr unsigned long StopWaitMs = 7000;
} // namespace

TestConnectionThread::TestConnectionThread(const QUrl& probeUrl, std::chrono::milliseconds tick,
                                           QObject* parent)
    : QThread(parent)
    , m_probeUrl(probeUrl)
    , m_tick(tick)
{
    if (QCoreApplication* application = QCoreApplication::instance())
        connect(application, &QCoreApplication::aboutToQuit, this, &TestConnectionThread::stop);
}

bool TestConnectionThread::active() const { return m_active.load(); }
void TestConnectionThread::setActive(bool active) { m_active.store(active); }
bool TestConnectionThread::oneShot() const { return m_oneShot.load(); }
void TestConnectionThread::setOneShot(bool oneShot) { m_oneShot.store(oneShot); }

void TestConnectionThread::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_sleepMutex);
        m_stopping.store(true);
    }
    m_wake.notify_all();
    if (!wait(StopWaitMs))
        qWarning() << "connection test thread did not stop in time";
}

bool TestConnectionThread::sleepOneTick()
{
    std::unique_lock<std::mutex> lock(m_sleepMutex);
    return !m_wake.wait_for(lock, m_tick, [this] { return m_stopping.load(); });
}

void TestConnectionThread::run()
{
    ConnectionProbe probe;
    while (sleepOneTick()) {
        if (!m_active.load())
            continue;
        const int code = probe.probe(m_probeUrl, &m_stopping);
        // An aborted probe says nothing about the network.
        if (m_stopping.load())
            break;
        emit connectionActive(code == 0);
        if (m_oneShot.load())
            m_active.store(false);
    }
}

} // namespace kiv
