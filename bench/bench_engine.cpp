// Benchmarks of the cipher engine: throughput against a plain copy, where that time goes, the
// cost of one Argon2id derivation, many small files, and peak memory for two file sizes.
//
// The throughput cases work on a random file under /tmp that stays in the page cache, so they
// measure the engine rather than the disk. The master key is derived before timing starts: a
// batch pays Argon2id once, and what matters for large files is the steady state. The file is
// 256 MiB unless ZR7BENCH_FILE_MIB says otherwise; the work folder is /tmp/zr7bench-PID (or
// under $ZR7BENCH_DIR) and goes away when the program ends.
//
// All cases measure wall time (UseRealTime): the engine writes on a second thread, so the CPU
// time of the calling thread would flatter it. Anything that writes files is noisy on a busy
// or virtual machine; --benchmark_repetitions=9 and the medians give steadier figures.

#include "BenchWorkspace.h"

#include <algorithm>
#include <thread>

#include <benchmark/benchmark.h>

using namespace bench;

namespace {

// The chunk sizes, each with one worker and with one per processor (at least two).
void ChunkSizesAndWorkers(benchmark::internal::Benchmark* bench)
{
    const auto processors = static_cast<std::int64_t>(std::thread::hardware_concurrency());
    bench->ArgNames({"chunk_log", "workers"})
        ->ArgsProduct(
            {benchmark::CreateDenseRange(14, 20, 2), {1, std::max<std::int64_t>(2, processors)}});
}

// Sets the engine's workers for one case (its second argument) and back to the default after.
struct WorkersFor
{
    WorkersFor(FileCipher& engine, const benchmark::State& state) : m_engine(engine)
    {
        m_engine.set_workers(static_cast<unsigned>(state.range(1)));
    }
    ~WorkersFor() { m_engine.set_workers(0); }
    FileCipher& m_engine;
};

void BM_EngineEncrypt(benchmark::State& state)
{
    Workspace& ws = Workspace::get();
    const std::string& input = ws.bigFile();
    const std::string output = ws.path("encrypt.out");
    FileCipher& engine = ws.engine();
    const int derivations = engine.key_derivations();
    engine.set_chunk_log(static_cast<int>(state.range(0)));
    const WorkersFor workers(engine, state);
    warmPageCache(input);
    const std::string scratch = ws.path("pretouch.tmp");
    pretouchPages(scratch, pretouchBytes());
    for (auto _ : state) {
        engine.operation_initialization(Key, 1, 0, 0);
        const EngineResult rc = engine.encrypt_file(input, output);
        state.PauseTiming();
        ::unlink(output.c_str());
        pretouchPages(scratch, pretouchBytes());
        state.ResumeTiming();
        if (rc != EngineResult::Success) {
            state.SkipWithError(("encrypt_file returned " + resultNumber(rc)).c_str());
            break;
        }
    }
    engine.set_chunk_log(StreamFormat::DefaultChunkLog);
    checkNoDerivation(state, engine, derivations);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bigFileBytes()));
}

void BM_EngineDecrypt(benchmark::State& state)
{
    Workspace& ws = Workspace::get();
    const std::string& input = ws.sealedBigFile(static_cast<int>(state.range(0)));
    const std::string output = ws.path("decrypt.out");
    FileCipher& engine = ws.engine();
    const int derivations = engine.key_derivations();
    const WorkersFor workers(engine, state);
    warmPageCache(input);
    const std::string scratch = ws.path("pretouch.tmp");
    pretouchPages(scratch, pretouchBytes());
    for (auto _ : state) {
        engine.operation_initialization(Key, 0, 0, 0);
        const EngineResult rc = engine.decrypt_file(input, output);
        state.PauseTiming();
        ::unlink(output.c_str());
        pretouchPages(scratch, pretouchBytes());
        state.ResumeTiming();
        if (rc != EngineResult::Success) {
            state.SkipWithError(("decrypt_file returned " + resultNumber(rc)).c_str());
            break;
        }
    }
    checkNoDerivation(state, engine, derivations);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bigFileBytes()));
}

// Decryption without the output file: read and open only. Against EngineDecrypt it shows what
// the write side costs.
void BM_EngineVerify(benchmark::State& state)
{
    Workspace& ws = Workspace::get();
    const std::string& input = ws.sealedBigFile(static_cast<int>(state.range(0)));
    FileCipher& engine = ws.engine();
    const int derivations = engine.key_derivations();
    const WorkersFor workers(engine, state);
    warmPageCache(input);
    for (auto _ : state) {
        engine.operation_initialization(Key, 0, 0, 0);
        const EngineResult rc = engine.verify_file(input);
        if (rc != EngineResult::Success) {
            state.SkipWithError(("verify_file returned " + resultNumber(rc)).c_str());
            break;
        }
    }
    checkNoDerivation(state, engine, derivations);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bigFileBytes()));
}

// --- What a copy of the same file costs -------------------------------------------------------

