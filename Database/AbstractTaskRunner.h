#pragma once

#include <QObject>
#include <QString>

class QThread;

namespace kiv {

class Task;

// Starts tasks on threads of their own and hears their progress, caption
// and end on the thread the runner lives in.
class AbstractTaskRunner : public QObject
{
    Q_OBJECT

public:
    explicit AbstractTaskRunner(QObject* parent = nullptr);

    virtual void taskStarted(Task* task);
    virtual void taskFinished(Task* task);

public slots:
    virtual void onCaptionChanged(kiv::Task* task, const QString& caption) = 0;
    virtual void onProgressChanged(kiv::Task* task, int progress) = 0;
    virtual void onThreadCompleted() = 0;

signals:
    void cancelled();

protected:
    // Resets the task and starts it on a new thread, a child of this runner
    // until it has finished and is deleted.
    QThread* startTask(Task* task);
};

} // namespace kiv
