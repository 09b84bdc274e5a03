#include "ChunkReader.h"

#include "PosixIo.h"
#include "RepairPatches.h"

#include <algorithm>
#include <unistd.h>

void ChunkReader::setRepairs(const ChunkPass::InputRepairs& repairs)
{
    m_repairs = repairs;
    m_offset = ::lseek(m_fd, 0, SEEK_CUR);
}

long long ChunkReader::next(std::uint8_t* data, std::size_t size, bool& last)
{
    std::size_t have = 0;
    if (m_hasCarry && size > 0) {
        data[0] = m_carry;
        m_hasCarry = false;
        have = 1;
    }
    if (m_repairs.end >= 0)
        size = std::min<std::size_t>(
            size, static_cast<std::size_t>(std::max(0LL, m_repairs.end - m_offset)));
    const long long n = PosixFile::readFull(m_fd, data + have, size - have, m_calls);
    if (n < 0)
        return n;
    have += static_cast<std::size_t>(n);
    if (m_repairs.patches != nullptr)
        m_repairs.patches->apply(static_cast<std::uint64_t>(m_offset), data, have);
    m_offset += static_cast<long long>(have);
    last = have < size || m_offset == m_repairs.end;
    if (!last) {
        const long long ahead = PosixFile::readFull(m_fd, &m_carry, 1, m_calls);
        if (ahead < 0)
            return ahead;
        m_hasCarry = ahead == 1;
        last = !m_hasCarry;
    }
    return static_cast<long long>(have);
}
