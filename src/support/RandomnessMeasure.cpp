#include "RandomnessMeasure.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace Randomness {
namespace {

// Relative to the mode, below this a binomial term no longer changes the expectation in
// double precision.
constexpr double NegligibleProbability = 1e-22;

// (k/n) log2(k/n), the summand of the entropy of a bin that holds k of n values.
double binTerm(std::uint64_t k, std::uint64_t n)
{
    const double share = static_cast<double>(k) / static_cast<double>(n);
    return share * std::log2(share);
}

// E[H] = -256 * sum_k P(K = k) (k/n) log2(k/n) with K ~ Binomial(n, 1/256). The pmf is
// unimodal, so the sum walks outward from the mode with the ratio of neighbouring terms and
// stops once they are negligible: a few hundred terms near the centre instead of n.
double computeExpectedEntropy(std::uint64_t n)
{
    const double p = 1.0 / 256.0;
    const double nd = static_cast<double>(n);
    const std::uint64_t mode = std::min<std::uint64_t>(n, static_cast<std::uint64_t>((nd + 1) * p));
    const double km = static_cast<double>(mode);
    const double logMode = std::lgamma(nd + 1) - std::lgamma(km + 1) - std::lgamma(nd - km + 1) +
                           km * std::log(p) + (nd - km) * std::log1p(-p);
    const double odds = p / (1 - p);
    const double pmfMode = std::exp(logMode);

    double sum = mode > 0 ? pmfMode * binTerm(mode, n) : 0.0;
    double mass = pmfMode;
    double pmf = pmfMode;
    for (std::uint64_t k = mode; k < n && pmf > NegligibleProbability * pmfMode; ++k) {
        pmf *= static_cast<double>(n - k) / static_cast<double>(k + 1) * odds;
        sum += pmf * binTerm(k + 1, n);
        mass += pmf;
    }
    pmf = pmfMode;
    for (std::uint64_t k = mode; k > 0 && pmf > NegligibleProbability * pmfMode; --k) {
        pmf *= static_cast<double>(k) / static_cast<double>(n - k + 1) / odds;
        sum += k > 1 ? pmf * binTerm(k - 1, n) : 0.0;
        mass += pmf;
    }
    // For large n the lgamma difference loses digits, which scale every term alike; dividing
    // by the summed probability mass cancels that error.
    return -256.0 * sum / mass;
}

// Byte-wise (a - b) mod 256 of eight bytes at once: the top bit of every byte is set in the
// minuend and cleared in the subtrahend so no borrow crosses a byte, then patched back.
inline std::uint64_t subtractBytes(std::uint64_t a, std::uint64_t b)
{
    constexpr std::uint64_t High = 0x8080808080808080ull;
    return ((a | High) - (b & ~High)) ^ ((a ^ ~b) & High);
}

// One count per byte of `word`, each byte position in its own table. Written out rather than
// looped so that the compiler keeps the word in a register and unrolls fully.
inline void countWord(std::uint32_t (*tables)[256], std::uint32_t word)
{
    ++tables[0][word & 0xff];
    ++tables[1][(word >> 8) & 0xff];
    ++tables[2][(word >> 16) & 0xff];
    ++tables[3][word >> 24];
}

double ratio(const std::uint64_t* counts, std::uint64_t total)
{
    const double expected = expectedEntropy(total);
    return expected > 0 ? histogramEntropy(counts, total) / expected : 0.0;
}

// c log2 c, from a table for the counts of small files and buffers (a batch of small files to
// decrypt measures each one, and the logarithms were most of that), computed beyond it. The
// table holds the very values the formula gives, so every entropy comes out the same.
double weightedLog2(std::uint64_t count)
{
    constexpr std::size_t TableSize = 4096;
    static const std::vector<double> table = [] {
        std::vector<double> values(TableSize);
        for (std::size_t c = 1; c < TableSize; ++c)
            values[c] = static_cast<double>(c) * std::log2(static_cast<double>(c));
        return values;
    }();
    if (count < TableSize)
        return table[count];
    const double c = static_cast<double>(count);
    return c * std::log2(c);
}

} // namespace

double expectedEntropy(std::uint64_t count)
{
    if (count < 2)
        return 0.0;
    // The same few counts recur (every 256-byte buffer, every sampled file), so the last
    // results are kept per thread.
    struct Entry
    {
        std::uint64_t count = 0;
        double value = 0;
    };
    thread_local Entry cache[4];
    thread_local unsigned next = 0;
    for (const Entry& entry : cache) {
        if (entry.count == count)
            return entry.value;
    }
    const double value = computeExpectedEntropy(count);
    cache[next++ % 4] = {count, value};
    return value;
}

