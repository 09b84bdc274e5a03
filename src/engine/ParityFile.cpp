#include "ParityFile.h"

#include "GroupRepair.h"
#include "PosixIo.h"
#include "ReedSolomon.h"

#include <sodium.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <mutex>
#include <thread>

namespace {

constexpr std::size_t Shards = ReedSolomon::Shards;
constexpr std::size_t DataShards = ReedSolomon::DataShards;

std::array<std::uint8_t, 16> digestOf(const std::uint8_t* data, std::size_t length)
{
    std::array<std::uint8_t, 16> digest;
    crypto_generichash(digest.data(), digest.size(), data, length, nullptr, 0);
    return digest;
}

} // namespace

ParityFile::ParityFile(int fd, long long base, const RepairLayout& layout, const SystemCalls& calls)
    : m_fd(fd), m_base(base), m_layout(layout), m_calls(calls)
{
}

int ParityFile::forEachGroup(
    std::size_t first, std::size_t end, unsigned threads,
    const std::function<int(std::size_t, std::vector<std::uint8_t>&)>& work) const
{
    std::atomic<std::size_t> next{first};
    std::atomic<int> failure{0};
    const auto loop = [&] {
        std::vector<std::uint8_t> buffer;
        for (std::size_t g = next++; g < end && failure.load() == 0; g = next++) {
            if (const int error = work(g, buffer)) {
                int none = 0;
                failure.compare_exchange_strong(none, error);
            }
        }
    };
    const auto count = static_cast<unsigned>(
        std::min<std::size_t>(std::max(1u, threads), end > first ? end - first : 1));
    std::vector<std::thread> helpers;
    for (unsigned t = 1; t < count; ++t)
        helpers.emplace_back(loop);
    loop();
    for (auto& helper : helpers)
        helper.join();
    return failure.load();
}

int ParityFile::readGroup(const RepairLayout::Group& group, std::uint8_t* shards) const
{
    const std::size_t s = group.shardSize;
    const long long data = PosixFile::readFullAt(
        m_fd, shards, group.length, m_base + static_cast<long long>(group.start), m_calls);
    if (data != static_cast<long long>(group.length))
        return data < 0 ? static_cast<int>(-data) : EIO;
    std::fill(shards + group.length, shards + DataShards * s, std::uint8_t{0});
    const std::size_t parity = ReedSolomon::ParityShards * s;
    const long long got =
        PosixFile::readFullAt(m_fd, shards + DataShards * s, parity,
                              m_base + static_cast<long long>(group.parityAt), m_calls);
    if (got != static_cast<long long>(parity))
        return got < 0 ? static_cast<int>(-got) : EIO;
    return 0;
}

int ParityFile::write(unsigned threads)
{
    m_written.assign(m_layout.groups(), Digest{});
    return forEachGroup(0, m_layout.groups(), threads, [&](std::size_t g, auto& buffer) {
        const RepairLayout::Group group = m_layout.group(g);
        const std::size_t s = group.shardSize;
        buffer.resize(Shards * s);
        const long long data =
            PosixFile::readFullAt(m_fd, buffer.data(), group.length,
                                  m_base + static_cast<long long>(group.start), m_calls);
        if (data != static_cast<long long>(group.length))
            return data < 0 ? static_cast<int>(-data) : EIO;
        std::fill(buffer.begin() + static_cast<long long>(group.length),
                  buffer.begin() + static_cast<long long>(DataShards * s), std::uint8_t{0});
        std::array<const std::uint8_t*, DataShards> in;
        std::array<std::uint8_t*, ReedSolomon::ParityShards> out;
        for (std::size_t r = 0; r < DataShards; ++r)
            in[r] = buffer.data() + r * s;
        for (std::size_t r = 0; r < out.size(); ++r)
            out[r] = buffer.data() + (DataShards + r) * s;
        ReedSolomon::code().encode(in.data(), out.data(), s);
        const std::uint8_t* parity = buffer.data() + DataShards * s;
        m_written[g] = digestOf(parity, ReedSolomon::ParityShards * s);
        return PosixFile::writeFullAt(m_fd, parity, ReedSolomon::ParityShards * s,
                                      m_base + static_cast<long long>(group.parityAt), m_calls);
    });
}

bool ParityFile::readsBack(unsigned threads) const
{
    if (m_written.size() != m_layout.groups())
        return false;
    return forEachGroup(0, m_layout.groups(), threads, [&](std::size_t g, auto& buffer) {
               const RepairLayout::Group group = m_layout.group(g);
               const std::size_t length = ReedSolomon::ParityShards * group.shardSize;
               buffer.resize(length);
               const long long got =
                   PosixFile::readFullAt(m_fd, buffer.data(), length,
                                         m_base + static_cast<long long>(group.parityAt), m_calls);
               if (got != static_cast<long long>(length) ||
                   sodium_memcmp(digestOf(buffer.data(), length).data(), m_written[g].data(), 16) !=
                       0)
                   return EIO;
               return 0;
           }) == 0;
}

ParityFile::Damage ParityFile::check(std::size_t first, std::size_t end, unsigned threads,
                                     RepairPatches& patches)
{
    std::mutex lock;
    std::atomic<std::size_t> unrepaired{0};
    const int error = forEachGroup(first, end, threads, [&](std::size_t g, auto& buffer) {
        const RepairLayout::Group group = m_layout.group(g);
        const std::size_t s = group.shardSize;
        buffer.resize(2 * Shards * s);
        std::uint8_t* damaged = buffer.data();
        if (const int readError = readGroup(group, damaged))
            return readError;
        thread_local std::vector<std::uint8_t> scratch;
        const std::vector<std::uint32_t> columns = GroupRepair::damagedColumns(damaged, s, scratch);
        if (columns.empty())
            return 0;
        std::uint8_t* repaired = damaged + Shards * s;
        std::copy_n(damaged, Shards * s, repaired);
        const std::vector<int> zeroed = GroupRepair::zeroedShards(
            damaged, s, group.length, static_cast<std::uint64_t>(m_base) + group.start,
            static_cast<std::uint64_t>(m_base) + group.parityAt, RepairLayout::SectorSize);
        if (!GroupRepair::repair(repaired, s, group.length, columns, zeroed, scratch)) {
            ++unrepaired;
            return 0;
        }
        RepairPatches mended;
        mended.addDifferences(static_cast<std::uint64_t>(m_base) + group.start, damaged, repaired,
                              group.length);
        mended.addDifferences(static_cast<std::uint64_t>(m_base) + group.parityAt,
                              damaged + DataShards * s, repaired + DataShards * s,
                              ReedSolomon::ParityShards * s);
        std::lock_guard guard(lock);
        patches.merge(std::move(mended));
        return 0;
    });
    patches.finish();
    Damage damage;
    damage.bytes = patches.bytes();
    damage.sectors = patches.sectors();
    damage.unrepaired = unrepaired.load();
    damage.readError = error;
    return damage;
}