// The `cp` baseline. GNU cp 9.x on Debian 12 copies a regular file with copy_file_range, which
// on ext4 moves the pages inside the kernel (no reflink there), so this is what `cp` does here,
// minus the process start.
void BM_EngineBaselineCopyFileRange(benchmark::State& state)
{
    Workspace& ws = Workspace::get();
    const std::string& input = ws.bigFile();
    const std::string output = ws.path("copy.out");
    warmPageCache(input);
    const std::string scratch = ws.path("pretouch.tmp");
    pretouchPages(scratch, pretouchBytes());
    for (auto _ : state) {
        const int in = ::open(input.c_str(), O_RDONLY | O_CLOEXEC);
        const int out = createFile(output);
        bool ok = in >= 0;
        while (ok) {
            const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
            if (n < 0 && errno == EINTR)
                continue;
            ok = n > 0;
            if (n < 0)
                state.SkipWithError("copy_file_range failed");
        }
        ::close(in);
        ::close(out);
        state.PauseTiming();
        ::unlink(output.c_str());
        pretouchPages(scratch, pretouchBytes());
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bigFileBytes()));
}

// The copy the engine can be fairly held to: it has to bring every byte into user space to seal
// it, which costs one extra memory copy each way compared with copy_file_range.
void BM_EngineBaselineReadWrite1MiB(benchmark::State& state)
{
    Workspace& ws = Workspace::get();
    const std::string& input = ws.bigFile();
    const std::string output = ws.path("copy.out");
    warmPageCache(input);
    const std::string scratch = ws.path("pretouch.tmp");
    pretouchPages(scratch, pretouchBytes());
    std::vector<std::uint8_t> block(MiB);
    for (auto _ : state) {
        const int in = ::open(input.c_str(), O_RDONLY | O_CLOEXEC);
        const int out = createFile(output);
        for (;;) {
            const ssize_t n = ::read(in, block.data(), block.size());
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            writeAll(out, block.data(), static_cast<std::size_t>(n));
        }
        ::close(in);
        ::close(out);
        state.PauseTiming();
        ::unlink(output.c_str());
        pretouchPages(scratch, pretouchBytes());
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bigFileBytes()));
}

// --- The engine's loop taken apart ------------------------------------------------------------
// The engine reads and seals on the calling thread while a second thread writes, so its time is
// roughly max(read + seal, write) plus the hand-over. These cases time each part alone, with
// the engine's own chunk sizes and four slots.

// One Argon2id derivation at the writer's default limits (3 passes, 256 MiB), through a fresh
// MasterKeyCache so that nothing is cached. The time includes what crypto_pwhash does inside:
// allocating, touching (page faults) and freeing its 256 MiB, plus two small sodium_malloc
// buffers of the cache entry; it excludes the engine's self-test, HKDF and any file work.
void BM_EngineArgon2idDerivation(benchmark::State& state)
{
    Workspace::get().engine(); // sodium_init, so that the fastest Argon2 code is picked
    MasterKeyCache::Salt salt{};
    const StreamFormat::KdfParams params; // the defaults
    for (auto _ : state) {
        MasterKeyCache cache;
        ++salt[0];
        if (cache.masterKey(Key, salt, params, MasterKeyCache::Use::Encryption) == nullptr) {
            state.SkipWithError("Argon2id failed");
            break;
        }
    }
}

// What a process that handles one file pays before any data moves: a fresh engine (self-test,
// chunk buffers), the Argon2id derivation, and the encryption of one 4 KiB file.
void BM_EngineFirstFile(benchmark::State& state)
{
    Workspace& ws = Workspace::get();
    const std::string& input = ws.smallFiles().front();
    const std::string output = ws.path("first.out");
    for (auto _ : state) {
        FileCipher engine;
        EngineResult rc =
            engine.allocate_buffers() != 0 ? EngineResult::Success : EngineResult::NotAllocated;
        if (rc == EngineResult::Success) {
            engine.operation_initialization(Key, 1, 0, 0);
            rc = engine.encrypt_file(input, output);
        }
        state.PauseTiming();
        ::unlink(output.c_str());
        state.ResumeTiming();
        if (rc != EngineResult::Success) {
            state.SkipWithError(("first file failed: " + resultNumber(rc)).c_str());
            break;
        }
    }
}

// --- Many small files -------------------------------------------------------------------------

} // namespace

BENCHMARK(BM_EngineEncrypt)->Apply(ChunkSizesAndWorkers)->Unit(Ms)->UseRealTime();
BENCHMARK(BM_EngineDecrypt)->Apply(ChunkSizesAndWorkers)->Unit(Ms)->UseRealTime();
BENCHMARK(BM_EngineVerify)->Apply(ChunkSizesAndWorkers)->Unit(Ms)->UseRealTime();
BENCHMARK(BM_EngineBaselineCopyFileRange)->Unit(Ms)->UseRealTime();
BENCHMARK(BM_EngineBaselineReadWrite1MiB)->Unit(Ms)->UseRealTime();
BENCHMARK(BM_EngineArgon2idDerivation)->Iterations(5)->Unit(Ms)->UseRealTime();
BENCHMARK(BM_EngineFirstFile)->Iterations(5)->Unit(Ms)->UseRealTime();
