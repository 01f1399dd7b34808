#pragma once

#include <QObject>
#include <QString>

namespace kiv {

// What working code reports through: a caption, a progress value and the
// question whether the user has cancelled.
class AbstractProgress : public QObject
{
    Q_OBJECT

public:
    explicit AbstractProgress(QObject* parent = nullptr);

    virtual void setCaption(const QString& caption) = 0;
    // Returns the cancelled flag, so a worker loop can stop at once.
    virtual bool setProgress(int progress) = 0;
    virtual bool isCancelled() const = 0;
};

} // namespace kiv
