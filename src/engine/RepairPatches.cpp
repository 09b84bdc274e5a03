#include "RepairPatches.h"

#include "RepairLayout.h"

#include <algorithm>

void RepairPatches::addDifferences(std::uint64_t offset, const std::uint8_t* damaged,
                                   const std::uint8_t* repaired, std::size_t length)
{
    std::size_t i = 0;
    while (i < length) {
        if (damaged[i] == repaired[i]) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < length && damaged[end] != repaired[end])
            ++end;
        if (!m_runs.empty() && m_runs.back().offset > offset + i)
            m_sorted = false;
        m_runs.push_back({offset + i, static_cast<std::uint32_t>(end - i),
                          static_cast<std::uint32_t>(m_bytes.size())});
        m_bytes.insert(m_bytes.end(), repaired + i, repaired + end);
        i = end;
    }
}

void RepairPatches::merge(RepairPatches&& other)
{
    const auto shift = static_cast<std::uint32_t>(m_bytes.size());
    for (Run run : other.m_runs) {
        run.first += shift;
        m_runs.push_back(run);
    }
    m_bytes.insert(m_bytes.end(), other.m_bytes.begin(), other.m_bytes.end());
    m_sorted = false;
    other = RepairPatches();
}

void RepairPatches::finish()
{
    if (!m_sorted)
        std::sort(m_runs.begin(), m_runs.end(),
                  [](const Run& a, const Run& b) { return a.offset < b.offset; });
    m_sorted = true;
}

void RepairPatches::apply(std::uint64_t offset, std::uint8_t* data, std::size_t length) const
{
    const std::uint64_t end = offset + length;
    auto run = std::upper_bound(m_runs.begin(), m_runs.end(), offset,
                                [](std::uint64_t at, const Run& r) { return at < r.offset; });
    if (run != m_runs.begin() && std::prev(run)->offset + std::prev(run)->length > offset)
        --run;
    for (; run != m_runs.end() && run->offset < end; ++run) {
        const std::uint64_t from = std::max(offset, run->offset);
        const std::uint64_t to = std::min(end, run->offset + run->length);
        std::copy_n(&m_bytes[run->first + (from - run->offset)], to - from, data + (from - offset));
    }
}

std::uint64_t RepairPatches::sectors() const
{
    std::uint64_t count = 0;
    std::uint64_t counted = UINT64_MAX;
    for (const Run& run : m_runs) {
        for (std::uint64_t sector = run.offset / RepairLayout::SectorSize;
             sector <= (run.offset + run.length - 1) / RepairLayout::SectorSize; ++sector) {
            if (sector != counted)
                ++count;
            counted = sector;
        }
    }
    return count;
}
