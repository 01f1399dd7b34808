#include "Database/ObjectTaskRunner.h"

#include "Database/Destructor.h"
#include "Database/DestructorManager.h"
#include "Database/Task.h"

#include <QCoreApplication>
#include <QDebug>
#include <QEventLoop>
#include <QQmlEngine>
#include <QQmlProperty>
#include <QThread>
#include <QVariant>

namespace kiv {

KIV_DEFINE_SINGLETON(ObjectTaskRunner, 4)

ObjectTaskRunner::ObjectTaskRunner()
{
    // Singletons of higher teardown priority (the model manager) go before
    // this runner, so tasks must not outlive the event loop.
    if (QCoreApplication* application = QCoreApplication::instance())
        connect(application, &QCoreApplication::aboutToQuit, this, &ObjectTaskRunner::onAboutToQuit);
}

ObjectTaskRunner::~ObjectTaskRunner()
{
    // A thread destroyed while running ends the process: ask the remaining
    // tasks to stop and wait for them.
    for (const Entry& entry : qAsConst(m_entries))
        entry.task->cancel();
    const QList<QThread*> threads = findChildren<QThread*>(QString(), Qt::FindDirectChildrenOnly);
    for (QThread* thread : threads)
        thread->wait();
    for (const Entry& entry : qAsConst(m_entries))
        delete entry.task;
}

void ObjectTaskRunner::onAboutToQuit()
{
    m_quitting = true;
    for (const Entry& entry : qAsConst(m_entries)) {
        entry.task->cancel();
        if (entry.thread)
            entry.thread->wait();
    }
}

void ObjectTaskRunner::addTask(Task* task, QObject* progressItem)
{
    m_entries.append(Entry {task, progressItem, nullptr});
    QThread* thread = startTask(task);
    const int index = indexOfTask(task);
    if (index >= 0)
        m_entries[index].thread = thread;
}

void ObjectTaskRunner::runAndWait(Task* task)
{
    // The thread deletes itself once finished.
    QPointer<QThread> thread = startTask(task);
    QEventLoop loop;
    connect(thread.data(), &QThread::finished, &loop, &QEventLoop::quit);
    // The work may already be over, and then finished() came too early for
    // the loop.
    if (thread->isFinished())
        return;
    try {
        loop.exec();
    } catch (...) {
        qWarning() << "ObjectTaskRunner::runAndWait: exception while waiting for" << task->objectName();
    }
    // An application exit ends the loop early, while the work still runs
    // on a task the caller is about to delete.
    if (thread)
        thread->wait();
}

Task* ObjectTaskRunner::taskForItem(QObject* item) const
{
    if (!item)
        return nullptr;
    for (const Entry& entry : m_entries) {
        if (entry.item == item)
            return entry.task;
    }
    return nullptr;
}

QObject* ObjectTaskRunner::itemForTask(Task* task) const
{
    const int index = indexOfTask(task);
    return index >= 0 ? m_entries[index].item.data() : nullptr;
}

int ObjectTaskRunner::indexOfTask(const Task* task) const
{
    for (int i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].task == task)
            return i;
    }
    return -1;
}

void ObjectTaskRunner::taskStarted(Task* task)
{
    QObject* item = itemForTask(task);
    if (!item)
        return;
    QQmlProperty::write(item, QStringLiteral("progress"), 0);
    QQmlProperty::write(item, QStringLiteral("running"), true);
    QQmlProperty::write(item, QStringLiteral("canCancel"), task->canCancel());
    // An item may show one task after another.
    connect(item, SIGNAL(cancelled()), this, SLOT(onCancel()), Qt::UniqueConnection);
}

void ObjectTaskRunner::taskFinished(Task* task)
{
    if (QObject* item = itemForTask(task))
        QQmlProperty::write(item, QStringLiteral("running"), false);
}

void ObjectTaskRunner::onCaptionChanged(Task* task, const QString& caption)
{
    if (QObject* item = itemForTask(task))
        item->setProperty("caption", caption);
}

void ObjectTaskRunner::onProgressChanged(Task* task, int progress)
{
    if (QObject* item = itemForTask(task))
        QQmlProperty::write(item, QStringLiteral("progress"), progress);
}

void ObjectTaskRunner::onThreadCompleted()
{
    int index = -1;
    for (int i = 0; i < m_entries.size() && index < 0; ++i) {
        if (m_entries[i].thread == sender())
            index = i;
    }
    // After the event loop nobody may be told; the destructor deletes.
    if (index < 0 || m_quitting)
        return;
    Task* task = m_entries[index].task;
    task->onFinished();
    taskFinished(task);
    if (QObject* item = itemForTask(task)) {
        // QML must not take the task over: it is deleted right below.
        QQmlEngine::setObjectOwnership(task, QQmlEngine::CppOwnership);
        QMetaObject::invokeMethod(item, "onCompleted",
                                  Q_ARG(QVariant, QVariant::fromValue<QObject*>(task)));
    }
    emit task->taskCompleted(task);
    // The item's function may have started other tasks: look the entry up
    // again.
    index = indexOfTask(task);
    if (index >= 0)
        m_entries.removeAt(index);
    delete task;
}

void ObjectTaskRunner::onCancel()
{
    if (Task* task = taskForItem(sender()))
        task->cancel();
}

} // namespace kiv
