#include "StreamRepairs.h"

#include <sys/stat.h>
#include <unistd.h>

void StreamRepairs::open(int input, const SystemCalls& calls)
{
    *this = StreamRepairs();
    struct stat info;
    m_base = ::lseek(input, 0, SEEK_CUR);
    if (m_base < 0 || ::fstat(input, &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_size <= m_base)
        return;
    m_layout = RepairLayout::fromFileSize(static_cast<std::uint64_t>(info.st_size - m_base));
    if (m_layout)
        m_parity = std::make_unique<ParityFile>(input, m_base, *m_layout, calls);
}

int StreamRepairs::check(std::size_t first, std::size_t end, unsigned threads)
{
    const ParityFile::Damage damage = m_parity->check(first, end, threads, m_patches);
    m_summary.bytes = damage.bytes;
    m_summary.sectors = damage.sectors;
    m_summary.unrepaired += damage.unrepaired;
    return damage.readError;
}

int StreamRepairs::checkHeader(std::uint8_t* header, std::size_t length, unsigned threads)
{
    m_headerChecked = true;
    const int error = check(0, 1, threads);
    m_patches.apply(static_cast<std::uint64_t>(m_base), header, length);
    return error;
}

int StreamRepairs::checkRest(unsigned threads)
{
    m_restChecked = true;
    return check(1, m_layout->groups(), threads);
}

void StreamRepairs::drop()
{
    m_parity.reset();
    m_layout.reset();
    m_patches = RepairPatches();
    m_summary = Summary();
}

ChunkPass::InputRepairs StreamRepairs::inputRepairs() const
{
    if (!m_summary.repairable)
        return {};
    return {m_base + static_cast<long long>(m_layout->streamLength()), &m_patches};
}
