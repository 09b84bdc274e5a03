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

#include "ChunkCipher.h"
#include "ChunkReader.h"
#include "CipherEngine.h"
#include "MasterKeyCache.h"
#include "StreamFormat.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// 64 characters of text: the key length a batch works with.
constexpr std::string_view Key = "zr7bench-key-0123456789-abcdefghijklmnopqrstuvwxyz-ABCDEFGHIJKLM";
static_assert(Key.size() == 64);

constexpr std::size_t MiB = std::size_t{1} << 20;
constexpr int SmallFileCount = 2000;
constexpr std::size_t SmallFileSize = 4096;
// The engine keeps four chunk slots in flight; the part cases use as many so that their cache
// footprint matches.
constexpr std::size_t SlotCount = 4;

[[noreturn]] void fail(const std::string& what)
{
    std::fprintf(stderr, "zr7bench: %s: %s\n", what.c_str(), std::strerror(errno));
    std::exit(1);
}

std::size_t bigFileBytes()
{
    const char* text = std::getenv("ZR7BENCH_FILE_MIB");
    const long mib = text != nullptr ? std::atol(text) : 0;
    return (mib > 0 ? static_cast<std::size_t>(mib) : 256) * MiB;
}

// splitmix64: random-looking bytes at memory speed. The cipher does not care what the bytes
// are, and /dev/urandom would make setup of the large files take seconds.
void fillRandom(std::uint8_t* data, std::size_t size, std::uint64_t& state)
{
    for (std::size_t i = 0; i < size; i += 8) {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        std::memcpy(data + i, &z, size - i < 8 ? size - i : 8);
    }
}

int createFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        fail("cannot create " + path);
    return fd;
}

void writeAll(int fd, const std::uint8_t* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            fail("write");
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

void writeRandomFile(const std::string& path, std::size_t size, std::uint64_t seed)
{
    const int fd = createFile(path);
    std::vector<std::uint8_t> block(4 * MiB);
    for (std::size_t done = 0; done < size; done += block.size()) {
        const std::size_t n = size - done < block.size() ? size - done : block.size();
        fillRandom(block.data(), n, seed);
        writeAll(fd, block.data(), n);
    }
    // On disk now, so that no writeback of the inputs runs under a later timed loop.
    if (::fsync(fd) != 0 || ::close(fd) != 0)
        fail("close " + path);
}

void syncFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0)
        fail("fsync " + path);
    ::close(fd);
}

// Reads the whole file so that every page of it is cached before a timed loop. Done before
// every loop, not once: some virtual machines page out file data left untouched for a minute.
void warmPageCache(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        fail("cannot open " + path);
    std::vector<std::uint8_t> block(MiB);
    while (::read(fd, block.data(), block.size()) > 0) {
    }
    ::close(fd);
}

// Virtual machines that hand freed memory back to the host make the first touch of a page cost
// a host fault: writing 1 GiB then takes up to 1 s instead of 0.2 s, at random, for the engine
// and for a plain copy alike. Writing and deleting a scratch file a little larger than the
// output right before a timed run gives that run pages that are already backed, as on a real
// machine. Harmless where memory is not handed back.
void pretouchPages(const std::string& scratch, std::size_t size)
{
    static const std::vector<std::uint8_t> zeros(4 * MiB);
    const int fd = createFile(scratch);
    for (std::size_t done = 0; done < size; done += zeros.size())
        writeAll(fd, zeros.data(), zeros.size());
    ::close(fd);
    ::unlink(scratch.c_str());
}

std::size_t pretouchBytes()
{
    return bigFileBytes() + 64 * MiB;
}

long peakRssKiB()
{
    struct rusage usage
    {
    };
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss; // KiB on Linux
}

// The files and the warm engine, made on first use and shared by every case, so that the
// large files are written once per run and the master key is derived once.
class Workspace
{
public:
    static Workspace& get()
    {
        static Workspace workspace;
        return workspace;
    }

    ~Workspace()
    {
        m_engine.reset();
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }

    std::string path(const std::string& name) const { return m_dir + "/" + name; }

    const std::string& bigFile()
    {
        if (m_bigFile.empty()) {
            m_bigFile = path("big.bin");
            writeRandomFile(m_bigFile, bigFileBytes(), 1);
        }
        return m_bigFile;
    }

    // A random file of `mib` MiB, for the memory case.
    const std::string& sizedFile(std::size_t mib)
    {
        std::string& name = m_sized[mib];
        if (name.empty()) {
            name = path("sized-" + std::to_string(mib) + ".bin");
            writeRandomFile(name, mib * MiB, 2 + mib);
        }
        return name;
    }

