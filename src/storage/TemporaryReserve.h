#pragma once

#include "PosixFile.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// Empty temporary files made ahead in one folder, for outputs still to come. Making a file is
// most of what a small output costs the file system (on ext4 without a journal, more the more
// files were deleted there in the last minutes); while the key of a batch is being derived on
// another processor, the batch makes its first outputs' files instead of waiting. Each file is
// open and locked like any temporary file of the program, so another run leaves it alone;
// what is not taken is removed when the reserve is cleared, and a run that ends abruptly leaves
// names that the next run recognises as its own leftovers. The reserve holds at most MaxFiles:
// the process keeps to the descriptors it was given, as the libraries of a desktop expect.
class TemporaryReserve
{
public:
    static constexpr std::size_t MaxFiles = 128;

    TemporaryReserve() = default;
    ~TemporaryReserve() { clear(); }
    TemporaryReserve(const TemporaryReserve&) = delete;
    TemporaryReserve& operator=(const TemporaryReserve&) = delete;

    // Makes up to `count` files (at most MaxFiles) in the folder open at `folderFd` while
    // `goOn()` holds; the files of another folder are removed first. Stops early when the
    // folder takes no more files. The files are made, and later removed, through `calls`.
    void fill(int folderFd, std::size_t count, const std::function<bool()>& goOn,
              const SystemCalls& calls = SystemCalls::current());
    // A file of the folder open at `folderFd` and its name there; an invalid Fd when none is
    // left.
    PosixFile::Fd take(int folderFd, std::string& name);
    // Closes and removes every file not taken.
    void clear();
    std::size_t size() const { return m_files.size(); }

private:
    struct Reserved
    {
        PosixFile::Fd fd;
        std::string name;
    };

    int m_folderFd = -1;
    const SystemCalls* m_calls = &SystemCalls::System;
    std::vector<Reserved> m_files;
};
