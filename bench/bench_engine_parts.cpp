// Where the engine's time goes (each stage alone), many small files, and peak memory for two
// file sizes. bench_engine.cpp describes the conditions of every figure.

#include "BenchWorkspace.h"

#include <benchmark/benchmark.h>

using namespace bench;

namespace {

void BM_EnginePartReadOnly(benchmark::State& state)
{
    Workspace& ws = Workspace::get();
    const std::string& input = ws.bigFile();
    const std::size_t chunkSize = std::size_t{1} << state.range(0);
    auto slots = makeSlots(chunkSize + StreamFormat::TagSize);
    warmPageCache(input);
    for (auto _ : state) {
        const int fd = ::open(input.c_str(), O_RDONLY | O_CLOEXEC);
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
        ChunkReader reader(fd);
        bool last = false;
        for (std::size_t i = 0; !last; ++i) {
            if (reader.next(slots[i % SlotCount].data(), chunkSize, last) < 0) {
                state.SkipWithError("read failed");
                break;
            }
        }
        ::close(fd);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bigFileBytes()));
}

void BM_EnginePartSealOnly(benchmark::State& state)
{
    const std::size_t chunkSize = std::size_t{1} << state.range(0);
    const std::size_t chunks = (bigFileBytes() + chunkSize - 1) / chunkSize;
    auto slots = makeSlots(chunkSize + StreamFormat::TagSize);
    std::array<std::uint8_t, StreamFormat::MasterKeySize> master{};
    std::array<std::uint8_t, StreamFormat::PrefixSize> header{};
    std::array<std::uint8_t, StreamFormat::CommitmentSize> commitment{};
    ChunkCipher cipher;
    if (!cipher.setKey(master.data(), master.size(), header.data(), commitment.data())) {
        state.SkipWithError("setKey failed");
        return;
    }
    for (auto _ : state) {
        for (std::size_t i = 0; i < chunks; ++i) {
            if (!cipher.seal(i, i + 1 == chunks, slots[i % SlotCount].data(), chunkSize)) {
                state.SkipWithError("seal failed");
                break;
            }
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(chunks * chunkSize));
}

// The engine's producing side alone: read and seal on one thread, nothing written. Its rate is
// the ceiling of the current design, however fast the writer thread is.
void BM_EnginePartReadSeal(benchmark::State& state)
{
    Workspace& ws = Workspace::get();
    const std::string& input = ws.bigFile();
    const std::size_t chunkSize = std::size_t{1} << state.range(0);
    auto slots = makeSlots(chunkSize + StreamFormat::TagSize);
    std::array<std::uint8_t, StreamFormat::MasterKeySize> master{};
    std::array<std::uint8_t, StreamFormat::PrefixSize> header{};
    std::array<std::uint8_t, StreamFormat::CommitmentSize> commitment{};
    ChunkCipher cipher;
    if (!cipher.setKey(master.data(), master.size(), header.data(), commitment.data())) {
        state.SkipWithError("setKey failed");
        return;
    }
    warmPageCache(input);
    for (auto _ : state) {
        const int fd = ::open(input.c_str(), O_RDONLY | O_CLOEXEC);
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
        ChunkReader reader(fd);
        bool last = false;
        for (std::uint64_t i = 0; !last; ++i) {
            std::uint8_t* slot = slots[i % SlotCount].data();
            const long long n = reader.next(slot, chunkSize, last);
            if (n < 0 || !cipher.seal(i, last, slot, static_cast<std::size_t>(n))) {
                state.SkipWithError("read or seal failed");
                break;
            }
        }
        ::close(fd);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bigFileBytes()));
}

