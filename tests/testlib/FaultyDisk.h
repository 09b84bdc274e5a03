#pragma once

#include "engine/SystemCalls.h"

#include <cstdint>

// A faulty disk for the operations that are handed its calls(), without the root rights that a
// small or read-only mount needs: their calls fail as a disk would, while every other call of
// the process goes to the system as usual. One at a time.
class FaultyDisk
{
public:
    enum class Fault {
        FullAfter,  // `bytes` more bytes in all are written, then ENOSPC (a short write first)
        FlushFails, // fsync, fdatasync and syncfs fail with EIO
        ReadOnly,   // EROFS on every open for writing, truncation, rename and link
        FlipsAByte, // after `bytes` bytes in all, a write reaches the file with one byte
                    // flipped, and says it wrote what it was given (once)
        ReadFails,  // after `bytes` bytes read in all, every read fails with EIO
        ReadsAFlip, // after `bytes` bytes read in all, a read returns one byte flipped (once)
    };

    explicit FaultyDisk(Fault fault, std::uint64_t bytes = 0);
    FaultyDisk(const FaultyDisk&) = delete;
    FaultyDisk& operator=(const FaultyDisk&) = delete;

    // The table to hand to the operation that should meet the fault.
    const SystemCalls& calls() const;
    // How many calls were made to fail: a test whose fault never came has proven nothing.
    int failures() const;
};
