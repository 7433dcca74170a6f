#ifndef FILESIZELIMIT_H
#define FILESIZELIMIT_H

#include <csignal>
#include <sys/resource.h>

// While it lives no file of the process may grow beyond bytes, as if the
// disk were full: writes past the limit fail instead of raising SIGXFSZ.
// The limit and the signal handling before it come back at the end.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    // Whether the limit could be set.
    bool isActive() const { return m_active; }

private:
    rlimit m_before {};
    void (*m_previousHandler)(int) = nullptr;
    bool m_active = false;
};

#endif // FILESIZELIMIT_H
