#include "TemporaryReserve.h"

#include "SystemCalls.h"

#include <algorithm>
#include <fcntl.h>
#include <optional>
#include <sys/resource.h>
#include <sys/sysinfo.h>
#include <unistd.h>

namespace {

// Descriptors left for everything else the process opens while the reserve is held.
constexpr rlim_t DescriptorHeadroom = 256;

// How many more descriptors the process may open for the reserve, raising its own soft limit
// towards the hard one when `wanted` needs it; `before` then keeps the limit it had.
std::size_t DescriptorBudget(std::size_t wanted, std::optional<rlimit>& before)
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 0;
    const rlim_t needed = rlim_t(wanted) + DescriptorHeadroom;
    if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < needed &&
        (limit.rlim_max == RLIM_INFINITY || limit.rlim_max > limit.rlim_cur)) {
        rlimit raised = limit;
        raised.rlim_cur =
            limit.rlim_max == RLIM_INFINITY ? needed : std::min(needed, limit.rlim_max);
        if (::setrlimit(RLIMIT_NOFILE, &raised) == 0) {
            if (!before)
                before = limit;
            limit = raised;
        }
    }
    if (limit.rlim_cur == RLIM_INFINITY)
        return wanted;
    return limit.rlim_cur > DescriptorHeadroom ? std::size_t(limit.rlim_cur - DescriptorHeadroom)
                                               : 0;
}

// Zeros to write from: never written, so its pages stay the kernel's shared zero page.
char Zeros[1 << 20];

// The most a file is filled ahead: a sixteenth of the memory keeps those pages well below the
// share at which the kernel starts writing dirty pages to the disk, which would write the
// zeros for nothing.
long long PageBudget()
{
    struct sysinfo info;
    if (::sysinfo(&info) != 0)
        return 0;
    return static_cast<long long>(info.totalram) * info.mem_unit / 16;
}

} // namespace

void TemporaryReserve::fill(int folderFd, std::size_t count, const std::function<bool()>& goOn,
                            long long firstBytes)
{
    if (folderFd != m_folderFd)
        clear();
    m_folderFd = folderFd;
    const std::size_t wanted = std::min(count, DescriptorBudget(count, m_limitBefore));
    while (m_files.size() < wanted && goOn()) {
        Reserved file;
        file.fd = PosixFile::createTemporaryAt(folderFd, std::string(), file.name);
        if (!file.fd.valid())
            break;
        m_files.push_back(std::move(file));
    }
    if (!m_files.empty() && firstBytes > 0)
        fillPages(m_files.back(), std::min(firstBytes, PageBudget()), goOn);
}

void TemporaryReserve::fillPages(Reserved& file, long long bytes, const std::function<bool()>& goOn)
{
    while (file.filled < bytes && goOn()) {
        const auto length = static_cast<std::size_t>(
            std::min<long long>(static_cast<long long>(sizeof Zeros), bytes - file.filled));
        // Only a head start: a full disk or any other failure shows in the output's own writes.
        const ssize_t written = Sys::pwrite(file.fd.get(), Zeros, length, file.filled);
        if (written <= 0)
            break;
        file.filled += written;
    }
}

PosixFile::Fd TemporaryReserve::take(int folderFd, std::string& name, long long& filled)
{
    filled = 0;
    if (folderFd != m_folderFd || m_files.empty())
        return PosixFile::Fd();
    Reserved file = std::move(m_files.back());
    m_files.pop_back();
    name = std::move(file.name);
    filled = file.filled;
    return std::move(file.fd);
}

void TemporaryReserve::clear()
{
    for (Reserved& file : m_files) {
        // Removed while still locked: no other run takes it for a leftover of its own meanwhile.
        Sys::unlinkat(m_folderFd, file.name.c_str(), 0);
        file.fd.reset();
    }
    m_files.clear();
    m_folderFd = -1;
    // Programs started later get the limit the process was given.
    if (m_limitBefore)
        (void)::setrlimit(RLIMIT_NOFILE, &*m_limitBefore);
    m_limitBefore.reset();
}
