#include "GroupRepair.h"

#include "ReedSolomon.h"

#include <algorithm>
#include <array>

namespace {

constexpr int DataShards = ReedSolomon::DataShards;
constexpr int Shards = ReedSolomon::Shards;
// Columns decoded one by one before the damaged shards are taken as known: a lost or garbled
// sector puts its error in the same shard of every column.
constexpr std::size_t SampleColumns = 8;

using Codeword = std::array<std::uint8_t, Shards>;

struct Pointers
{
    std::array<std::uint8_t*, Shards> shards;
    std::array<std::uint8_t*, ReedSolomon::ParityShards> fresh; // recomputed parity

    Pointers(std::uint8_t* data, std::size_t shardSize, std::vector<std::uint8_t>& scratch)
    {
        scratch.resize(ReedSolomon::ParityShards * shardSize);
        for (int r = 0; r < Shards; ++r)
            shards[static_cast<std::size_t>(r)] = data + static_cast<std::size_t>(r) * shardSize;
        for (int r = 0; r < ReedSolomon::ParityShards; ++r)
            fresh[static_cast<std::size_t>(r)] =
                scratch.data() + static_cast<std::size_t>(r) * shardSize;
    }
    const std::uint8_t* const* data() const { return shards.data(); }
};

std::vector<std::uint32_t> differingColumns(const Pointers& p, std::size_t shardSize)
{
    std::vector<std::uint32_t> columns;
    for (std::size_t j = 0; j < shardSize; ++j) {
        std::uint8_t differs = 0;
        for (int r = 0; r < ReedSolomon::ParityShards; ++r)
            differs |= p.fresh[static_cast<std::size_t>(r)][j] ^
                       p.shards[static_cast<std::size_t>(DataShards + r)][j];
        if (differs != 0)
            columns.push_back(static_cast<std::uint32_t>(j));
    }
    return columns;
}

Codeword gather(const std::uint8_t* data, std::size_t shardSize, std::size_t column)
{
    Codeword word;
    for (std::size_t r = 0; r < word.size(); ++r)
        word[r] = data[r * shardSize + column];
    return word;
}

void scatter(const Codeword& word, std::uint8_t* data, std::size_t shardSize, std::size_t column)
{
    for (std::size_t r = 0; r < word.size(); ++r)
        data[r * shardSize + column] = word[r];
}

bool decodeColumn(std::uint8_t* data, std::size_t shardSize, std::size_t column,
                  const std::vector<int>& erasures)
{
    Codeword word = gather(data, shardSize, column);
    std::array<int, Shards> where{};
    if (ReedSolomon::code().decodeColumn(word.data(), erasures, where.data()) < 0)
        return false;
    scatter(word, data, shardSize, column);
    return true;
}

// The shards in error in the first damaged columns, or nothing when one of them does not
// decode or more shards are hit than the code can fill.
std::vector<int> likelyLostShards(const std::uint8_t* data, std::size_t shardSize,
                                  const std::vector<std::uint32_t>& damaged)
{
    std::vector<int> lost;
    for (std::size_t k = 0; k < std::min(SampleColumns, damaged.size()); ++k) {
        Codeword word = gather(data, shardSize, damaged[k]);
        std::array<int, Shards> where{};
        const int count = ReedSolomon::code().decodeColumn(word.data(), {}, where.data());
        if (count < 0)
            return {};
        for (int i = 0; i < count; ++i)
            if (std::find(lost.begin(), lost.end(), where[static_cast<std::size_t>(i)]) ==
                lost.end())
                lost.push_back(where[static_cast<std::size_t>(i)]);
    }
    std::sort(lost.begin(), lost.end());
    return lost.size() <= static_cast<std::size_t>(ReedSolomon::ParityShards) ? lost
                                                                              : std::vector<int>{};
}

// Fills the likely lost shards whole, then decodes the columns that still disagree from their
// damaged bytes with those shards as erasures (they held another error besides).
bool fillShards(std::uint8_t* data, std::size_t shardSize, const std::vector<int>& lost,
                std::vector<std::uint8_t>& scratch)
{
    const std::vector<std::uint8_t> damaged(data, data + Shards * shardSize);
    std::vector<int> lostData;
    std::vector<int> lostParity;
    for (const int shard : lost)
        (shard < DataShards ? lostData : lostParity).push_back(shard);
    Pointers p(data, shardSize, scratch);
    if (!ReedSolomon::code().fillErasures(p.shards.data(), lostData, lostParity, shardSize))
        return false;
    ReedSolomon::code().encode(p.data(), p.fresh.data(), shardSize);
    for (const int shard : lostParity)
        std::copy_n(p.fresh[static_cast<std::size_t>(shard - DataShards)], shardSize,
                    p.shards[static_cast<std::size_t>(shard)]);
    for (const std::uint32_t column : differingColumns(p, shardSize)) {
        for (std::size_t r = 0; r < Shards; ++r)
            data[r * shardSize + column] = damaged[r * shardSize + column];
        if (!decodeColumn(data, shardSize, column, lost))
            return false;
    }
    return true;
}

} // namespace

std::vector<std::uint32_t> GroupRepair::damagedColumns(const std::uint8_t* shards,
                                                       std::size_t shardSize,
                                                       std::vector<std::uint8_t>& scratch)
{
    Pointers p(const_cast<std::uint8_t*>(shards), shardSize, scratch);
    ReedSolomon::code().encode(p.data(), p.fresh.data(), shardSize);
    return differingColumns(p, shardSize);
}

bool GroupRepair::repair(std::uint8_t* shards, std::size_t shardSize, std::size_t length,
                         const std::vector<std::uint32_t>& damaged,
                         std::vector<std::uint8_t>& scratch)
{
    const std::vector<int> lost = likelyLostShards(shards, shardSize, damaged);
    if (!lost.empty()) {
        if (!fillShards(shards, shardSize, lost, scratch))
            return false;
    } else {
        for (const std::uint32_t column : damaged)
            if (!decodeColumn(shards, shardSize, column, {}))
                return false;
    }
    // A correction past the data, where only zeros can be, is a miscorrection.
    if (std::any_of(shards + length, shards + DataShards * shardSize,
                    [](std::uint8_t b) { return b != 0; }))
        return false;
    return damagedColumns(shards, shardSize, scratch).empty();
}
