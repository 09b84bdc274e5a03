#pragma once

// Shared by the engine benchmarks: test files made once per run under /tmp, a warm engine
// whose master key is already derived, and small file helpers.

#include "engine/ChunkCipher.h"
#include "engine/ChunkReader.h"
#include "engine/MasterKeyCache.h"
#include "engine/StreamFormat.h"
#include "storage/FileCipher.h"

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

namespace bench {

// 64 characters of text: the key length a batch works with.
inline constexpr std::string_view Key =
    "zr7bench-key-0123456789-abcdefghijklmnopqrstuvwxyz-ABCDEFGHIJKLM";
static_assert(Key.size() == 64);

inline constexpr std::size_t MiB = std::size_t{1} << 20;
inline constexpr int SmallFileCount = 2000;
inline constexpr std::size_t SmallFileSize = 4096;
// The chunk slots the part cases cycle through: what one worker of the engine has in flight
// (it keeps two per worker and two more), so that their cache footprint matches.
inline constexpr std::size_t SlotCount = 4;

// An engine result by its number, for the message of a run that failed.
inline std::string resultNumber(EngineResult rc)
{
    return std::to_string(static_cast<int>(rc));
}

[[noreturn]] inline void fail(const std::string& what)
{
    std::fprintf(stderr, "zr7bench: %s: %s\n", what.c_str(), std::strerror(errno));
    std::exit(1);
}

inline std::size_t bigFileBytes()
{
    const char* text = std::getenv("ZR7BENCH_FILE_MIB");
    const long mib = text != nullptr ? std::atol(text) : 0;
    return (mib > 0 ? static_cast<std::size_t>(mib) : 256) * MiB;
}

// splitmix64: random-looking bytes at memory speed. The cipher does not care what the bytes
// are, and /dev/urandom would make setup of the large files take seconds.
inline void fillRandom(std::uint8_t* data, std::size_t size, std::uint64_t& state)
{
    for (std::size_t i = 0; i < size; i += 8) {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        std::memcpy(data + i, &z, size - i < 8 ? size - i : 8);
    }
}

inline int createFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        fail("cannot create " + path);
    return fd;
}

inline void writeAll(int fd, const std::uint8_t* data, std::size_t size)
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

inline void writeRandomFile(const std::string& path, std::size_t size, std::uint64_t seed)
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

inline void syncFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0)
        fail("fsync " + path);
    ::close(fd);
}

// Reads the whole file so that every page of it is cached before a timed loop. Done before
// every loop, not once: some virtual machines page out file data left untouched for a minute.
inline void warmPageCache(const std::string& path)
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
inline void pretouchPages(const std::string& scratch, std::size_t size)
{
    static const std::vector<std::uint8_t> zeros(4 * MiB);
    const int fd = createFile(scratch);
    for (std::size_t done = 0; done < size; done += zeros.size())
        writeAll(fd, zeros.data(), zeros.size());
    ::close(fd);
    ::unlink(scratch.c_str());
}

inline std::size_t pretouchBytes()
{
    return bigFileBytes() + 64 * MiB;
}

inline long peakRssKiB()
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
            FileCipher& e = engine();
            e.set_chunk_log(chunkLog);
            e.operation_initialization(Key, 1, 0, 0);
            const EngineResult rc = e.encrypt_file(bigFile(), name);
            e.set_chunk_log(StreamFormat::DefaultChunkLog);
            if (rc != EngineResult::Success) {
                std::fprintf(stderr, "zr7bench: encrypting the big file failed: %s\n",
                             resultNumber(rc).c_str());
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
    FileCipher& engine()
    {
        if (!m_engine) {
            m_engine = std::make_unique<FileCipher>();
            if (m_engine->allocate_buffers() == 0) {
                std::fprintf(stderr, "zr7bench: allocate_buffers failed\n");
                std::exit(1);
            }
            m_engine->operation_initialization(Key, 1, 0, 0);
            const std::string warmUp = path("warm-up.zr7");
            const EngineResult rc = m_engine->encrypt_file(smallFiles().front(), warmUp);
            ::unlink(warmUp.c_str());
            if (rc != EngineResult::Success) {
                std::fprintf(stderr, "zr7bench: warm-up encryption failed: %s\n",
                             resultNumber(rc).c_str());
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
    std::unique_ptr<FileCipher> m_engine;
};

// Reports, and fails the case, when Argon2id ran inside the timed loop: the figure would then
// not be the steady state it claims to be.
inline void checkNoDerivation(benchmark::State& state, FileCipher& engine, int before)
{
    if (engine.key_derivations() != before)
        state.SkipWithError("a key derivation happened inside the timed loop");
}

inline std::vector<std::vector<std::uint8_t>> makeSlots(std::size_t slotSize)
{
    std::vector<std::vector<std::uint8_t>> slots(SlotCount, std::vector<std::uint8_t>(slotSize));
    std::uint64_t seed = 4;
    for (auto& slot : slots)
        fillRandom(slot.data(), slot.size(), seed);
    return slots;
}

// --- The engine on the big file ---------------------------------------------------------------

inline constexpr auto Ms = benchmark::kMillisecond;

} // namespace bench
