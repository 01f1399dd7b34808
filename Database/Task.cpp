#include "Database/Task.h"

#include <QDebug>

#include <exception>

namespace kiv {

Task::Task(const QString& name, bool canCancel)
    : m_canCancel(canCancel)
    , m_homeThread(QThread::currentThread())
{
    setObjectName(name);
}

void Task::setCaption(const QString& caption)
{
    emit captionChanged(this, caption);
}

bool Task::setProgress(int progress)
{
    if (m_progress.exchange(progress) != progress)
        emit progressChanged(this, progress);
    return m_cancelled;
}

bool Task::isCancelled() const
{
    return m_cancelled;
}

void Task::reset()
{
    m_progress = 0;
    m_cancelled = false;
}

void Task::onFinished()
{
}

int Task::progress() const
{
    return m_progress;
}

bool Task::canCancel() const
{
    return m_canCancel;
}

bool Task::successful() const
{
    return m_successful;
}

void Task::setSuccessful(bool successful)
{
    if (m_successful.exchange(successful) != successful)
        emit successfulChanged(successful);
}

void Task::run()
{
    try {
        work();
    } catch (const std::exception& error) {
        // An exception leaving the thread would end the process; the task
        // simply stays unsuccessful.
        qWarning() << "task" << objectName() << "failed:" << error.what();
    } catch (...) {
        qWarning() << "task" << objectName() << "failed";
    }
    QThread* worker = thread();
    // Called directly on its home thread there is no worker to end.
    if (worker == m_homeThread)
        return;
    if (m_homeThread)
        moveToThread(m_homeThread);
    worker->quit();
}

void Task::cancel()
{
    if (!m_cancelled.exchange(true))
        emit taskCancelled();
}

void Task::watchSetProgress(int progress)
{
    setProgress(progress);
}

void Task::watchSetCaption(const QString& caption)
{
    setCaption(caption);
}

void Task::watchSetRange(int minimum, int maximum)
{
    Q_UNUSED(minimum)
    Q_UNUSED(maximum)
}

} // namespace kiv
