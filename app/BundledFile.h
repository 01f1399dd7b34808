#pragma once

#include <QString>

namespace kiv {

// Copies a file of the program's resources to `target` unless a file is
// already there (a copy the user changed wins) and `replace` is false.
// False, with a warning starting "Cannot", when the copy cannot be made.
bool installBundledFile(const QString& resource, const QString& target, bool replace = false);

} // namespace kiv
