// Benchmarks of the randomness measure: in memory (the measure's own speed) and on a file,
// where large files are measured through evenly spread samples.

#include "support/FileRandomness.h"
#include "support/RandomnessMeasure.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> RandomBuffer(std::size_t size)
{
    std::vector<std::uint8_t> data(size);
    std::mt19937_64 generator(1);
    for (std::size_t i = 0; i + 8 <= size; i += 8) {
        const std::uint64_t word = generator();
        std::memcpy(data.data() + i, &word, 8);
    }
    return data;
}

void BM_RandomnessMeasureRandom(benchmark::State& state)
{
    const auto data = RandomBuffer(std::size_t{64} << 20);
    for (auto _ : state)
        benchmark::DoNotOptimize(Randomness::measure(data.data(), data.size()));
    state.SetBytesProcessed(state.iterations() * std::int64_t(data.size()));
}
BENCHMARK(BM_RandomnessMeasureRandom)->Unit(benchmark::kMillisecond);

// Zeros put every count in one bin: the worst case for the histogram's store forwarding.
void BM_RandomnessMeasureZeros(benchmark::State& state)
{
    const std::vector<std::uint8_t> data(std::size_t{64} << 20, 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(Randomness::measure(data.data(), data.size()));
    state.SetBytesProcessed(state.iterations() * std::int64_t(data.size()));
}
BENCHMARK(BM_RandomnessMeasureZeros)->Unit(benchmark::kMillisecond);

void BM_RandomnessMeasureKey(benchmark::State& state)
{
    const auto key = RandomBuffer(64);
    for (auto _ : state)
        benchmark::DoNotOptimize(FileRandomness::randomness_measure(key.data(), 64, 64));
}
BENCHMARK(BM_RandomnessMeasureKey);

// fr on a 256 MiB file in the page cache: counted by file size, it shows what the check before
// each decryption costs on a large file.
void BM_RandomnessOfFile(benchmark::State& state)
{
    const std::string path = "/tmp/zr7bench-randomness.bin";
    const auto block = RandomBuffer(std::size_t{1} << 20);
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        for (int i = 0; i < 256; ++i)
            std::fwrite(block.data(), 1, block.size(), file);
        std::fclose(file);
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(FileRandomness::fr(path, 256));
    state.SetBytesProcessed(state.iterations() * (std::int64_t{256} << 20));
    std::remove(path.c_str());
}
BENCHMARK(BM_RandomnessOfFile)->Unit(benchmark::kMillisecond);

} // namespace
