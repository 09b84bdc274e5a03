#include "Durability.h"

#include "PosixFile.h"

#include <cerrno>
#include <cstdio>

namespace Durability {

int flushFile(int fd, const SystemCalls& calls)
{
    return calls.fsync(fd) == 0 ? 0 : errno;
}

int flushFromMemory(int fd, const SystemCalls& calls)
{
    if (const int error = flushFile(fd, calls))
        return error;
    (void)::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    return 0;
}

int flushFileSystem(int fd, const SystemCalls& calls)
{
    return calls.syncfs(fd) == 0 ? 0 : errno;
}

int flushFolder(int folderFd, const std::string& path, const SystemCalls& calls)
{
    const int error = PosixFile::syncFolderAt(folderFd, path, calls);
    return error == EINVAL ? 0 : error;
}

int giveName(int folderFd, const std::string& from, const std::string& to, Naming naming,
             const SystemCalls& calls)
{
    const char* source = from.c_str();
    const char* target = to.c_str();
    switch (naming) {
    case Naming::Replace:
        return calls.renameat(folderFd, source, folderFd, target) == 0 ? 0 : errno;
    case Naming::Exchange:
        return calls.renameat2(folderFd, source, folderFd, target, RENAME_EXCHANGE) == 0 ? 0
                                                                                         : errno;
    case Naming::NoReplace:
        break;
    }
    if (calls.renameat2(folderFd, source, folderFd, target, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system without the flag: a link refuses an existing name just as well.
    if (calls.linkat(folderFd, source, folderFd, target, 0) != 0)
        return errno;
    calls.unlinkat(folderFd, source, 0);
    return 0;
}

int publish(int fd, int folderFd, const std::string& from, const std::string& to, Naming naming,
            const SystemCalls& calls)
{
    if (const int error = flushFile(fd, calls))
        return error;
    if (const int error = giveName(folderFd, from, to, naming, calls))
        return error;
    return flushFolder(folderFd, to, calls);
}

} // namespace Durability
