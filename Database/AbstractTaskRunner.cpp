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
    connect(task, &Task::progressChanged, this, &AbstractTaskRunner::onProgressChanged,
            Qt::QueuedConnection);
    connect(task, &Task::captionChanged, this, &AbstractTaskRunner::onCaptionChanged,
            Qt::QueuedConnection);
    connect(this, &AbstractTaskRunner::cancelled, task, &Task::cancel, Qt::QueuedConnection);
    connect(thread, &QThread::started, task, &Task::run);
    task->moveToThread(thread);
    thread->start(QThread::InheritPriority);
    return thread;
}

} // namespace kiv
