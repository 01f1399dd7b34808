#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace kiv::test {

// Reproducible inputs for the archive and compression tests.
QByteArray randomBytes(int size, quint32 seed);
QByteArray kmlText(int size, quint32 seed = 21);
QByteArray imageBytes(const char* format, int width, int height, quint32 seed);

struct ToolRun
{
    int exitCode = -1; // -1: did not start, crashed or timed out
    QByteArray output; // standard output
    QString errors;    // standard error
    QString text() const { return QString::fromUtf8(output) + errors; }
};

// Runs an external reader (unzip, 7z, python3, ...) to its end.
ToolRun runTool(const QString& program, const QStringList& arguments, const QByteArray& input = {});
QString python3();

} // namespace kiv::test
