#pragma once

#include <atomic>
#include <sys/types.h>
#include <thread>

// Has the kernel read a file into the page cache, a step at a time on a thread of its own,
// while the caller does something else; it stops when it is destroyed or after `limit` bytes.
// A file that comes from the disk is then read while, for example, its key is derived.
class ReadAhead
{
public:
    ReadAhead(int fd, off_t limit);
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

private:
    void run(int fd, off_t limit);

    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