void BM_EnginePartWriteOnly(benchmark::State& state)
{
    Workspace& ws = Workspace::get();
    const std::string output = ws.path("write.out");
    const std::size_t chunkSize = std::size_t{1} << state.range(0);
    const std::size_t chunks = (bigFileBytes() + chunkSize - 1) / chunkSize;
    auto slots = makeSlots(chunkSize + StreamFormat::TagSize);
    const std::string scratch = ws.path("pretouch.tmp");
    pretouchPages(scratch, pretouchBytes());
    for (auto _ : state) {
        const int fd = createFile(output);
        for (std::size_t i = 0; i < chunks; ++i)
            writeAll(fd, slots[i % SlotCount].data(), chunkSize + StreamFormat::TagSize);
        ::close(fd);
        state.PauseTiming();
        ::unlink(output.c_str());
        pretouchPages(scratch, pretouchBytes());
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(chunks * chunkSize));
}

// --- Fixed costs ------------------------------------------------------------------------------

// 2000 files of 4 KiB in one batch, the key already derived: items_per_second is files per
// second. Every file gets its own temporary output and rename, as in a real run.
void BM_EngineSmallFiles(benchmark::State& state)
{
    Workspace& ws = Workspace::get();
    const auto& inputs = ws.smallFiles();
    const std::string outDir = ws.path("small-out");
    std::filesystem::create_directory(outDir);
    std::vector<std::string> outputs;
    for (const auto& input : inputs)
        outputs.push_back(outDir + "/" + std::filesystem::path(input).filename().string());
    FileCipher& engine = ws.engine();
    const int derivations = engine.key_derivations();
    for (auto _ : state) {
        EngineResult rc = EngineResult::Success;
        for (std::size_t i = 0; i < inputs.size() && rc == EngineResult::Success; ++i) {
            engine.operation_initialization(Key, 1, 0, 0);
            rc = engine.encrypt_file(inputs[i], outputs[i]);
        }
        state.PauseTiming();
        for (const auto& output : outputs)
            ::unlink(output.c_str());
        state.ResumeTiming();
        if (rc != EngineResult::Success) {
            state.SkipWithError(("encrypt_file returned " + resultNumber(rc)).c_str());
            break;
        }
    }
    checkNoDerivation(state, engine, derivations);
    state.SetItemsProcessed(state.iterations() * SmallFileCount);
    state.SetBytesProcessed(state.iterations() * SmallFileCount *
                            static_cast<std::int64_t>(SmallFileSize));
}

// The same 2000 files copied with open + copy_file_range + close each, as cp does per file.
void BM_EngineBaselineSmallFilesCopy(benchmark::State& state)
{
    Workspace& ws = Workspace::get();
    const auto& inputs = ws.smallFiles();
    const std::string outDir = ws.path("small-copy");
    std::filesystem::create_directory(outDir);
    std::vector<std::string> outputs;
    for (const auto& input : inputs)
        outputs.push_back(outDir + "/" + std::filesystem::path(input).filename().string());
    for (auto _ : state) {
        for (std::size_t i = 0; i < inputs.size(); ++i) {
            const int in = ::open(inputs[i].c_str(), O_RDONLY | O_CLOEXEC);
            const int out = createFile(outputs[i]);
            while (::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0) > 0) {
            }
            ::close(in);
            ::close(out);
        }
        state.PauseTiming();
        for (const auto& output : outputs)
            ::unlink(output.c_str());
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * SmallFileCount);
}

// --- Peak memory ------------------------------------------------------------------------------

