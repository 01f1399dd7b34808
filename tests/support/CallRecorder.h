#pragma once

#include <QObject>
#include <QStringList>

namespace kiv::test {

// A stand-in for the program's managers in a QML test: the calls a screen
// makes are recorded as "name:argument" for the test to read. Toasts and the
// sizes a screen asks for come with it.
class CallRecorder : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QStringList calls READ calls NOTIFY callsChanged)
    Q_PROPERTY(bool isDesktopOS MEMBER m_isDesktopOS NOTIFY callsChanged)
    Q_PROPERTY(double logicalToPhysicalMultiplier READ logicalToPhysicalMultiplier CONSTANT)

public:
    explicit CallRecorder(QObject* parent, bool isDesktopOS = true);

    QStringList calls() const { return m_calls; }
    double logicalToPhysicalMultiplier() const { return 1.0; }

    Q_INVOKABLE void clear();
    Q_INVOKABLE void toastOk(const QString& message);
    Q_INVOKABLE void toastInfo(const QString& message);
    Q_INVOKABLE void toastError(const QString& message);

signals:
    void callsChanged();

protected:
    // Records the call and answers true.
    bool record(const QString& call);

private:
    bool m_isDesktopOS;
    QStringList m_calls;
};

} // namespace kiv::test
