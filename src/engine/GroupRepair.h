#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// One group of a repairable file in memory: 255 shards of `shardSize` bytes, the 239 data
// shards (the group's data, then zeros) followed by the 16 parity shards.
namespace GroupRepair {

// The columns whose stored parity differs from the parity of the data, found with `scratch`
// (at least 16 shards' worth).
std::vector<std::uint32_t> damagedColumns(const std::uint8_t* shards, std::size_t shardSize,
                                          std::vector<std::uint8_t>& scratch);

// Mends the group in place: `damaged` are its damaged columns, `length` its data bytes, after
// which every data byte must stay zero, `zeroed` the shards that zeroed sectors of the file
// touch (see zeroedShards). True when every column decodes and the parity then agrees
// everywhere; on false the shards hold no meaningful repair.
bool repair(std::uint8_t* shards, std::size_t shardSize, std::size_t length,
            const std::vector<std::uint32_t>& damaged, const std::vector<int>& zeroed,
            std::vector<std::uint8_t>& scratch);

// The shards in aligned sectors of the file that hold only zeros where they meet the group:
// a sector a disk could not read, or that a copy filled in. The group's data lies at `dataAt`
// in the file, its parity at `parityAt`.
std::vector<int> zeroedShards(const std::uint8_t* shards, std::size_t shardSize, std::size_t length,
                              std::uint64_t dataAt, std::uint64_t parityAt,
                              std::uint64_t sectorSize);

} // namespace GroupRepair
