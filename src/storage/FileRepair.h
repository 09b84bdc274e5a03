#pragma once

#include "engine/SystemCalls.h"

#include <cstdint>
#include <string>

// Rewrites a damaged repairable file whole from what its parity mends. The repaired file goes to
// a new temporary file in the same folder, with the original's mode, owner, times and
// attributes; it is read back and must be intact before it is flushed and renamed over the
// damaged one. Nothing is written for an intact file, one that is not repairable or one whose
// parity cannot mend it. Needs no key: the parity covers the encrypted bytes.
namespace FileRepair {

enum class Outcome {
    Repaired,
    Intact,        // nothing to mend
    NotRepairable, // not a file of the repairable form
    BeyondRepair,  // a group of it has more damage than its parity mends
    NotOpened,
    ReadError,
    WriteError,
    DiskFull,
    NotVerified, // the repaired copy did not read back intact: not kept
};

struct Result
{
    Outcome outcome = Outcome::NotOpened;
    std::uint64_t bytes = 0;   // repaired
    std::uint64_t sectors = 0; // aligned 4096-byte sectors holding them
    int error = 0;             // errno of a failure
};

[[nodiscard]] Result repairFile(const std::string& path, unsigned threads,
                                const SystemCalls& calls = SystemCalls::current());

} // namespace FileRepair
