#include "FileUtility.h"

#include "Durability.h"

#include "PosixFile.h"
#include "engine/SystemCalls.h"

#include <openssl/evp.h>
#include <sodium.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace FileUtility {
namespace {

using PosixFile::Fd;

constexpr std::size_t IoBlockSize = std::size_t{1} << 20;
// Blocks of a purge written before the disk is asked to start on them (32 MiB).
constexpr std::uint64_t WritebackBlocks = 32;

// Reads the next block of both files in step: 0, or the read error of the first failing one.
std::int64_t readPair(int first, int second, std::vector<std::uint8_t>& a,
                      std::vector<std::uint8_t>& b, long long& gotA, long long& gotB)
{
    gotA = PosixFile::readFull(first, a.data(), a.size());
    if (gotA < 0)
        return FirstRead;
    gotB = PosixFile::readFull(second, b.data(), b.size());
    if (gotB < 0)
        return SecondRead;
    return 0;
}

// Random bytes for overwriting: a ChaCha20 key stream under a fresh random key and nonce, as
// unpredictable as the system's generator, which hands out only 256 bytes per call and would
// take seconds for a gigabyte.
class Noise
{
public:
    Noise() : m_stream(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free), m_zeros(IoBlockSize, 0)
    {
        std::array<std::uint8_t, 48> seed;
        randombytes_buf(seed.data(), seed.size());
        m_ready = m_stream && EVP_EncryptInit_ex(m_stream.get(), EVP_chacha20(), nullptr,
                                                 seed.data(), seed.data() + 32) == 1;
        sodium_memzero(seed.data(), seed.size());
    }

    // The next `size` bytes of the stream (at most IoBlockSize).
    bool fill(std::uint8_t* out, std::size_t size)
    {
        int made = 0;
        return m_ready &&
               EVP_EncryptUpdate(m_stream.get(), out, &made, m_zeros.data(), int(size)) == 1;
    }

private:
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> m_stream;
    std::vector<std::uint8_t> m_zeros;
    bool m_ready = false;
};

// Writes `size` random bytes from the start of the open file: Purged or WriteFailed.
int writeNoise(int fd, std::uint64_t size, const SystemCalls& calls)
{
    Noise noise;
    std::array<std::vector<std::uint8_t>, 2> buffers{std::vector<std::uint8_t>(IoBlockSize),
                                                     std::vector<std::uint8_t>(IoBlockSize)};
    auto blockAt = [size](std::uint64_t offset) {
        return static_cast<std::size_t>(std::min<std::uint64_t>(IoBlockSize, size - offset));
    };
    // The next block is made on another thread while this one is written.
    std::future<bool> made =
        std::async(std::launch::async, [&] { return noise.fill(buffers[0].data(), blockAt(0)); });
    for (std::uint64_t done = 0, block = 0; done < size; ++block) {
        const std::size_t now = blockAt(done);
        if (!made.get())
            return WriteFailed;
        const std::uint64_t next = done + now;
        if (next < size)
            made = std::async(std::launch::async, [&, next, block] {
                return noise.fill(buffers[(block + 1) % 2].data(), blockAt(next));
            });
        if (PosixFile::writeFull(fd, buffers[block % 2].data(), now, calls) != 0)
            return WriteFailed;
        done = next;
        // The disk starts on what is written while the rest is made: the final fsync then
        // has little left to wait for.
        if ((block + 1) % WritebackBlocks == 0)
            ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
    }
    return Purged;
}

// Overwrites the whole file once with fresh random bytes, flushes it to the disk and cuts
// it to zero length. Returns Purged or the failure code.
int overwriteWithRandom(int folderFd, const std::string& path, const struct stat& seen,
                        const SystemCalls& calls)
{
    if ((seen.st_mode & S_IWUSR) == 0) // A failure shows at open.
        ::fchmodat(folderFd, path.c_str(), (seen.st_mode & 07777) | S_IWUSR, 0);
    // O_NONBLOCK: should a FIFO have been swapped in, the open fails instead of hanging.
    Fd fd(calls.openat(folderFd, path.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0));
    if (!fd.valid())
        return CannotOpen;
    struct stat opened;
    // The name must still lead to the file that was examined, not to one swapped in.
    if (::fstat(fd.get(), &opened) != 0 || !PosixFile::sameIdentity(opened, seen) ||
        !S_ISREG(opened.st_mode))
        return CannotOpen;

    const int written = writeNoise(fd.get(), static_cast<std::uint64_t>(opened.st_size), calls);
    if (written != Purged)
        return written;
    if (calls.fsync(fd.get()) != 0 || calls.ftruncate(fd.get(), 0) != 0 || fd.close() != 0)
        return WriteFailed;
    return Purged;
}

// Creates and at once removes a new file at `path`: 0 when that worked, else the errno.
int probeCreate(const std::string& path)
{
    Fd fd(Sys::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd.valid())
        return errno;
    fd.reset();
    Sys::unlink(path.c_str());
    return 0;
}

} // namespace

