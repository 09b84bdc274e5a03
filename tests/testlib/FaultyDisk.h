#pragma once

#include "engine/SystemCalls.h"

#include <cstdint>

// The engine's storage turned faulty while the object lives, without the root rights that a
// small or read-only mount needs: the engine's calls fail as a disk would, and the system's
// own calls are back when the object goes. One at a time.
class FaultyDisk
{
public:
    enum class Fault {
        FullAfter,  // `bytes` more bytes in all are written, then ENOSPC (a short write first)
        FlushFails, // fsync, fdatasync and syncfs fail with EIO
        ReadOnly,   // EROFS on every open for writing, truncation, rename and link
        FlipsAByte, // after `bytes` bytes in all, a write reaches the file with one byte
                    // flipped, and says it wrote what it was given (once)
    };

    explicit FaultyDisk(Fault fault, std::uint64_t bytes = 0);
    FaultyDisk(const FaultyDisk&) = delete;
    FaultyDisk& operator=(const FaultyDisk&) = delete;

    // How many calls were made to fail: a test whose fault never came has proven nothing.
    int failures() const;

private:
    SystemCalls::Replacement m_calls;
};
