#include "support/CallRecorder.h"

namespace kiv::test {

CallRecorder::CallRecorder(QObject* parent, bool isDesktopOS)
    : QObject(parent)
    , m_isDesktopOS(isDesktopOS)
{
}

void CallRecorder::clear()
{
    m_calls.clear();
    emit callsChanged();
}

void CallRecorder::toastOk(const QString& message)
{
    record(QStringLiteral("toastOk:") + message);
}

void CallRecorder::toastInfo(const QString& message)
{
    record(QStringLiteral("toastInfo:") + message);
}

void CallRecorder::toastError(const QString& message)
{
    record(QStringLiteral("toastError:") + message);
}

bool CallRecorder::record(const QString& call)
{
    m_calls << call;
    emit callsChanged();
    return true;
}

} // namespace kiv::test