Fd open_for_reading(const std::string& path)
{
    // O_NONBLOCK keeps a FIFO from blocking the open; regular files ignore it.
    const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK;
    int fd = ::open(path.c_str(), flags | O_NOATIME);
    if (fd < 0 && errno == EPERM)
        fd = ::open(path.c_str(), flags);
    return Fd(fd);
}

std::int64_t compare_files(const std::string& first, const std::string& second)
{
    Fd a = open_for_reading(first);
    if (!a.valid())
        return FirstOpen;
    Fd b = open_for_reading(second);
    if (!b.valid())
        return SecondOpen;

    std::vector<std::uint8_t> blockA(IoBlockSize), blockB(IoBlockSize);
    long long gotA = 0, gotB = 0;
    if (const std::int64_t error = readPair(a.get(), b.get(), blockA, blockB, gotA, gotB))
        return error;
    if (gotA == 0)
        return FirstEmpty;
    if (gotB == 0)
        return SecondEmpty;

    std::int64_t offset = 0;
    for (;;) {
        // readFull only returns short at the end of a file, so both blocks cover the same
        // positions and the first mismatch within the common length is the first overall.
        const auto common = static_cast<std::size_t>(std::min(gotA, gotB));
        const auto mismatch =
            std::mismatch(blockA.begin(), blockA.begin() + common, blockB.begin());
        if (mismatch.first != blockA.begin() + common)
            return offset + (mismatch.first - blockA.begin());
        if (gotA != gotB)
            return offset + static_cast<std::int64_t>(common); // One is a prefix of the other.
        if (gotA == 0)
            return Identical;
        offset += gotA;
        if (const std::int64_t error = readPair(a.get(), b.get(), blockA, blockB, gotA, gotB))
            return error;
    }
}

namespace {

// Purges the file that `seen` describes, found at `path`. With `keepUnpurged` a file whose
// overwrite failed keeps its name, so that the caller can say where its content still is.
int purgeSeen(int folderFd, const std::string& path, int level, const struct stat& seen,
              bool keepUnpurged, const SystemCalls& calls)
{
    if (S_ISDIR(seen.st_mode))
        return CannotOpen;
    // Only the content of a regular file is overwritten; a symbolic link is removed without
    // touching whatever it points to.
    int result = Purged;
    if (level > 0 && S_ISREG(seen.st_mode))
        result = overwriteWithRandom(folderFd, path, seen, calls);
    if (result != Purged && keepUnpurged)
        return result;
    // Otherwise even after a failed overwrite the name goes: the caller needs it free, and the
    // failure code still tells that the content was not destroyed.
    if (calls.unlinkat(folderFd, path.c_str(), 0) != 0 && errno != ENOENT)
        return UnlinkFailed;
    return result;
}

} // namespace

int purge_file(const std::string& path, int level, int /*reserved1*/, int /*reserved2*/)
{
    struct stat seen;
    if (::lstat(path.c_str(), &seen) != 0)
        return errno == ENOENT || errno == ENOTDIR ? NoSuchFile : CannotOpen;
    return purgeSeen(AT_FDCWD, path, level, seen, false, SystemCalls::current());
}

int purge_identified_at(int folderFd, const std::string& name, int level,
                        const struct stat& identity, const SystemCalls& calls)
{
    struct stat seen;
    if (::fstatat(folderFd, name.c_str(), &seen, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT || errno == ENOTDIR ? NoSuchFile : CannotOpen;
    if (!PosixFile::sameIdentity(seen, identity))
        return CannotOpen;
    return purgeSeen(folderFd, name, level, seen, true, calls);
}

int new_file_creatable(const std::string& path)
{
    return !path.empty() && probeCreate(path) == 0 ? 1 : 0;
}

int new_filepath_extension(const std::string& path)
{
    if (path.empty())
        return 0;
    // The smallest free number, tried in order: the names stay short and predictable, and
    // a few probes are enough unless the folder is crowded with earlier leftovers.
    for (int n = 1; n <= 9999; ++n) {
        const int error = probeCreate(path + std::to_string(n));
        if (error == 0)
            return n;
        // Only a taken name is worth skipping; any other error (no folder, no permission,
        // name too long, disk full) hits every number alike.
        if (error != EEXIST)
            return 0;
    }
    return 0;
}

int sync_file(const std::string& path)
{
    PosixFile::Fd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.valid())
        return errno;
    if (const int error = Durability::flushFile(file.get()))
        return error;
    return Durability::flushFolder(AT_FDCWD, path);
}

int move_file(const std::string& from, const std::string& to)
{
    return Durability::giveName(AT_FDCWD, from, to, Durability::Naming::NoReplace);
}

} // namespace FileUtility
