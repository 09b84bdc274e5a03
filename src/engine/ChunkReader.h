#pragma once

#include "ChunkPass.h"
#include "SystemCalls.h"

#include <cstddef>
#include <cstdint>

// Reads a file in fixed-size records and tells which record is the last one: after a full
// record it reads one byte ahead, which then starts the next record.
class ChunkReader
{
public:
    // Reads through `calls`.
    explicit ChunkReader(int fd, const SystemCalls& calls = SystemCalls::current())
        : m_fd(fd), m_calls(calls)
    {
    }

    // Fills up to `size` bytes; the count, or -errno. `last` is set when nothing follows.
    [[nodiscard]] long long next(std::uint8_t* data, std::size_t size, bool& last);
    // Ends the records at an offset of a regular file and lays repairs over them.
    void setRepairs(const ChunkPass::InputRepairs& repairs);

private:
    int m_fd;
    const SystemCalls& m_calls;
    std::uint8_t m_carry = 0;
    bool m_hasCarry = false;
    ChunkPass::InputRepairs m_repairs;
    long long m_offset = 0; // of the next byte handed out, when there are repairs
};
