#pragma once

#include "PosixFile.h"

class TemporaryReserve;

#include <fcntl.h>
#include <string>

// An output file that appears under its own name only when it is complete and on the disk: the
// data goes to a new temporary file in the same folder, which is flushed and then renamed over
// the final name (see Durability), alone by commit() or with others by an OutputGroup.
class OutputFile
{
public:
    // Every call it makes goes through `calls`, which must outlive it.
    explicit OutputFile(const SystemCalls& calls = SystemCalls::current()) : m_calls(calls) {}
    ~OutputFile() { discard(); }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // False when no file can be made in the final name's folder. With `folderFd`, every name
    // is taken in the folder open there (a folder of a batch, so that a path swapped for a
    // link meanwhile leads nowhere); AT_FDCWD takes `finalPath` as a path. A file that
    // `reserve` holds for that folder is taken before a new one is made.
    [[nodiscard]] bool create(const std::string& finalPath, int folderFd = AT_FDCWD,
                              TemporaryReserve* reserve = nullptr);
    int fd() const { return m_fd.get(); }

    // The file alone: flushed, renamed over the final name, the folder flushed,
    // closed. 0, or the errno of the failure (the temporary file is then still there for
    // discard(), unless the failure came after the rename).
    [[nodiscard]] int commit();

    // The steps of commit() for an OutputGroup: the rename alone (0 or an
    // errno), and where it happens.
    [[nodiscard]] int giveName();
    int folderFd() const { return m_folderFd; }
    const SystemCalls& calls() const { return m_calls; }
    const std::string& finalPath() const { return m_finalPath; }

    // Closes and removes the temporary file.
    void discard();

    // Closes and keeps what was written as "<final>.partial" (or ".partial2", ...), flushed
    // before it takes that name; returns the name, or "" when it could not be kept (the
    // temporary file is then removed).
    [[nodiscard]] std::string keepPartial();

private:
    const SystemCalls& m_calls;
    PosixFile::Fd m_fd;
    int m_folderFd = AT_FDCWD;
    std::string m_finalPath;
    std::string m_tempPath;
};
