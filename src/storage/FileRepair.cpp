#include "FileRepair.h"

#include "FileMetadata.h"
#include "OutputFile.h"
#include "PosixFile.h"

#include "engine/ParityFile.h"
#include "engine/PosixIo.h"
#include "engine/RepairLayout.h"
#include "engine/StreamFormat.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace FileRepair {

namespace {

constexpr std::size_t CopyBlock = std::size_t{1} << 20;

// Whether the first bytes of `fd`, with `patches` laid over them, are a repairable header.
bool repairableHeader(int fd, const RepairPatches& patches, const SystemCalls& calls)
{
    std::uint8_t prefix[StreamFormat::PrefixSize];
    if (PosixFile::readFullAt(fd, prefix, sizeof prefix, 0, calls) !=
        static_cast<long long>(sizeof prefix))
        return false;
    patches.apply(0, prefix, sizeof prefix);
    StreamFormat::Header header;
    return StreamFormat::decodePrefix(prefix, header) == StreamFormat::HeaderCheck::Valid &&
           header.repairable;
}

// Copies `size` bytes of `from` to `to` with the repairs laid over them: 0 or an errno,
// negative for a failed read.
int copyRepaired(int from, int to, std::uint64_t size, const RepairPatches& patches,
                 const SystemCalls& calls)
{
    std::vector<std::uint8_t> block(CopyBlock);
    for (std::uint64_t at = 0; at < size; at += CopyBlock) {
        const std::size_t length =
            static_cast<std::size_t>(std::min<std::uint64_t>(CopyBlock, size - at));
        if (PosixFile::readFullAt(from, block.data(), length, static_cast<long long>(at), calls) !=
            static_cast<long long>(length))
            return -EIO;
        patches.apply(at, block.data(), length);
        if (const int error =
                PosixFile::writeFullAt(to, block.data(), length, static_cast<long long>(at), calls))
            return error;
    }
    return 0;
}

void copyMetadata(int from, int to, const struct stat& info)
{
    (void)::fchown(to, info.st_uid, info.st_gid); // only root may give a file away
    ::fchmod(to, info.st_mode & 07777);
    FileMetadata::copyAttributes(from, to);
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    ::futimens(to, times);
}

Result failure(Outcome outcome, int error = 0)
{
    Result result;
    result.outcome = outcome;
    result.error = error;
    return result;
}

} // namespace

Result repairFile(const std::string& path, unsigned threads, const SystemCalls& calls)
{
    PosixFile::Fd input(
        calls.openat(AT_FDCWD, path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0));
    struct stat info;
    if (!input.valid() || ::fstat(input.get(), &info) != 0)
        return failure(Outcome::NotOpened, errno);
    if (!S_ISREG(info.st_mode))
        return failure(Outcome::NotOpened, EINVAL);
    const auto layout = RepairLayout::fromFileSize(static_cast<std::uint64_t>(info.st_size));
    if (!layout)
        return failure(Outcome::NotRepairable);
    ParityFile parity(input.get(), 0, *layout, calls);
    RepairPatches patches;
    // The group with the header first: a file that is not repairable is told by it alone.
    ParityFile::Damage damage = parity.check(0, 1, threads, patches);
    if (damage.readError != 0)
        return failure(Outcome::ReadError, damage.readError);
    // Unmended, the header still tells a repairable file whose first group is lost.
    if (!repairableHeader(input.get(), patches, calls))
        return failure(repairableHeader(input.get(), RepairPatches(), calls)
                           ? Outcome::BeyondRepair
                           : Outcome::NotRepairable);
    const std::size_t unrepairedFirst = damage.unrepaired;
    damage = parity.check(1, layout->groups(), threads, patches);
    if (damage.readError != 0)
        return failure(Outcome::ReadError, damage.readError);
    Result result;
    result.bytes = damage.bytes;
    result.sectors = damage.sectors;
    if (unrepairedFirst + damage.unrepaired > 0) {
        result.outcome = Outcome::BeyondRepair;
        return result;
    }
    if (patches.empty()) {
        result.outcome = Outcome::Intact;
        return result;
    }

    OutputFile output(calls);
    if (!output.create(path))
        return failure(Outcome::WriteError, errno);
    const int copied = copyRepaired(input.get(), output.fd(),
                                    static_cast<std::uint64_t>(info.st_size), patches, calls);
    if (copied != 0) {
        if (copied < 0)
            return failure(Outcome::ReadError, -copied);
        return failure(PosixFile::isNoSpace(copied) ? Outcome::DiskFull : Outcome::WriteError,
                       copied);
    }
    RepairPatches again;
    const ParityFile::Damage left =
        ParityFile(output.fd(), 0, *layout, calls).check(0, layout->groups(), threads, again);
    if (left.readError != 0 || left.unrepaired > 0 || !again.empty())
        return failure(Outcome::NotVerified);
    copyMetadata(input.get(), output.fd(), info);
    if (const int error = output.commit())
        return failure(PosixFile::isNoSpace(error) ? Outcome::DiskFull : Outcome::WriteError,
                       error);
    result.outcome = Outcome::Repaired;
    return result;
}

} // namespace FileRepair
