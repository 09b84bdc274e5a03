#include "RepairLayout.h"

#include "ReedSolomon.h"

#include <algorithm>

namespace {

std::uint64_t shardSizeFor(std::uint64_t length)
{
    const std::uint64_t shards = ReedSolomon::DataShards;
    return std::max(RepairLayout::MinShardSize, (length + shards - 1) / shards);
}

constexpr std::uint64_t WholeGroupFileBytes =
    RepairLayout::GroupBytes + RepairLayout::SectorSize * ReedSolomon::ParityShards;

} // namespace

RepairLayout::RepairLayout(std::uint64_t streamLength)
    : m_streamLength(streamLength), m_groups(static_cast<std::size_t>(std::max<std::uint64_t>(
                                        1, (streamLength + GroupBytes - 1) / GroupBytes)))
{
}

std::uint64_t RepairLayout::parityLength(std::uint64_t length)
{
    return ReedSolomon::ParityShards * shardSizeFor(length);
}

std::uint64_t RepairLayout::fileSize() const
{
    const Group last = group(m_groups - 1);
    return last.parityAt + parityLength(last.length);
}

RepairLayout::Group RepairLayout::group(std::size_t index) const
{
    Group group;
    group.start = index * GroupBytes;
    group.length = std::min(GroupBytes, m_streamLength - group.start);
    group.shardSize = shardSizeFor(group.length);
    group.parityAt = m_streamLength + index * SectorSize * ReedSolomon::ParityShards;
    return group;
}

std::optional<RepairLayout> RepairLayout::fromFileSize(std::uint64_t fileSize)
{
    if (fileSize == 0)
        return std::nullopt;
    const std::uint64_t whole = (fileSize - 1) / WholeGroupFileBytes;
    const std::uint64_t rest = fileSize - whole * WholeGroupFileBytes;
    // The last group's data and parity add up to `rest`, and grow together: search for it.
    std::uint64_t low = 1;
    std::uint64_t high = GroupBytes;
    while (low < high) {
        const std::uint64_t middle = low + (high - low) / 2;
        if (middle + parityLength(middle) < rest)
            low = middle + 1;
        else
            high = middle;
    }
    if (low + parityLength(low) != rest)
        return std::nullopt;
    return RepairLayout(whole * GroupBytes + low);
}
