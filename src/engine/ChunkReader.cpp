#include "ChunkReader.h"

#include "PosixIo.h"

long long ChunkReader::next(std::uint8_t* data, std::size_t size, bool& last)
{
    std::size_t have = 0;
    if (m_hasCarry && size > 0) {
        data[0] = m_carry;
        m_hasCarry = false;
        have = 1;
    }
    const long long n = PosixFile::readFull(m_fd, data + have, size - have, m_calls);
    if (n < 0)
        return n;
    have += static_cast<std::size_t>(n);
    last = have < size;
    if (!last) {
        const long long ahead = PosixFile::readFull(m_fd, &m_carry, 1, m_calls);
        if (ahead < 0)
            return ahead;
        m_hasCarry = ahead == 1;
        last = !m_hasCarry;
    }
    return static_cast<long long>(have);
}
