#pragma once

#include "PosixFile.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <vector>

// Empty temporary files made ahead in one folder, for outputs still to come. Making a file is
// most of what a small output costs the file system (on ext4 without a journal, more the more
// files were deleted there in the last minutes); while the key of a batch is being derived on
// another processor, the batch makes its outputs' files instead of waiting. Each file is open
// and locked like any temporary file of the program, so another run leaves it alone; what is
// not taken is removed when the reserve is cleared, and a run that ends abruptly leaves names
// that the next run recognises as its own leftovers.
//
// The file handed out first can also be given its pages ahead: zeros written up to the size
// its output is expected to reach. Allocating a large output's page cache is much of what
// writing it costs (more still where freed memory goes back to a virtual machine's host), and
// the writes of the output then land in pages that are already there. Such a file is longer
// than what its output writes; OutputFile cuts it back to the end of the data.
class TemporaryReserve
{
public:
    TemporaryReserve() = default;
    ~TemporaryReserve() { clear(); }
    TemporaryReserve(const TemporaryReserve&) = delete;
    TemporaryReserve& operator=(const TemporaryReserve&) = delete;

    // Makes up to `count` files in the folder open at `folderFd` while `goOn()` holds; the
    // files of another folder are removed first. Stops early when the process is short of
    // descriptors or the folder takes no more files. Then, still while `goOn()` holds, writes
    // zeros to the file handed out first, up to `firstBytes` or a share of the memory.
    void fill(int folderFd, std::size_t count, const std::function<bool()>& goOn,
              long long firstBytes = 0);
    // A file of the folder open at `folderFd` and its name there; an invalid Fd when none is
    // left. `filled` is the length of the zeros written to it ahead.
    PosixFile::Fd take(int folderFd, std::string& name, long long& filled);
    // Closes and removes every file not taken.
    void clear();
    std::size_t size() const { return m_files.size(); }

private:
    struct Reserved
    {
        PosixFile::Fd fd;
        std::string name;
        long long filled = 0;
    };
    void fillPages(Reserved& file, long long bytes, const std::function<bool()>& goOn);

    int m_folderFd = -1;
    std::vector<Reserved> m_files;
    // The descriptor limit before fill() raised it, given back by clear().
    std::optional<rlimit> m_limitBefore;
};
