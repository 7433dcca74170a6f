#include "filesizelimit.h"

FileSizeLimit::FileSizeLimit(rlim_t bytes)
{
    if (getrlimit(RLIMIT_FSIZE, &m_before) != 0)
        return;
    rlimit small = m_before;
    small.rlim_cur = bytes;
    m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    m_active = setrlimit(RLIMIT_FSIZE, &small) == 0;
}

FileSizeLimit::~FileSizeLimit()
{
    if (m_active)
        setrlimit(RLIMIT_FSIZE, &m_before);
    if (m_previousHandler)
        std::signal(SIGXFSZ, m_previousHandler);
}
