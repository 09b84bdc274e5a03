#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

// A property every input must keep; a broken one is reported like a crash, with the input saved.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition);  \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

// A file in memory that takes each input in turn: the code under test opens it by path or
// reads it through its descriptor, as it would a file on disk, without any disk work.
class MemoryFile
{
public:
    explicit MemoryFile(const char* name) : m_fd(::memfd_create(name, MFD_CLOEXEC))
    {
        FUZZ_CHECK(m_fd >= 0);
        m_path = "/proc/self/fd/" + std::to_string(m_fd);
    }
    ~MemoryFile() { ::close(m_fd); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    // Replaces the contents with `size` bytes and rewinds.
    void assign(const std::uint8_t* data, std::size_t size)
    {
        FUZZ_CHECK(::ftruncate(m_fd, 0) == 0);
        for (std::size_t done = 0; done < size;) {
            const ssize_t n = ::pwrite(m_fd, data + done, size - done, off_t(done));
            FUZZ_CHECK(n > 0);
            done += std::size_t(n);
        }
        FUZZ_CHECK(::lseek(m_fd, 0, SEEK_SET) == 0);
    }

    std::uint64_t size() const
    {
        struct stat info = {};
        FUZZ_CHECK(::fstat(m_fd, &info) == 0);
        return std::uint64_t(info.st_size);
    }

    int fd() const { return m_fd; }
    // A path that opens this file (a new, independent descriptor).
    const std::string& path() const { return m_path; }

private:
    int m_fd;
    std::string m_path;
};
