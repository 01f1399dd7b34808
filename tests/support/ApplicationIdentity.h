#pragma once

namespace kiv::test {

// The organisation and application names the program runs under, so that
// settings and standard paths are the program's own (inside the test's HOME).
void setApplicationIdentity();

} // namespace kiv::test