double histogramEntropy(const std::uint64_t* counts, std::uint64_t total)
{
    if (total == 0)
        return 0.0;
    double weighted = 0;
    for (int i = 0; i < 256; ++i) {
        if (counts[i] > 0)
            weighted += weightedLog2(counts[i]);
    }
    const double n = static_cast<double>(total);
    return std::max(0.0, std::log2(n) - weighted / n);
}

void Accumulator::reset()
{
    std::memset(m_bytes, 0, sizeof m_bytes);
    std::memset(m_differences, 0, sizeof m_differences);
    std::memset(m_byteTotals, 0, sizeof m_byteTotals);
    std::memset(m_differenceTotals, 0, sizeof m_differenceTotals);
    m_byteCount = m_differenceCount = 0;
    m_sinceFold = 0;
    m_hasPrevious = false;
}

void Accumulator::add(const std::uint8_t* data, std::size_t size)
{
    while (size > 0) {
        if (m_sinceFold >= FoldInterval)
            fold();
        const std::size_t chunk = std::min(size, FoldInterval - m_sinceFold);
        addChunk(data, chunk);
        m_sinceFold += chunk;
        data += chunk;
        size -= chunk;
    }
}

// The hot loop. Spreading the counts over several tables keeps consecutive increments of
// the same bin from waiting on each other's stores, which otherwise caps the speed on
// repetitive data far below memory bandwidth.
void Accumulator::addChunk(const std::uint8_t* data, std::size_t size)
{
    static_assert(Lanes == 8, "one table per byte of the eight-byte word");
    if (m_hasPrevious) {
        ++m_differences[0][static_cast<std::uint8_t>(data[0] - m_previous)];
        ++m_differenceCount;
    }
    std::size_t i = 0;
    for (; i + 9 <= size; i += 8) {
        std::uint64_t current, following;
        std::memcpy(&current, data + i, 8);
        std::memcpy(&following, data + i + 1, 8);
        const std::uint64_t delta = subtractBytes(following, current);
        countWord(m_bytes, static_cast<std::uint32_t>(current));
        countWord(m_bytes + 4, static_cast<std::uint32_t>(current >> 32));
        countWord(m_differences, static_cast<std::uint32_t>(delta));
        countWord(m_differences + 4, static_cast<std::uint32_t>(delta >> 32));
    }
    for (; i < size; ++i) {
        ++m_bytes[0][data[i]];
        if (i + 1 < size)
            ++m_differences[0][static_cast<std::uint8_t>(data[i + 1] - data[i])];
    }
    m_byteCount += size;
    m_differenceCount += size - 1;
    m_previous = data[size - 1];
    m_hasPrevious = true;
}

void Accumulator::fold()
{
    for (int lane = 0; lane < Lanes; ++lane) {
        for (int bin = 0; bin < 256; ++bin) {
            m_byteTotals[bin] += m_bytes[lane][bin];
            m_differenceTotals[bin] += m_differences[lane][bin];
        }
    }
    std::memset(m_bytes, 0, sizeof m_bytes);
    std::memset(m_differences, 0, sizeof m_differences);
    m_sinceFold = 0;
}

double Accumulator::result() const
{
    // Fewer than two bytes carry no evidence of randomness at all.
    if (m_byteCount < 2)
        return 0.0;
    std::uint64_t bytes[256], differences[256];
    for (int bin = 0; bin < 256; ++bin) {
        bytes[bin] = m_byteTotals[bin];
        differences[bin] = m_differenceTotals[bin];
        for (int lane = 0; lane < Lanes; ++lane) {
            bytes[bin] += m_bytes[lane][bin];
            differences[bin] += m_differences[lane][bin];
        }
    }
    const double smaller =
        std::min(ratio(bytes, m_byteCount), ratio(differences, m_differenceCount));
    return std::clamp(smaller, 0.0, MaximumMeasure);
}

double measure(const std::uint8_t* data, std::size_t size)
{
    Accumulator accumulator;
    accumulator.add(data, size);
    return accumulator.result();
}

std::vector<Block> sampleBlocks(std::uint64_t size)
{
    if (size == 0)
        return {};
    if (size <= SamplingThreshold)
        return {{0, size}};
    // Block i starts at i/63 of the way to the last possible offset, computed without the
    // product overflowing for any file size.
    const std::uint64_t span = size - SampleBlockSize;
    const std::uint64_t steps = SampleBlockCount - 1;
    std::vector<Block> blocks;
    blocks.reserve(SampleBlockCount);
    for (std::uint64_t i = 0; i < SampleBlockCount; ++i) {
        const std::uint64_t offset = span / steps * i + span % steps * i / steps;
        blocks.push_back({offset, SampleBlockSize});
    }
    return blocks;
}

} // namespace Randomness
