#include "ReplacingWrite.h"

#include "PosixFile.h"
#include "SystemCalls.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ReplacingWrite {

namespace {

// The name as it stands now: `exists` false when there is nothing under it.
Result Inspect(const Target& target, bool& exists, struct stat& old, int& error)
{
    error = 0;
    exists = false;
    if (target.path.empty() || target.path.back() == '/') {
        error = EISDIR;
        return Result::Failed;
    }
    if (::lstat(target.path.c_str(), &old) != 0) {
        error = errno;
        return errno == ENOENT ? Result::Written : Result::Failed;
    }
    exists = true;
    if (!S_ISREG(old.st_mode))
        return Result::NotRegular;
    for (const std::string& path : target.protect) {
        struct stat kept = {};
        if (::stat(path.c_str(), &kept) == 0 && kept.st_dev == old.st_dev &&
            kept.st_ino == old.st_ino)
            return Result::Protected;
    }
    return target.replace ? Result::Written : Result::Exists;
}

// Gives `temporary` the name without ever replacing what took the name meanwhile; 0, EEXIST or
// another errno.
int RenameNew(const std::string& temporary, const std::string& path)
{
    if (Sys::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system without the flag: link() refuses an existing name just as well.
    if (Sys::link(temporary.c_str(), path.c_str()) != 0)
        return errno;
    Sys::unlink(temporary.c_str());
    return 0;
}

// The content into the temporary file, with the old file's mode and owners, on the disk.
int FillTemporary(int fd, const Fill& fill, bool keepMode, bool exists, const struct stat& old)
{
    if (const int error = fill(fd))
        return error;
    if (exists && keepMode) {
        // Only root can give a file away; anyone else keeps the new file as their own.
        [[maybe_unused]] const int owned = ::fchown(fd, old.st_uid, old.st_gid);
        ::fchmod(fd, old.st_mode & 0777);
    }
    return Sys::fsync(fd) == 0 ? 0 : errno;
}

} // namespace

Result check(const Target& target, int& error)
{
    bool exists = false;
    struct stat old = {};
    return Inspect(target, exists, old, error);
}

Result write(const Target& target, const Fill& fill, int& error)
{
    bool exists = false;
    struct stat old = {};
    const Result allowed = Inspect(target, exists, old, error);
    if (allowed != Result::Written)
        return allowed;
    std::string temporary;
    PosixFile::Fd fd = PosixFile::createTemporary(PosixFile::folderOf(target.path), temporary);
    if (!fd.valid()) {
        error = errno;
        return Result::Failed;
    }
    error = FillTemporary(fd.get(), fill, target.keepMode, exists, old);
    if (!error)
        error = fd.close();
    // A rename never follows a link at the name: whatever came there meanwhile is replaced,
    // not written through. Without `exists`, nothing that appeared meanwhile is replaced.
    if (!error)
        error = exists ? (Sys::rename(temporary.c_str(), target.path.c_str()) == 0 ? 0 : errno)
                       : RenameNew(temporary, target.path);
    if (error) {
        Sys::unlink(temporary.c_str());
        return error == EEXIST && !exists ? Result::Exists : Result::Failed;
    }
    // The content is on the disk already; not every file system can flush a folder (some
    // answer EINVAL), and the new name stands either way.
    (void)PosixFile::syncFolderOf(target.path);
    return Result::Written;
}

Result writeBytes(const Target& target, const void* data, std::size_t size, int& error)
{
    return write(
        target,
        [&](int fd) {
            return PosixFile::writeFull(fd, static_cast<const std::uint8_t*>(data), size);
        },
        error);
}

} // namespace ReplacingWrite
