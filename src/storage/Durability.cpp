#include "Durability.h"

#include "PosixFile.h"
#include "engine/SystemCalls.h"

#include <cerrno>
#include <cstdio>

namespace Durability {

int flushFile(int fd)
{
    return Sys::fsync(fd) == 0 ? 0 : errno;
}

int flushFromMemory(int fd)
{
    if (const int error = flushFile(fd))
        return error;
    (void)::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    return 0;
}

int flushFileSystem(int fd)
{
    return Sys::syncfs(fd) == 0 ? 0 : errno;
}

int flushFolder(int folderFd, const std::string& path)
{
    const int error = PosixFile::syncFolderAt(folderFd, path);
    return error == EINVAL ? 0 : error;
}

int giveName(int folderFd, const std::string& from, const std::string& to, Naming naming)
{
    const char* source = from.c_str();
    const char* target = to.c_str();
    switch (naming) {
    case Naming::Replace:
        return Sys::renameat(folderFd, source, folderFd, target) == 0 ? 0 : errno;
    case Naming::Exchange:
        return Sys::renameat2(folderFd, source, folderFd, target, RENAME_EXCHANGE) == 0 ? 0 : errno;
    case Naming::NoReplace:
        break;
    }
    if (Sys::renameat2(folderFd, source, folderFd, target, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system without the flag: a link refuses an existing name just as well.
    if (Sys::linkat(folderFd, source, folderFd, target, 0) != 0)
        return errno;
    Sys::unlinkat(folderFd, source, 0);
    return 0;
}

int publish(int fd, int folderFd, const std::string& from, const std::string& to, Naming naming)
{
    if (const int error = flushFile(fd))
        return error;
    if (const int error = giveName(folderFd, from, to, naming))
        return error;
    return flushFolder(folderFd, to);
}

} // namespace Durability