    // The big file encrypted by the warm engine with chunks of 2^chunkLog bytes.
    const std::string& sealedBigFile(int chunkLog)
    {
        std::string& name = m_sealed[chunkLog];
        if (name.empty()) {
            name = path("big-" + std::to_string(chunkLog) + ".zr7");
            CipherEngine& e = engine();
            e.set_chunk_log(chunkLog);
            e.operation_initialization(Key, 1, 0, 0);
            const int rc = e.encrypt_file(bigFile(), name);
            e.set_chunk_log(StreamFormat::DefaultChunkLog);
            if (rc != CipherEngine::Success) {
                std::fprintf(stderr, "zr7bench: encrypting the big file failed: %d\n", rc);
                std::exit(1);
            }
            syncFile(name);
        }
        return name;
    }

    const std::vector<std::string>& smallFiles()
    {
        if (m_small.empty()) {
            std::filesystem::create_directory(path("small"));
            std::uint64_t seed = 3;
            std::vector<std::uint8_t> data(SmallFileSize);
            for (int i = 0; i < SmallFileCount; ++i) {
                char name[32];
                std::snprintf(name, sizeof name, "small/f%04d.bin", i);
                m_small.push_back(path(name));
                fillRandom(data.data(), data.size(), seed);
                const int fd = createFile(m_small.back());
                writeAll(fd, data.data(), data.size());
                ::close(fd);
            }
        }
        return m_small;
    }

    // An engine whose master key for Key is already derived (at the default limits): every
    // later encryption reuses the cached salt, and decryption of its outputs hits the cache.
    CipherEngine& engine()
    {
        if (!m_engine) {
            m_engine = std::make_unique<CipherEngine>();
            if (m_engine->allocate_buffers() == 0) {
                std::fprintf(stderr, "zr7bench: allocate_buffers failed\n");
                std::exit(1);
            }
            m_engine->operation_initialization(Key, 1, 0, 0);
            const std::string warmUp = path("warm-up.zr7");
            const int rc = m_engine->encrypt_file(smallFiles().front(), warmUp);
            ::unlink(warmUp.c_str());
            if (rc != CipherEngine::Success) {
                std::fprintf(stderr, "zr7bench: warm-up encryption failed: %d\n", rc);
                std::exit(1);
            }
        }
        return *m_engine;
    }

private:
    Workspace()
    {
        const char* base = std::getenv("ZR7BENCH_DIR");
        m_dir = std::string(base != nullptr && *base != 0 ? base : "/tmp") + "/zr7bench-" +
                std::to_string(::getpid());
        std::error_code error;
        std::filesystem::create_directories(m_dir, error);
        if (error) {
            std::fprintf(stderr, "zr7bench: cannot create %s\n", m_dir.c_str());
            std::exit(1);
        }
    }

    std::string m_dir;
    std::string m_bigFile;
    std::map<std::size_t, std::string> m_sized;
    std::map<int, std::string> m_sealed;
    std::vector<std::string> m_small;
    std::unique_ptr<CipherEngine> m_engine;
};

// Reports, and fails the case, when Argon2id ran inside the timed loop: the figure would then
// not be the steady state it claims to be.
void checkNoDerivation(benchmark::State& state, const CipherEngine& engine, int before)
{
    if (engine.key_derivations() != before)
        state.SkipWithError("a key derivation happened inside the timed loop");
}

std::vector<std::vector<std::uint8_t>> makeSlots(std::size_t slotSize)
{
    std::vector<std::vector<std::uint8_t>> slots(SlotCount, std::vector<std::uint8_t>(slotSize));
    std::uint64_t seed = 4;
    for (auto& slot : slots)
        fillRandom(slot.data(), slot.size(), seed);
    return slots;
}

// --- The engine on the big file ---------------------------------------------------------------

