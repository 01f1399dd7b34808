#include "support/FileSizeLimit.h"

namespace kiv::test {

FileSizeLimit::FileSizeLimit(rlim_t bytes)
{
    if (getrlimit(RLIMIT_FSIZE, &m_previous) != 0)
        return;
    m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = m_previous;
    limit.rlim_cur = bytes;
    m_set = setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

FileSizeLimit::~FileSizeLimit()
{
    if (m_set)
        setrlimit(RLIMIT_FSIZE, &m_previous);
    std::signal(SIGXFSZ, m_previousHandler);
}

} // namespace kiv::test
