#include "GroupRepair.h"

#include "ReedSolomon.h"

#include <algorithm>
#include <array>

namespace {

constexpr int DataShards = ReedSolomon::DataShards;
constexpr int Shards = ReedSolomon::Shards;
// Columns decoded one by one before the damaged shards are taken as known.
constexpr std::size_t SampleColumns = 32;
// A run of zeros this long in a sector is taken for a lost sector, not for chance.
constexpr std::size_t MinZeroRun = 64;

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

// Corrects `column` when it holds one error, found from the difference between its stored
// parity and the parity of its data (in `p.fresh`).
bool fixSingleError(const Pointers& p, std::size_t column)
{
    std::array<std::uint8_t, ReedSolomon::ParityShards> difference;
    for (std::size_t r = 0; r < difference.size(); ++r)
        difference[r] = p.fresh[r][column] ^ p.shards[DataShards + r][column];
    int position = 0;
    std::uint8_t magnitude = 0;
    if (!ReedSolomon::code().singleError(difference.data(), position, magnitude))
        return false;
    p.shards[static_cast<std::size_t>(position)][column] ^= magnitude;
    return true;
}

// The shards in error in damaged columns that decode, spread over the group: lost or garbled
// sectors put their errors in the same few shards of every column, scattered errors in ever
// other ones. Nothing when they are more than the code can fill; a wrong guess is told by the
// parity rows it leaves unused, and the columns it does not mend are decoded one by one.
std::vector<int> likelyLostShards(const std::uint8_t* data, std::size_t shardSize,
                                  const std::vector<std::uint32_t>& damaged)
{
    std::vector<int> lost;
    const std::size_t step = std::max<std::size_t>(1, damaged.size() / SampleColumns);
    std::size_t decoded = 0;
    for (std::size_t k = 0; k < damaged.size() && decoded < SampleColumns; k += step) {
        Codeword word = gather(data, shardSize, damaged[k]);
        std::array<int, Shards> where{};
        const int count = ReedSolomon::code().decodeColumn(word.data(), {}, where.data());
        if (count < 0)
            continue;
        ++decoded;
        for (int i = 0; i < count; ++i) {
            const int shard = where[static_cast<std::size_t>(i)];
            if (std::find(lost.begin(), lost.end(), shard) == lost.end())
                lost.push_back(shard);
        }
    }
    std::sort(lost.begin(), lost.end());
    return lost.size() <= static_cast<std::size_t>(ReedSolomon::ParityShards) ? lost
                                                                              : std::vector<int>{};
}

// Fills the likely lost shards whole, then decodes the columns that still disagree from their
// damaged bytes, with those shards as erasures (they held another error besides) or, scattered
// errors being what the first columns showed, without.
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
        // Erasures that are not all lost leave room for fewer errors: errors alone may do.
        if (!decodeColumn(data, shardSize, column, lost) &&
            !decodeColumn(data, shardSize, column, {}))
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
                         const std::vector<std::uint32_t>& damaged, const std::vector<int>& zeroed,
                         std::vector<std::uint8_t>& scratch)
{
    const std::vector<std::uint8_t> original =
        zeroed.empty() ? std::vector<std::uint8_t>()
                       : std::vector<std::uint8_t>(shards, shards + Shards * shardSize);
    const auto mended = [&](const std::vector<int>& lost) {
        if (!lost.empty()) {
            if (!fillShards(shards, shardSize, lost, scratch))
                return false;
        } else {
            Pointers p(shards, shardSize, scratch);
            ReedSolomon::code().encode(p.data(), p.fresh.data(), shardSize);
            for (const std::uint32_t column : damaged)
                if (!fixSingleError(p, column) && !decodeColumn(shards, shardSize, column, {}))
                    return false;
        }
        // A correction past the data, where only zeros can be, is a miscorrection.
        if (std::any_of(shards + length, shards + DataShards * shardSize,
                        [](std::uint8_t b) { return b != 0; }))
            return false;
        return damagedColumns(shards, shardSize, scratch).empty();
    };
    const std::vector<int> guessed = likelyLostShards(shards, shardSize, damaged);
    if (mended(guessed))
        return true;
    // Zeroed sectors tell where up to 16 shards were lost, more than errors alone can show.
    if (zeroed.empty() || zeroed == guessed ||
        zeroed.size() > static_cast<std::size_t>(ReedSolomon::ParityShards))
        return false;
    std::copy(original.begin(), original.end(), shards);
    return mended(zeroed);
}

std::vector<int> GroupRepair::zeroedShards(const std::uint8_t* shards, std::size_t shardSize,
                                           std::size_t length, std::uint64_t dataAt,
                                           std::uint64_t parityAt, std::uint64_t sectorSize)
{
    std::vector<int> zeroed;
    // The part of every aligned sector of the file that lies in [from, from + bytes), the
    // shards from `first` on at `at` in the file.
    const auto scan = [&](const std::uint8_t* from, std::size_t bytes, std::uint64_t at,
                          int first) {
        std::size_t i = 0;
        while (i < bytes) {
            const std::size_t end = static_cast<std::size_t>(std::min<std::uint64_t>(
                bytes, (at + i) / sectorSize * sectorSize + sectorSize - at));
            if (end - i >= MinZeroRun &&
                std::all_of(from + i, from + end, [](std::uint8_t b) { return b == 0; }))
                for (std::size_t shard = i / shardSize; shard <= (end - 1) / shardSize; ++shard)
                    zeroed.push_back(first + static_cast<int>(shard));
            i = end;
        }
    };
    scan(shards, length, dataAt, 0);
    scan(shards + DataShards * shardSize, ReedSolomon::ParityShards * shardSize, parityAt,
         DataShards);
    std::sort(zeroed.begin(), zeroed.end());
    zeroed.erase(std::unique(zeroed.begin(), zeroed.end()), zeroed.end());
    return zeroed;
}