void BM_EngineEncrypt(benchmark::State& state)
{
    Workspace& ws = Workspace::get();
    const std::string& input = ws.bigFile();
    const std::string output = ws.path("encrypt.out");
    CipherEngine& engine = ws.engine();
    const int derivations = engine.key_derivations();
    engine.set_chunk_log(static_cast<int>(state.range(0)));
    warmPageCache(input);
    const std::string scratch = ws.path("pretouch.tmp");
    pretouchPages(scratch, pretouchBytes());
    for (auto _ : state) {
        engine.operation_initialization(Key, 1, 0, 0);
        const int rc = engine.encrypt_file(input, output);
        state.PauseTiming();
        ::unlink(output.c_str());
        pretouchPages(scratch, pretouchBytes());
        state.ResumeTiming();
        if (rc != CipherEngine::Success) {
            state.SkipWithError(("encrypt_file returned " + std::to_string(rc)).c_str());
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
    CipherEngine& engine = ws.engine();
    const int derivations = engine.key_derivations();
    warmPageCache(input);
    const std::string scratch = ws.path("pretouch.tmp");
    pretouchPages(scratch, pretouchBytes());
    for (auto _ : state) {
        engine.operation_initialization(Key, 0, 0, 0);
        const int rc = engine.decrypt_file(input, output);
        state.PauseTiming();
        ::unlink(output.c_str());
        pretouchPages(scratch, pretouchBytes());
        state.ResumeTiming();
        if (rc != CipherEngine::Success) {
            state.SkipWithError(("decrypt_file returned " + std::to_string(rc)).c_str());
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
    CipherEngine& engine = ws.engine();
    const int derivations = engine.key_derivations();
    warmPageCache(input);
    for (auto _ : state) {
        engine.operation_initialization(Key, 0, 0, 0);
        const int rc = engine.verify_file(input);
        if (rc != CipherEngine::Success) {
            state.SkipWithError(("verify_file returned " + std::to_string(rc)).c_str());
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
    std::array<std::uint8_t, StreamFormat::NonceSize> nonce{};
    ChunkCipher cipher;
    if (!cipher.setKey(master.data(), master.size(), nonce.data(), nonce.size())) {
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
    std::array<std::uint8_t, StreamFormat::NonceSize> nonce{};
    ChunkCipher cipher;
    if (!cipher.setKey(master.data(), master.size(), nonce.data(), nonce.size())) {
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
        if (cache.masterKey(Key, salt, params) == nullptr) {
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
        CipherEngine engine;
        int rc =
            engine.allocate_buffers() != 0 ? CipherEngine::Success : CipherEngine::NotAllocated;
        if (rc == CipherEngine::Success) {
            engine.operation_initialization(Key, 1, 0, 0);
            rc = engine.encrypt_file(input, output);
        }
        state.PauseTiming();
        ::unlink(output.c_str());
        state.ResumeTiming();
        if (rc != CipherEngine::Success) {
            state.SkipWithError(("first file failed: " + std::to_string(rc)).c_str());
            break;
        }
    }
}

// --- Many small files -------------------------------------------------------------------------

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
    CipherEngine& engine = ws.engine();
    const int derivations = engine.key_derivations();
    for (auto _ : state) {
        int rc = CipherEngine::Success;
        for (std::size_t i = 0; i < inputs.size() && rc == CipherEngine::Success; ++i) {
            engine.operation_initialization(Key, 1, 0, 0);
            rc = engine.encrypt_file(inputs[i], outputs[i]);
        }
        state.PauseTiming();
        for (const auto& output : outputs)
            ::unlink(output.c_str());
        state.ResumeTiming();
        if (rc != CipherEngine::Success) {
            state.SkipWithError(("encrypt_file returned " + std::to_string(rc)).c_str());
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
        CipherEngine engine;
        engine.set_kdf_params({StreamFormat::MinOpsLimit, StreamFormat::MinMemLog});
        bool ok = engine.allocate_buffers() != 0;
        engine.operation_initialization(Key, 1, 0, 0);
        ok = ok && engine.encrypt_file(small, sealed) == CipherEngine::Success;
        out[0] = peakRssKiB();
        ok = ok && engine.encrypt_file(input, sealed) == CipherEngine::Success;
        out[1] = peakRssKiB();
        engine.operation_initialization(Key, 0, 0, 0);
        ok = ok && engine.decrypt_file(sealed, opened) == CipherEngine::Success;
        out[2] = peakRssKiB();
        ::unlink(sealed.c_str());
        ::unlink(opened.c_str());
        MasterKeyCache cache;
        ok = ok &&
             cache.masterKey(Key, MasterKeyCache::Salt{}, StreamFormat::KdfParams{}) != nullptr;
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

constexpr auto Ms = benchmark::kMillisecond;

} // namespace

BENCHMARK(BM_EngineEncrypt)->ArgName("chunk_log")->DenseRange(16, 22, 2)->Unit(Ms)->UseRealTime();
BENCHMARK(BM_EngineDecrypt)->ArgName("chunk_log")->DenseRange(16, 22, 2)->Unit(Ms)->UseRealTime();
BENCHMARK(BM_EngineVerify)->ArgName("chunk_log")->DenseRange(16, 22, 2)->Unit(Ms)->UseRealTime();
BENCHMARK(BM_EngineBaselineCopyFileRange)->Unit(Ms)->UseRealTime();
BENCHMARK(BM_EngineBaselineReadWrite1MiB)->Unit(Ms)->UseRealTime();
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
BENCHMARK(BM_EngineArgon2idDerivation)->Iterations(5)->Unit(Ms)->UseRealTime();
BENCHMARK(BM_EngineFirstFile)->Iterations(5)->Unit(Ms)->UseRealTime();
BENCHMARK(BM_EngineSmallFiles)->Unit(Ms)->UseRealTime();
BENCHMARK(BM_EngineBaselineSmallFilesCopy)->Unit(Ms)->UseRealTime();
BENCHMARK(BM_EnginePeakRss)
    ->ArgName("MiB")
    ->Arg(64)
    ->Arg(512)
    ->Iterations(1)
    ->Unit(Ms)
    ->UseRealTime();