// Peak RSS growth while encrypting, then decrypting, a file of range(0) MiB. ru_maxrss is a
// high-water mark for the whole process, so each measurement runs in a forked child that
// starts from a known state. The child uses the smallest Argon2id memory (8 KiB): at the
// default limits the 256 MiB of the derivation would set the peak on its own and hide anything
// the streaming path did. That derivation is then measured last, as argon2_growth_MiB.
//   setup_MiB          peak after allocate_buffers and one 4 KiB file (includes the pages
//                      inherited from this process)
//   enc_growth_MiB     growth of the peak while encrypting the file
//   dec_growth_MiB     growth of the peak after also decrypting it
//   argon2_growth_MiB  growth from one derivation at the default limits
// enc/dec growth staying the same for 64 and 512 MiB is the point: memory is the chunk ring.
bool measureRssInChild(const std::string& input, const std::string& scratch,
                       const std::string& small, std::array<long, 4>& kib)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return false;
    const pid_t pid = ::fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        ::close(fds[0]);
        std::array<long, 4> out{};
        const std::string sealed = scratch + ".zr7";
        const std::string opened = scratch + ".out";
        FileCipher engine;
        engine.set_kdf_params({StreamFormat::MinOpsLimit, StreamFormat::MinMemLog});
        bool ok = engine.allocate_buffers() != 0;
        engine.operation_initialization(Key, 1, 0, 0);
        ok = ok && engine.encrypt_file(small, sealed) == EngineResult::Success;
        out[0] = peakRssKiB();
        ok = ok && engine.encrypt_file(input, sealed) == EngineResult::Success;
        out[1] = peakRssKiB();
        engine.operation_initialization(Key, 0, 0, 0);
        ok = ok && engine.decrypt_file(sealed, opened) == EngineResult::Success;
        out[2] = peakRssKiB();
        ::unlink(sealed.c_str());
        ::unlink(opened.c_str());
        MasterKeyCache cache;
        ok = ok && cache.masterKey(Key, MasterKeyCache::Salt{}, StreamFormat::KdfParams{},
                                   MasterKeyCache::Use::Encryption) != nullptr;
        out[3] = peakRssKiB();
        const bool sent = ::write(fds[1], out.data(), sizeof out) == sizeof out;
        ::_exit(ok && sent ? 0 : 1);
    }
    ::close(fds[1]);
    const bool got = ::read(fds[0], kib.data(), sizeof kib) == sizeof kib;
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return got && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_EnginePeakRss(benchmark::State& state)
{
    Workspace& ws = Workspace::get();
    const std::string& input = ws.sizedFile(static_cast<std::size_t>(state.range(0)));
    const std::string& small = ws.smallFiles().front();
    std::array<long, 4> kib{};
    for (auto _ : state) {
        if (!measureRssInChild(input, ws.path("rss"), small, kib)) {
            state.SkipWithError("the measuring child failed");
            break;
        }
    }
    const auto mib = [](long k) { return static_cast<double>(k) / 1024.0; };
    state.counters["setup_MiB"] = mib(kib[0]);
    state.counters["enc_growth_MiB"] = mib(kib[1] - kib[0]);
    state.counters["dec_growth_MiB"] = mib(kib[2] - kib[0]);
    state.counters["argon2_growth_MiB"] = mib(kib[3] - kib[2]);
}

} // namespace

BENCHMARK(BM_EnginePartReadOnly)
    ->ArgName("chunk_log")
    ->DenseRange(16, 22, 2)
    ->Unit(Ms)
    ->UseRealTime();
BENCHMARK(BM_EnginePartSealOnly)
    ->ArgName("chunk_log")
    ->DenseRange(16, 22, 2)
    ->Unit(Ms)
    ->UseRealTime();
BENCHMARK(BM_EnginePartReadSeal)
    ->ArgName("chunk_log")
    ->DenseRange(16, 22, 2)
    ->Unit(Ms)
    ->UseRealTime();
BENCHMARK(BM_EnginePartWriteOnly)
    ->ArgName("chunk_log")
    ->DenseRange(16, 22, 2)
    ->Unit(Ms)
    ->UseRealTime();
BENCHMARK(BM_EngineSmallFiles)->Unit(Ms)->UseRealTime();
BENCHMARK(BM_EngineBaselineSmallFilesCopy)->Unit(Ms)->UseRealTime();
BENCHMARK(BM_EnginePeakRss)
    ->ArgName("MiB")
    ->Arg(64)
    ->Arg(512)
    ->Iterations(1)
    ->Unit(Ms)
    ->UseRealTime();
