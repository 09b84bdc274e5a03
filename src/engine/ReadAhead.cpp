#include "ReadAhead.h"

#include <fcntl.h>

#include <system_error>

namespace {
// One request at a time: a large one would keep the thread in the kernel long after it is told
// to stop.
constexpr off_t Step = off_t{8} << 20;
} // namespace

ReadAhead::ReadAhead(int fd, off_t limit)
{
    if (fd < 0)
        return;
    try {
        m_thread = std::thread(&ReadAhead::run, this, fd, limit);
    } catch (const std::system_error&) {
        // Without the thread the file is read when it is needed, as usual.
    }
}

ReadAhead::~ReadAhead()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

void ReadAhead::run(int fd, off_t limit)
{
    for (off_t offset = 0; offset < limit && !m_stop; offset += Step) {
        if (::posix_fadvise(fd, offset, Step, POSIX_FADV_WILLNEED) != 0)
            return;
    }
}
