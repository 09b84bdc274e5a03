#pragma once

#include "PosixFile.h"

#include <cstdint>
#include <string>
#include <sys/stat.h>

// The file utilities: reading without a trace, byte-wise comparison, purging, and free names
// for new files. Paths are the file system's bytes.
namespace FileUtility {

// Opens `path` for reading without changing it, not even its access time (O_NOATIME where the
// system allows it); a FIFO does not block the open. An invalid Fd with errno set on failure.
[[nodiscard]] PosixFile::Fd open_for_reading(const std::string& path);

// The results of compare_files besides a position (0 or more) of a difference.
enum CompareResult : std::int64_t {
    Identical = -1,
    FirstOpen = -11, // the first file cannot be opened
    SecondOpen = -12,
    FirstRead = -21, // the first file cannot be read
    SecondRead = -22,
    FirstEmpty = -31,
    SecondEmpty = -32,
};

// Identical; 0 or more the byte position (from 0) of the first difference; otherwise the
// CompareResult that says which file could not be compared.
[[nodiscard]] std::int64_t compare_files(const std::string& first, const std::string& second);

enum PurgeResult : int {
    Purged = 0,
    NoSuchFile = -1, // also a success for the caller: nothing of the file is left
    CannotOpen = -4,
    WriteFailed = -5,
    UnlinkFailed = -6,
};

// True when a purge result leaves nothing of the file under its name.
inline bool purge_succeeded(int result)
{
    return result == Purged || result == NoSuchFile;
}

// Overwrites (level 1000: once, with random bytes, flushed to disk) and then deletes the
// file; level 0 only deletes it. A PurgeResult: Purged, NoSuchFile, or a failure.
[[nodiscard]] int purge_file(const std::string& path, int level, int reserved1, int reserved2);

// purge_file for `name` in the folder open at `folderFd` (or AT_FDCWD), but only when it still
// names the file `identity` describes (its device and inode); anything else found there is
// left alone (CannotOpen). A file that could not be overwritten keeps its name (WriteFailed),
// for the caller to report, or to purge again later. Its calls go through `calls`.
[[nodiscard]] int purge_identified_at(int folderFd, const std::string& name, int level,
                                      const struct stat& identity,
                                      const SystemCalls& calls = SystemCalls::current());

// 1 when a new file can be created at `path` (nothing is left behind), otherwise 0.
[[nodiscard]] int new_file_creatable(const std::string& path);

// A number n > 0 such that `path` followed by the decimal digits of n names a file that can be
// created; 0 when there is none.
[[nodiscard]] int new_filepath_extension(const std::string& path);

// Flushes the file and then the folder that holds it to disk (fsync): 0, or the errno of the
// failure.
[[nodiscard]] int sync_file(const std::string& path);

// Renames `from` to `to` only when `to` does not exist (atomically where the file system can):
// 0, or the errno of the failure (EEXIST when `to` is taken).
[[nodiscard]] int move_file(const std::string& from, const std::string& to);

} // namespace FileUtility
