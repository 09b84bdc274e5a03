#pragma once

#include <cstddef>
#include <cstdint>

// Reads a file in fixed-size records and tells which record is the last one: after a full
// record it reads one byte ahead, which then starts the next record.
class ChunkReader
{
public:
    explicit ChunkReader(int fd) : m_fd(fd) {}

    // Fills up to `size` bytes; the count, or -errno. `last` is set when nothing follows.
    [[nodiscard]] long long next(std::uint8_t* data, std::size_t size, bool& last);

private:
    int m_fd;
    std::uint8_t m_carry = 0;
    bool m_hasCarry = false;
};
