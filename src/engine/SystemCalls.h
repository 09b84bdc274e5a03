#pragma once

#include <atomic>
#include <fcntl.h>
#include <sys/types.h>

// The calls through which the engine and the storage room read, create, write, flush, truncate,
// rename, link and remove files and make folders. They go through a table: the system's own
// calls, or one a test hands to an operation (a cipher, an output, an in-place file) that fails as
// a full disk, a failing flush, a failing read or a read-only file system would, without the root
// rights that a real small or read-only mount needs. The normal path pays one indirect call.
struct SystemCalls
{
    int (*openat)(int folder, const char* path, int flags, mode_t mode);
    ssize_t (*read)(int fd, void* data, size_t size);
    ssize_t (*pread)(int fd, void* data, size_t size, off_t offset);
    ssize_t (*write)(int fd, const void* data, size_t size);
    ssize_t (*pwrite)(int fd, const void* data, size_t size, off_t offset);
    int (*fsync)(int fd);
    int (*ftruncate)(int fd, off_t length);
    int (*renameat)(int fromFolder, const char* from, int toFolder, const char* to);
    int (*renameat2)(int fromFolder, const char* from, int toFolder, const char* to,
                     unsigned flags);
    int (*linkat)(int fromFolder, const char* from, int toFolder, const char* to, int flags);
    // Whether the folder may be written to is asked of the file system as well.
    int (*faccessat)(int folder, const char* path, int mode, int flags);
    int (*unlinkat)(int folder, const char* path, int flags);
    int (*fdatasync)(int fd);
    int (*syncfs)(int fd);
    int (*mkdirat)(int folder, const char* path, mode_t mode);

    // The system's own calls.
    static const SystemCalls System;

    // The table of the calls made outside an operation that was handed one of its own: the
    // system's, unless a Replacement is in place.
    static const SystemCalls& current() { return *s_current.load(std::memory_order_acquire); }

    // Puts a table in place of the process's default for as long as it lives, then the one that
    // was there before: for tests of writes that no operation hands a table to (operation files,
    // keyfiles). Made while no file is being worked on.
    class Replacement
    {
    public:
        explicit Replacement(const SystemCalls& calls)
            : m_previous(s_current.exchange(&calls, std::memory_order_acq_rel))
        {
        }
        ~Replacement() { s_current.store(m_previous, std::memory_order_release); }
        Replacement(const Replacement&) = delete;
        Replacement& operator=(const Replacement&) = delete;

    private:
        const SystemCalls* m_previous;
    };

private:
    static std::atomic<const SystemCalls*> s_current;
};

// The calls of the table in use, under the names and with the defaults of the system's.
namespace Sys {

inline int openat(int folder, const char* path, int flags, mode_t mode = 0)
{
    return SystemCalls::current().openat(folder, path, flags, mode);
}
inline int open(const char* path, int flags, mode_t mode = 0)
{
    return openat(AT_FDCWD, path, flags, mode);
}
inline ssize_t read(int fd, void* data, size_t size)
{
    return SystemCalls::current().read(fd, data, size);
}
inline ssize_t write(int fd, const void* data, size_t size)
{
    return SystemCalls::current().write(fd, data, size);
}
inline ssize_t pwrite(int fd, const void* data, size_t size, off_t offset)
{
    return SystemCalls::current().pwrite(fd, data, size, offset);
}
inline int fsync(int fd)
{
    return SystemCalls::current().fsync(fd);
}
inline int ftruncate(int fd, off_t length)
{
    return SystemCalls::current().ftruncate(fd, length);
}
inline int renameat(int fromFolder, const char* from, int toFolder, const char* to)
{
    return SystemCalls::current().renameat(fromFolder, from, toFolder, to);
}
inline int rename(const char* from, const char* to)
{
    return renameat(AT_FDCWD, from, AT_FDCWD, to);
}
inline int renameat2(int fromFolder, const char* from, int toFolder, const char* to, unsigned flags)
{
    return SystemCalls::current().renameat2(fromFolder, from, toFolder, to, flags);
}
inline int linkat(int fromFolder, const char* from, int toFolder, const char* to, int flags)
{
    return SystemCalls::current().linkat(fromFolder, from, toFolder, to, flags);
}
inline int link(const char* from, const char* to)
{
    return linkat(AT_FDCWD, from, AT_FDCWD, to, 0);
}
inline int faccessat(int folder, const char* path, int mode, int flags)
{
    return SystemCalls::current().faccessat(folder, path, mode, flags);
}

inline int unlinkat(int folder, const char* path, int flags = 0)
{
    return SystemCalls::current().unlinkat(folder, path, flags);
}
inline int unlink(const char* path)
{
    return unlinkat(AT_FDCWD, path, 0);
}
inline int fdatasync(int fd)
{
    return SystemCalls::current().fdatasync(fd);
}
inline int syncfs(int fd)
{
    return SystemCalls::current().syncfs(fd);
}
inline int mkdirat(int folder, const char* path, mode_t mode)
{
    return SystemCalls::current().mkdirat(folder, path, mode);
}

} // namespace Sys
