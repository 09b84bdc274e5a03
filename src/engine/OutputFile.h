#pragma once

#include "PosixFile.h"

class TemporaryReserve;

#include <fcntl.h>
#include <string>

// An output file that appears under its own name only when it is complete: the data goes to a
// new temporary file in the same folder, which commit() renames over the final name.
class OutputFile
{
public:
    ~OutputFile() { discard(); }

    // False when no file can be made in the final name's folder. With `folderFd`, every name
    // is taken in the folder open there (a folder of a batch, so that a path swapped for a
    // link meanwhile leads nowhere); AT_FDCWD takes `finalPath` as a path. A file that
    // `reserve` holds for that folder is taken before a new one is made.
    [[nodiscard]] bool create(const std::string& finalPath, int folderFd = AT_FDCWD,
                              TemporaryReserve* reserve = nullptr);
    int fd() const { return m_fd.get(); }

    // Closes and renames; 0, or the errno of the failure (the temporary file is then still
    // there for discard()).
    [[nodiscard]] int commit();

    // Closes and removes the temporary file.
    void discard();

    // Closes and keeps what was written as "<final>.partial" (or ".partial2", ...); returns
    // that name, or "" when it could not be kept (the temporary file is then removed).
    [[nodiscard]] std::string keepPartial();

private:
    // A reserved file may come filled ahead, longer than what its writer wrote: cuts it back to
    // the file offset, which every writer leaves at the end of its data. 0 or an errno.
    int cutFilledTail();

    PosixFile::Fd m_fd;
    long long m_filled = 0;
    int m_folderFd = AT_FDCWD;
    std::string m_finalPath;
    std::string m_tempPath;
};
