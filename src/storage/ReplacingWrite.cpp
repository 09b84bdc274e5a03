#include "ReplacingWrite.h"

#include "Durability.h"
#include "PosixFile.h"
#include "engine/SystemCalls.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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
        if (::stat(path.c_str(), &kept) == 0 && PosixFile::sameIdentity(kept, old))
            return Result::Protected;
    }
    return target.replace ? Result::Written : Result::Exists;
}

// The content into the temporary file, with the old file's mode and owners, on the disk and
// read back from it.
int FillTemporary(int fd, const Fill& fill, const Check& check, bool keepMode, bool exists,
                  const struct stat& old)
{
    if (const int error = fill(fd))
        return error;
    if (exists && keepMode) {
        // Only root can give a file away; anyone else keeps the new file as their own.
        [[maybe_unused]] const int owned = ::fchown(fd, old.st_uid, old.st_gid);
        ::fchmod(fd, old.st_mode & 0777);
    }
    if (const int error = Durability::flushFromMemory(fd))
        return error;
    return !check || check(fd) ? 0 : EIO;
}

} // namespace

Result check(const Target& target, int& error)
{
    bool exists = false;
    struct stat old = {};
    return Inspect(target, exists, old, error);
}

Result write(const Target& target, const Fill& fill, int& error, const Check& check)
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
    error = FillTemporary(fd.get(), fill, check, target.keepMode, exists, old);
    // A rename never follows a link at the name: whatever came there meanwhile is replaced,
    // not written through. Without `exists`, nothing that appeared meanwhile is replaced.
    const auto naming = exists ? Durability::Naming::Replace : Durability::Naming::NoReplace;
    bool named = false;
    if (!error) {
        error = Durability::giveName(AT_FDCWD, temporary, target.path, naming);
        named = error == 0;
    }
    if (named)
        error = Durability::flushFolder(AT_FDCWD, target.path);
    (void)fd.close(); // flushed already
    if (!named)
        Sys::unlink(temporary.c_str());
    if (error)
        return error == EEXIST && !named && !exists ? Result::Exists : Result::Failed;
    return Result::Written;
}

Result writeBytes(const Target& target, const void* data, std::size_t size, int& error)
{
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return write(
        target, [&](int fd) { return PosixFile::writeFull(fd, bytes, size); }, error,
        [&](int fd) {
            std::vector<std::uint8_t> back(size + 1);
            return PosixFile::readFullAt(fd, back.data(), back.size(), 0) ==
                       static_cast<long long>(size) &&
                   std::equal(bytes, bytes + size, back.begin());
        });
}

} // namespace ReplacingWrite
