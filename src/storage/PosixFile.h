#pragma once

#include "engine/PosixIo.h"

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <string>

// Names and folders over POSIX file descriptors: temporary files, links, identity, folder
// flushes. Paths are the file system's bytes; what changes the file system goes through `calls`.
namespace PosixFile {

// The folder part of a path ("." for a bare name), without a trailing "/".
std::string folderOf(const std::string& path);

// The folder part of a path with its trailing "/" ("" for a bare name): a name within that
// folder appended to it gives the name's path.
std::string folderPrefix(const std::string& path);

// Creates a new, empty file with a random name in `folder` (O_EXCL, mode 0600, open for
// reading and writing and locked with flock while open); the name is returned in `path`. An
// invalid Fd with errno set when none can be made.
[[nodiscard]] Fd createTemporary(const std::string& folder, std::string& path,
                                 const SystemCalls& calls = SystemCalls::current());
// The same relative to the folder open at `folderFd` (or AT_FDCWD): `name` is `prefix`
// followed by the random name.
[[nodiscard]] Fd createTemporaryAt(int folderFd, const std::string& prefix, std::string& name,
                                   const SystemCalls& calls = SystemCalls::current());

// True for a name that createTemporary makes (".zr7-" 12 hex digits ".tmp"): a file of the
// program's own, never a user's.
bool isTemporaryName(const std::string& name);

// Gives the file `from` a second name: `base`, else `base` with 2, 3, ... appended; never an
// existing name. The name made, or "" when there was none.
[[nodiscard]] std::string linkUnder(const std::string& from, const std::string& base,
                                    const SystemCalls& calls = SystemCalls::current());
// The same with both names relative to the folder open at `folderFd` (or AT_FDCWD).
[[nodiscard]] std::string linkUnderAt(int folderFd, const std::string& from,
                                      const std::string& base,
                                      const SystemCalls& calls = SystemCalls::current());

// True when two descriptions are of one file: the same device and inode. Safe in a signal
// handler.
inline bool sameIdentity(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// True when `first` and `second` lead (through any links) to the same existing file.
bool sameFile(const std::string& first, const std::string& second);

// fsync of the folder that holds `path`, so that a rename in it is durable.
[[nodiscard]] int syncFolderOf(const std::string& path,
                               const SystemCalls& calls = SystemCalls::current());
// fsync of the folder open at `folderFd`; AT_FDCWD stands for the folder of `path`.
[[nodiscard]] int syncFolderAt(int folderFd, const std::string& path,
                               const SystemCalls& calls = SystemCalls::current());

// Asks the kernel to let go of the cached pages of the regular file `name` in the folder open
// at `folderFd` (or AT_FDCWD), a file about to be replaced: its data stays as it is on disk.
// Without this, a new file written beside a large old one needs as much fresh memory again,
// which on virtual machines that hand freed memory back to their host costs several times the
// writing itself; the old file's pages, freed first, are reused instead. Small files, links and
// anything that is not a regular file are left alone; failures are of no consequence.
void releaseCachedPages(int folderFd, const std::string& name);

} // namespace PosixFile
