#pragma once

#include "Database/AbstractTaskRunner.h"

#include <QList>
#include <QPointer>

namespace kiv {

// The process-wide task runner. Tasks started with addTask report to a QML
// progress item (properties running, canCancel, progress, caption; signal
// cancelled(); function onCompleted(task)) and are deleted when done.
class ObjectTaskRunner : public AbstractTaskRunner
{
    Q_OBJECT

public:
    static ObjectTaskRunner*& instance();

    ObjectTaskRunner();
    ~ObjectTaskRunner() override;

    // Takes ownership of the task and starts it at once. The item is not
    // owned; it may be destroyed before the task ends.
    void addTask(Task* task, QObject* progressItem);
    // Runs the task on its own thread and returns when its work is done.
    // The caller keeps the task; no item is told.
    void runAndWait(Task* task);

    Task* taskForItem(QObject* item) const;
    QObject* itemForTask(Task* task) const;

    void taskStarted(Task* task) override;
    void taskFinished(Task* task) override;

public slots:
    void onCaptionChanged(kiv::Task* task, const QString& caption) override;
    void onProgressChanged(kiv::Task* task, int progress) override;
    void onThreadCompleted() override;
    void onCancel();

private slots:
    // The event loop is over: stop the running tasks before singletons they
    // read are torn down.
    void onAboutToQuit();

private:
    struct Entry
    {
        Task* task;
        QPointer<QObject> item;
        // Finished threads delete themselves.
        QPointer<QThread> thread;
    };

    int indexOfTask(const Task* task) const;

    QList<Entry> m_entries;
    bool m_quitting = false;
};

} // namespace kiv
