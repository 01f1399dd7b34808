#pragma once

#include <QByteArray>
#include <QFile>

// A field of /proc/self/status in kB ("VmHWM:", "VmRSS:"); -1 when unknown.
inline long statusKilobytes(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// The process's peak resident memory so far (VmHWM) in kB; -1 when unknown.
inline long peakKilobytes()
{
    return statusKilobytes("VmHWM:");
}

// The process's resident memory now (VmRSS) in kB; -1 when unknown.
inline long residentKilobytes()
{
    return statusKilobytes("VmRSS:");
}
