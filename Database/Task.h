#pragma once

#include "Database/AbstractProgress.h"

#include <QPointer>
#include <QThread>

#include <atomic>

namespace kiv {

// One unit of background work. The task runner moves it to a thread of its
// own, where run() calls work(); progress and caption leave the thread
// through the change signals.
class Task : public AbstractProgress
{
    Q_OBJECT
    Q_PROPERTY(bool successful READ successful NOTIFY successfulChanged)
    Q_PROPERTY(bool cancelled READ isCancelled NOTIFY taskCancelled)

public:
    Task(const QString& name, bool canCancel);

    void setCaption(const QString& caption) override;
    bool setProgress(int progress) override;
    bool isCancelled() const override;

    // The body; runs on the worker thread.
    virtual void work() = 0;
    // Back to the state before a start: progress 0, not cancelled.
    virtual void reset();
    // Runs on the runner's thread after the worker has finished.
    virtual void onFinished();

    int progress() const;
    bool canCancel() const;
    bool successful() const;

public slots:
    void run();
    void cancel();
    virtual void watchSetProgress(int progress);
    virtual void watchSetCaption(const QString& caption);
    virtual void watchSetRange(int minimum, int maximum);

signals:
    void captionChanged(kiv::Task* task, const QString& caption);
    void progressChanged(kiv::Task* task, int progress);
    void taskCompleted(kiv::Task* task);
    void taskCancelled();
    void successfulChanged(bool successful);

protected:
    // Work runs on another thread, so the setter may be called from there.
    void setSuccessful(bool successful);

private:
    // The GUI thread cancels while the worker reads, hence atomics.
    std::atomic<int> m_progress {0};
    std::atomic<bool> m_cancelled {false};
    std::atomic<bool> m_successful {false};
    const bool m_canCancel;
    // Where the task was made; it returns there once its work is done, so
    // the owner can use and delete it normally.
    QPointer<QThread> m_homeThread;
};

} // namespace kiv
