#pragma once

#include "SystemCalls.h"

#include <cstddef>
#include <cstdint>

// Reading and writing whole buffers through POSIX file descriptors, and the descriptor's owner:
// all the engine needs of a file. The names, folders and temporary files around a descriptor
// are the storage room's (storage/PosixFile.h adds them to this namespace).
namespace PosixFile {

// Owns a file descriptor and closes it.
class Fd
{
public:
    Fd() = default;
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd(Fd&& other) noexcept : m_fd(other.release()) {}
    Fd& operator=(Fd&& other) noexcept;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    int release();
    void reset();
    // close() that reports its error (0 or errno): a delayed write error can surface here.
    [[nodiscard]] int close();

private:
    int m_fd = -1;
};

// Reads until `size` bytes or end of file; the count, or -errno. A non-blocking descriptor
// that has nothing yet is waited for.
[[nodiscard]] long long readFull(int fd, std::uint8_t* data, std::size_t size,
                                 const SystemCalls& calls = SystemCalls::current());

// Writes all `size` bytes; 0, or the errno of the failure. A non-blocking descriptor that is
// full is waited for.
[[nodiscard]] int writeFull(int fd, const std::uint8_t* data, std::size_t size,
                            const SystemCalls& calls = SystemCalls::current());

// The same at `offset`, leaving the file offset as it is. Each goes through `calls`.
[[nodiscard]] long long readFullAt(int fd, std::uint8_t* data, std::size_t size, long long offset,
                                   const SystemCalls& calls = SystemCalls::current());
[[nodiscard]] int writeFullAt(int fd, const std::uint8_t* data, std::size_t size, long long offset,
                              const SystemCalls& calls = SystemCalls::current());

// True for "the disk is full" errors.
bool isNoSpace(int error);

} // namespace PosixFile
