#pragma once

#include <functional>

namespace kiv {

// Runs one storage step of an edit command. A thrown storage error counts as
// a failure, so that the command's own clean-up still runs; failure names
// the step in the debug output.
bool runStorageStep(const char* failure, const std::function<bool()>& step);

} // namespace kiv
