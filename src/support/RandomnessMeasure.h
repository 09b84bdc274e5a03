#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// How random a run of bytes looks, from 0 up to at most 0.9999.
//
// Byte entropy alone cannot tell a counter (0, 1, 2, ..., 255, 0, ...) from noise, so the
// measure is the smaller of two ratios: the Shannon entropy of the byte histogram, and the
// entropy of the histogram of neighbouring-byte differences (b[i+1] - b[i]) mod 256, each
// divided by the entropy that uniform random bytes of the same count are expected to show.
// Dividing by the expectation (not by 8 bits) keeps short inputs on the same scale as long
// ones: 64 random bytes cannot reach 8 bits, yet they are as random as bytes get.
namespace Randomness {

constexpr double MaximumMeasure = 0.9999;

// Inputs above this size are measured through evenly spread samples (see sampleBlocks).
constexpr std::uint64_t SamplingThreshold = 8ull << 20;
constexpr std::uint64_t SampleBlockCount = 64;
constexpr std::uint64_t SampleBlockSize = 64ull << 10;

// Expected Shannon entropy (bits) of the histogram of `count` uniform random bytes.
double expectedEntropy(std::uint64_t count);

// Shannon entropy (bits) of a 256-bin histogram holding `total` values.
double histogramEntropy(const std::uint64_t* counts, std::uint64_t total);

// Collects both histograms block by block in constant memory. add() continues the byte
// stream of the previous add(); startBlock() begins a separate stretch, so that no
// difference is taken across the gap between two samples.
class Accumulator
{
public:
    Accumulator() { reset(); }

    void reset();
    void startBlock() { m_hasPrevious = false; }
    void add(const std::uint8_t* data, std::size_t size);

    std::uint64_t byteCount() const { return m_byteCount; }
    std::uint64_t differenceCount() const { return m_differenceCount; }
    double result() const;

private:
    static constexpr int Lanes = 8;
    // 32-bit counts since the last fold into the 64-bit totals: they are small enough to keep
    // in L1 cache, and folding every 2^31 bytes keeps any one bin from overflowing.
    static constexpr std::size_t FoldInterval = std::size_t{1} << 31;

    void addChunk(const std::uint8_t* data, std::size_t size);
    void fold();

    std::uint32_t m_bytes[Lanes][256];
    std::uint32_t m_differences[Lanes][256];
    std::uint64_t m_byteTotals[256];
    std::uint64_t m_differenceTotals[256];
    std::uint64_t m_byteCount = 0;
    std::uint64_t m_differenceCount = 0;
    std::size_t m_sinceFold = 0;
    std::uint8_t m_previous = 0;
    bool m_hasPrevious = false;
};

// The measure of one contiguous run of bytes (every byte, no sampling).
double measure(const std::uint8_t* data, std::size_t size);

struct Block
{
    std::uint64_t offset;
    std::uint64_t size;
};

// The stretches of a `size`-byte input that get measured: all of it up to SamplingThreshold,
// above that SampleBlockCount blocks of SampleBlockSize spread evenly from the first byte to
// the last, so that a multi-GB file costs a few MiB of reading.
std::vector<Block> sampleBlocks(std::uint64_t size);

} // namespace Randomness
