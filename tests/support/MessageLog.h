#pragma once

#include <QStringList>

namespace kiv::test {

// Records debug lines and warnings from now on, each still passed on to the
// handler before it. Call again after the test logger installs its own
// handler (once testing starts): a repeated call keeps one recorder.
void recordLogLines();
// The lines recorded since the last call.
QStringList takeDebugLines();
// Warnings and critical messages recorded since the last call.
QStringList takeWarnings();
// Every line of any kind recorded since the last call, in order; kept apart
// from the two above, so taking one list leaves the others.
QStringList takeLines();

} // namespace kiv::test
