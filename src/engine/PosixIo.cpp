#include "PosixIo.h"

#include "SystemCalls.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>
#include <utility>

namespace PosixFile {

Fd& Fd::operator=(Fd&& other) noexcept
{
    if (this != &other) {
        reset();
        m_fd = other.release();
    }
    return *this;
}

int Fd::release()
{
    return std::exchange(m_fd, -1);
}

void Fd::reset()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

int Fd::close()
{
    if (m_fd < 0)
        return 0;
    const int rc = ::close(std::exchange(m_fd, -1));
    return rc == 0 || errno == EINTR ? 0 : errno;
}

namespace {

// Repeats `step(done)`, a read of what is left, until `size` bytes, the end of the file or an
// error; the count, or -errno.
template <typename Step> long long readAll(std::size_t size, Step step)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = step(done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -static_cast<long long>(errno);
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<long long>(done);
}

// Repeats `step(done)`, a write of what is left, until all `size` bytes are written; 0, or the
// errno of the failure.
template <typename Step> int writeAll(std::size_t size, Step step)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = step(done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return EIO;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

// `transfer()`, a read or write on `fd`, repeated after waiting with poll for as long as it
// finds the descriptor not ready: a pipe or terminal that a parent left non-blocking is
// shared with that parent, so the flag cannot simply be cleared, and EAGAIN only means "not yet".
template <typename Transfer> ssize_t whenReady(int fd, short events, Transfer transfer)
{
    for (;;) {
        const ssize_t n = transfer();
        if (n >= 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
            return n;
        pollfd wanted = {fd, events, 0};
        if (::poll(&wanted, 1, -1) < 0 && errno != EINTR)
            return -1;
    }
}

} // namespace

long long readFull(int fd, std::uint8_t* data, std::size_t size, const SystemCalls& calls)
{
    return readAll(size, [&](std::size_t done) {
        return whenReady(fd, POLLIN, [&] { return calls.read(fd, data + done, size - done); });
    });
}

int writeFull(int fd, const std::uint8_t* data, std::size_t size, const SystemCalls& calls)
{
    return writeAll(size, [&](std::size_t done) {
        return whenReady(fd, POLLOUT, [&] { return calls.write(fd, data + done, size - done); });
    });
}

long long readFullAt(int fd, std::uint8_t* data, std::size_t size, long long offset,
                     const SystemCalls& calls)
{
    return readAll(size, [&](std::size_t done) {
        return calls.pread(fd, data + done, size - done, static_cast<off_t>(offset + done));
    });
}

int writeFullAt(int fd, const std::uint8_t* data, std::size_t size, long long offset,
                const SystemCalls& calls)
{
    return writeAll(size, [&](std::size_t done) {
        return calls.pwrite(fd, data + done, size - done, static_cast<off_t>(offset + done));
    });
}

bool isNoSpace(int error)
{
    return error == ENOSPC || error == EDQUOT;
}

} // namespace PosixFile
