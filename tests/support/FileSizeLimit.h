#pragma once

#include <sys/resource.h>

#include <csignal>

namespace kiv::test {

// While it lives, no file of this process grows past `bytes`: a write beyond
// fails as on a full disk (EFBIG, the signal ignored). Root cannot be kept
// from writing otherwise.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool isSet() const { return m_set; }

private:
    struct rlimit m_previous {};
    void (*m_previousHandler)(int) = SIG_DFL;
    bool m_set = false;
};

} // namespace kiv::test
