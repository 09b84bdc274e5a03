#include "SystemCalls.h"

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

// openat is variadic and renameat2 may be a macro: each call is wrapped in a function of the
// table's type.
const SystemCalls SystemCalls::System = {
    [](int folder, const char* path, int flags, mode_t mode) {
        return ::openat(folder, path, flags, mode);
    },
    [](int fd, void* data, size_t size) { return ::read(fd, data, size); },
    [](int fd, void* data, size_t size, off_t offset) { return ::pread(fd, data, size, offset); },
    [](int fd, const void* data, size_t size) { return ::write(fd, data, size); },
    [](int fd, const void* data, size_t size, off_t offset) {
        return ::pwrite(fd, data, size, offset);
    },
    [](int fd) { return ::fsync(fd); },
    [](int fd, off_t length) { return ::ftruncate(fd, length); },
    [](int fromFolder, const char* from, int toFolder, const char* to) {
        return ::renameat(fromFolder, from, toFolder, to);
    },
    [](int fromFolder, const char* from, int toFolder, const char* to, unsigned flags) {
        return ::renameat2(fromFolder, from, toFolder, to, flags);
    },
    [](int fromFolder, const char* from, int toFolder, const char* to, int flags) {
        return ::linkat(fromFolder, from, toFolder, to, flags);
    },
    [](int folder, const char* path, int mode, int flags) {
        return ::faccessat(folder, path, mode, flags);
    },
    [](int folder, const char* path, int flags) { return ::unlinkat(folder, path, flags); },
    [](int fd) { return ::fdatasync(fd); },
    [](int fd) { return ::syncfs(fd); },
    [](int folder, const char* path, mode_t mode) { return ::mkdirat(folder, path, mode); },
};

std::atomic<const SystemCalls*> SystemCalls::s_current{&SystemCalls::System};
