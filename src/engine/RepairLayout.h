#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

// Where the parity of a repairable file lies (docs/file-format.md, section 10.1). The stream
// (header and sealed chunks) comes first, cut into groups of 239 shards; the parity of every
// group follows the stream, group after group. A whole group's shards are aligned 4096-byte
// sectors, so a lost sector is one byte of each of its group's codewords.
class RepairLayout
{
public:
    static constexpr std::uint64_t SectorSize = 4096;
    static constexpr std::uint64_t GroupBytes = 239 * SectorSize;
    static constexpr std::uint64_t MinShardSize = 9;

    struct Group
    {
        std::uint64_t start = 0;     // of its data in the stream
        std::uint64_t length = 0;    // data bytes, the rest of the 239 shards being zeros
        std::uint64_t shardSize = 0; // bytes per shard
        std::uint64_t parityAt = 0;  // of its 16 parity shards in the file
    };

    explicit RepairLayout(std::uint64_t streamLength);
    // The layout of a file of `fileSize` bytes, when that is a repairable file's size.
    static std::optional<RepairLayout> fromFileSize(std::uint64_t fileSize);

    std::uint64_t streamLength() const { return m_streamLength; }
    std::uint64_t fileSize() const;
    std::size_t groups() const { return m_groups; }
    Group group(std::size_t index) const;

    // Parity bytes of a group of `length` data bytes.
    static std::uint64_t parityLength(std::uint64_t length);

private:
    std::uint64_t m_streamLength;
    std::size_t m_groups;
};
