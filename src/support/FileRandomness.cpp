#include "FileRandomness.h"

#include "RandomnessMeasure.h"
#include "storage/FileUtility.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace FileRandomness {
namespace {

constexpr std::size_t IoBlockSize = std::size_t{1} << 20;

// Feeds the measured stretches of the file into the accumulator; false on a read error.
bool accumulateFile(int fd, std::uint64_t size, Randomness::Accumulator& accumulator)
{
    std::vector<std::uint8_t> buffer(IoBlockSize);
    for (const Randomness::Block& block : Randomness::sampleBlocks(size)) {
        accumulator.startBlock();
        std::uint64_t done = 0;
        while (done < block.size) {
            const std::size_t want = std::min<std::uint64_t>(buffer.size(), block.size - done);
            const ssize_t got = ::pread(fd, buffer.data(), want, block.offset + done);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return false;
            if (got == 0)
                return true; // The file shrank meanwhile: measure what is there.
            accumulator.add(buffer.data(), static_cast<std::size_t>(got));
            done += static_cast<std::uint64_t>(got);
        }
    }
    return true;
}

} // namespace

RandomnessValue fr(const std::string& path, int minSize)
{
    PosixFile::Fd fd = FileUtility::open_for_reading(path);
    if (!fd.valid())
        return errno == ENOENT || errno == ENOTDIR ? RandomnessError::FileNotFound
                                                   : RandomnessError::FileReadError;
    return fr(fd.get(), minSize);
}

RandomnessValue fr(int fd, int minSize)
{
    struct stat status;
    // Only regular files have a size to sample by; a folder or device is not readable here.
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        return RandomnessError::FileReadError;
    if (status.st_size == 0)
        return RandomnessError::FileEmpty;
    if (status.st_size < minSize)
        return RandomnessError::FileTooShort;

    Randomness::Accumulator accumulator;
    if (!accumulateFile(fd, static_cast<std::uint64_t>(status.st_size), accumulator))
        return RandomnessError::FileReadError;
    if (accumulator.byteCount() == 0)
        return RandomnessError::FileEmpty; // Truncated since the size was taken.
    return RandomnessValue(accumulator.result());
}

double randomness_measure(const std::uint8_t* bytes, int length, int bufferLength)
{
    // Never read past the caller's buffer, whatever length it claims.
    const int usable = std::min(length, bufferLength);
    if (bytes == nullptr || usable <= 0)
        return 0.0;
    return Randomness::measure(bytes, static_cast<std::size_t>(usable));
}

} // namespace FileRandomness
