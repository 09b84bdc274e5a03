#pragma once

#include "OutputFile.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <vector>

// Finished new outputs that take their names together (group commit): a flush costs the disk
// about as much for one small file as for many, so a batch of small files pays for one flush
// per group instead of one per file. Until commit() a member lies under its temporary name,
// open and locked; then every member is flushed, renamed over its final name, and every folder
// they went to is flushed once.
class OutputGroup
{
public:
    // The group is due once it holds this many files, or its first file has waited this long.
    static constexpr std::size_t MaxFiles = 256;
    static constexpr std::chrono::milliseconds MaxWait{100};

    // Takes a finished output (OutputFile::finish done): its place in the group.
    std::size_t add(std::unique_ptr<OutputFile> file);
    std::size_t size() const { return m_files.size(); }
    bool due() const;

    // Flushes, names and flushes the folders of every member, in the order they came: for each,
    // 0 when it is under its final name and on the disk, else the errno of what failed (a
    // member whose flush failed is removed; one whose folder flush failed is under its name,
    // but not known to be on the disk). The group is empty afterwards.
    [[nodiscard]] std::vector<int> commit();

    // Removes every member without naming it.
    void discard() { m_files.clear(); }

private:
    // The flush of the members' data: for each, 0 or an errno.
    std::vector<int> flushAll() const;

    std::vector<std::unique_ptr<OutputFile>> m_files;
    std::chrono::steady_clock::time_point m_firstAdded;
};
