#pragma once

#include "engine/SystemCalls.h"

#include <fcntl.h>
#include <string>

// The one rule by which a file the program writes takes its final name, so that after a power
// loss at any moment the name holds what it held before or the whole new file, never a part:
// the file's data reaches the disk before the name is given (a flush), and the name reaches the
// disk (a flush of its folder) before the file counts as done. Every writer goes through here:
// new outputs and their groups, partial outputs, in-place results, operation files, keyfiles,
// test copies and pictures. Each function makes its calls through `calls`.
namespace Durability {

// How the name is given.
enum class Naming {
    Replace,   // a rename over whatever is at the name
    NoReplace, // never over an existing name: EEXIST when it is taken
    Exchange,  // the two names swap their files atomically
};

// Flushes the file's data and size to the disk: 0, or the errno of the failure.
[[nodiscard]] int flushFile(int fd, const SystemCalls& calls = SystemCalls::current());

// flushFile(), then lets go of the file's pages in memory, so that what is read from it next
// comes from the device: a read-back then proves what the disk holds, not what the program
// wrote into memory. 0, or the errno of the flush.
[[nodiscard]] int flushFromMemory(int fd, const SystemCalls& calls = SystemCalls::current());

// Flushes everything written to the file system that holds the open file `fd`, the file's own
// data and size among it: 0, or the errno of a write that failed there since `fd` was opened.
[[nodiscard]] int flushFileSystem(int fd, const SystemCalls& calls = SystemCalls::current());

// Flushes the folder open at `folderFd` (AT_FDCWD: the folder of `path`), so that the names
// given in it stay. A file system that cannot flush a folder (it answers EINVAL) keeps its
// names by its own means: 0 then, as on success.
[[nodiscard]] int flushFolder(int folderFd, const std::string& path,
                              const SystemCalls& calls = SystemCalls::current());

// Gives the file `from` the name `to`, both relative to the folder open at `folderFd` (or
// AT_FDCWD), without any flush: 0 or the errno. NoReplace falls back on a link and a removal
// where the file system has no such rename.
[[nodiscard]] int giveName(int folderFd, const std::string& from, const std::string& to,
                           Naming naming, const SystemCalls& calls = SystemCalls::current());

// The whole rule for one file open at `fd` under the temporary name `from`: flush it, give it
// the name `to`, flush the folder. 0, or the errno of the first failure; when the flush fails
// the name is not given.
[[nodiscard]] int publish(int fd, int folderFd, const std::string& from, const std::string& to,
                          Naming naming, const SystemCalls& calls = SystemCalls::current());

} // namespace Durability
