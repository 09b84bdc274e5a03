#include "PosixFile.h"

#include "OwnTemporaries.h"
#include "engine/SystemCalls.h"

#include <sodium.h>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <utility>

namespace PosixFile {

std::string folderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string folderPrefix(const std::string& path)
{
    return path.substr(0, path.rfind('/') + 1);
}

Fd createTemporary(const std::string& folder, std::string& path, const SystemCalls& calls)
{
    return createTemporaryAt(AT_FDCWD, folder == "/" ? "/" : folder + "/", path, calls);
}

Fd createTemporaryAt(int folderFd, const std::string& prefix, std::string& name,
                     const SystemCalls& calls)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned char random[6];
        randombytes_buf(random, sizeof random);
        char made[32];
        std::snprintf(made, sizeof made, ".zr7-%02x%02x%02x%02x%02x%02x.tmp", random[0], random[1],
                      random[2], random[3], random[4], random[5]);
        name = prefix + made;
        const int fd =
            calls.openat(folderFd, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            // Held for as long as the file is open: a later run that finds the name knows it
            // is still in use and leaves it alone.
            ::flock(fd, LOCK_EX | LOCK_NB);
            return Fd(fd);
        }
        if (errno != EEXIST)
            break;
    }
    name.clear();
    return Fd();
}

bool isTemporaryName(const std::string& name)
{
    return name.find('\0') == std::string::npos && OwnTemporaries::IsTemporaryName(name.c_str());
}

std::string linkUnder(const std::string& from, const std::string& base, const SystemCalls& calls)
{
    return linkUnderAt(AT_FDCWD, from, base, calls);
}

std::string linkUnderAt(int folderFd, const std::string& from, const std::string& base,
                        const SystemCalls& calls)
{
    for (int n = 1; n < 100; ++n) {
        const std::string name = base + (n == 1 ? "" : std::to_string(n));
        // link() refuses an existing name, so nothing of the user's is replaced.
        if (calls.linkat(folderFd, from.c_str(), folderFd, name.c_str(), 0) == 0)
            return name;
        if (errno != EEXIST)
            break;
    }
    return {};
}

bool sameFile(const std::string& first, const std::string& second)
{
    struct stat a, b;
    return ::stat(first.c_str(), &a) == 0 && ::stat(second.c_str(), &b) == 0 && sameIdentity(a, b);
}

int syncFolderOf(const std::string& path, const SystemCalls& calls)
{
    Fd folder(::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid())
        return errno;
    return calls.fsync(folder.get()) == 0 ? 0 : errno;
}

int syncFolderAt(int folderFd, const std::string& path, const SystemCalls& calls)
{
    if (folderFd == AT_FDCWD)
        return syncFolderOf(path, calls);
    return calls.fsync(folderFd) == 0 ? 0 : errno;
}

namespace {

// cachestat(2), Linux 6.5 and later; not yet in every C library's headers. Since Linux 5.x new
// system calls have one number on every architecture.
#ifndef __NR_cachestat
#define __NR_cachestat 451
#endif

struct CacheRange
{
    std::uint64_t offset = 0;
    std::uint64_t length = 0; // 0: to the end of the file
};

struct CacheState
{
    std::uint64_t cached = 0, dirty = 0, writeback = 0, evicted = 0, recentlyEvicted = 0;
};

// True unless the file's cached pages are mostly waiting to be written. Those cannot be let go
// without first writing them, which for a file about to be replaced is wasted work: the kernel
// drops them unwritten when the file goes. A kernel that cannot tell is asked to let go anyway,
// since a file written long ago, the usual case, has none.
bool MostlyWritten(int fd)
{
    CacheRange range;
    CacheState state;
    if (::syscall(__NR_cachestat, fd, &range, &state, 0) != 0)
        return true;
    return (state.dirty + state.writeback) * 8 <= state.cached;
}

} // namespace

void releaseCachedPages(int folderFd, const std::string& name)
{
    // Below this, the few pages are not worth the system calls of a batch of small files.
    constexpr off_t Worthwhile = off_t{1} << 20;
    struct stat seen;
    if (::fstatat(folderFd, name.c_str(), &seen, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(seen.st_mode) || seen.st_size < Worthwhile)
        return;
    // Read-only and O_NONBLOCK: should a FIFO or a device have been swapped in since, opening it
    // neither waits nor changes it, and the identity check below lets it go.
    Fd file(::openat(folderFd, name.c_str(),
                     O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
    struct stat opened;
    if (!file.valid() || ::fstat(file.get(), &opened) != 0 || !sameIdentity(opened, seen) ||
        !MostlyWritten(file.get()))
        return;
    // Clean pages go at once; the few dirty ones are sent to the disk and freed when the file
    // goes.
    ::posix_fadvise(file.get(), 0, 0, POSIX_FADV_DONTNEED);
}

} // namespace PosixFile
