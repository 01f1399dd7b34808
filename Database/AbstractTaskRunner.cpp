#include "Database/AbstractTaskRunner.h"

#include "Database/Task.h"

#include <QThread>

namespace kiv {

AbstractTaskRunner::AbstractTaskRunner(QObject* parent)
    : QObject(parent)
{
}

void AbstractTaskRunner::taskStarted(Task* task)
{
    Q_UNUSED(task)
}

void AbstractTaskRunner::taskFinished(Task* task)
{
    Q_UNUSED(task)
}

QThread* AbstractTaskRunner::startTask(Task* task)
{
    taskStarted(task);
    task->reset();
    auto* thread = new QThread(this);
    connect(thread, &QThread::finished, this, &AbstractTaskRunner::onThreadCompleted);
    // After the runner has heard of the end: nothing keeps finished threads.
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    // A task started again keeps its connections: one report per change.
    const auto once = static_cast<Qt::ConnectionType>(Qt::QueuedConnection | Qt::UniqueConnection);
    connect(task, &Task::progressChanged, this, &AbstractTaskRunner::onProgressChanged, once);
    connect(task, &Task::captionChanged, this, &AbstractTaskRunner::onCaptionChanged, once);
    connect(this, &AbstractTaskRunner::cancelled, task, &Task::cancel, once);
    connect(thread, &QThread::started, task, &Task::run);
    task->moveToThread(thread);
    thread->start(QThread::InheritPriority);
    return thread;
}

} // namespace kiv
