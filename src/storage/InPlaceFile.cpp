#include "InPlaceFile.h"

#include "Durability.h"
#include "FileMetadata.h"
#include "FileUtility.h"
#include "PosixFile.h"
#include "engine/SystemCalls.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <utility>

namespace {

// A leftover touched this recently may belong to a run that is just making it.
constexpr std::time_t LeftoverQuietSeconds = 2;

bool SameTime(const timespec& a, const timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// True when the folder of `path` is the folder open at `folderFd`: a path whose folder was
// swapped for a symbolic link, or for another folder, leads elsewhere.
bool FolderStillAt(const std::string& path, int folderFd)
{
    struct stat atPath, opened;
    return ::stat(PosixFile::folderOf(path).c_str(), &atPath) == 0 &&
           ::fstat(folderFd, &opened) == 0 && PosixFile::sameIdentity(atPath, opened);
}

// True when another program has the file open for writing. A read lease can be taken only
// while nobody does; it is given back at once. Where leases are not available (another
// owner's file, some network file systems) nothing can be seen, and false is returned.
bool OpenForWritingElsewhere(int fd)
{
    if (::fcntl(fd, F_SETLEASE, F_RDLCK) == 0) {
        ::fcntl(fd, F_SETLEASE, F_UNLCK);
        return false;
    }
    return errno == EAGAIN;
}

// Takes the lock that runs of the program respect; false only when another one holds it.
// File systems without locks cannot tell, and the file is then taken as free.
bool Lock(int fd, bool exclusive)
{
    if (::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0)
        return true;
    return errno != EWOULDBLOCK;
}

} // namespace

InPlaceFile::~InPlaceFile()
{
    discardResult();
}

void InPlaceFile::IgnoreLeaseBreaks()
{
    struct sigaction current = {};
    if (::sigaction(SIGIO, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
        ::signal(SIGIO, SIG_IGN);
}

InPlaceFile::Status InPlaceFile::open(const std::string& path, Mode mode, const ListedFile* listed)
{
    const bool replace = mode == Mode::Replace;
    m_path = path;
    m_folderFd = listed ? listed->folderFd : AT_FDCWD;
    m_prefix = listed ? std::string() : PosixFile::folderPrefix(path);
    m_name = listed ? listed->name : path;
    int flags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK; // a pipe never blocks the open
    if (replace)
        flags |= O_NOFOLLOW;
    m_input = PosixFile::Fd(::openat(m_folderFd, m_name.c_str(), flags));
    if (!m_input.valid()) {
        if (errno == ENOENT || errno == ENOTDIR)
            return NotFound;
        return errno == ELOOP ? NotRegular : NotOpened;
    }
    if (::fstat(m_input.get(), &m_seen) != 0)
        return NotOpened;
    if (!S_ISREG(m_seen.st_mode))
        return NotRegular;
    // Taken only while it is the listed file and its path, which reports show, leads to it.
    if (listed && (!listed->IsStill(m_seen) || !FolderStillAt(path, listed->folderFd)))
        return NotAsListed;
    if (!Lock(m_input.get(), replace))
        return InUse;
    ::posix_fadvise(m_input.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    if (!replace)
        return Ready;
    if (m_seen.st_nlink == 0)
        return NotFound;
    if (m_seen.st_nlink > 1)
        return OtherLinks;
    if (!CanBeRemoved())
        return NotRemovable;
    IgnoreLeaseBreaks();
    if (OpenForWritingElsewhere(m_input.get()))
        return InUse;
    return Ready;
}

bool InPlaceFile::CanBeRemoved() const
{
    int attributes = 0;
    if (::ioctl(m_input.get(), FS_IOC_GETFLAGS, &attributes) == 0 &&
        (attributes & (FS_IMMUTABLE_FL | FS_APPEND_FL)) != 0)
        return false;
    const std::string folder = m_prefix + ".";
    if (m_calls.faccessat(m_folderFd, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
        return false;
    struct stat folderInfo;
    if (::fstatat(m_folderFd, folder.c_str(), &folderInfo, 0) != 0)
        return false;
    // In a sticky folder (/tmp) only the file's owner, the folder's owner and root may
    // remove or rename a file.
    const uid_t user = ::geteuid();
    return (folderInfo.st_mode & S_ISVTX) == 0 || user == 0 || user == m_seen.st_uid ||
           user == folderInfo.st_uid;
}

std::string InPlaceFile::Shown(const std::string& name) const
{
    return m_folderFd == AT_FDCWD || name.empty() ? name : PosixFile::folderPrefix(m_path) + name;
}

void InPlaceFile::SetResultName(const std::string& name)
{
    m_resultName = name;
    m_resultPath = Shown(name);
}

InPlaceFile::Status InPlaceFile::createResult()
{
    std::string name;
    m_result = PosixFile::createTemporaryAt(m_folderFd, m_prefix, name, m_calls);
    SetResultName(name);
    if (!m_result.valid())
        return NoResultFile;
    FileMetadata::copyFlags(m_input.get(), m_result.get());
    return Ready;
}

void InPlaceFile::copyMetadata()
{
    const int fd = m_result.get();
    mode_t mode = m_seen.st_mode & 07777;
    // Only root can give a file away; a group the user belongs to may still be kept.
    if (::fchown(fd, m_seen.st_uid, m_seen.st_gid) != 0) {
        // The result is the user's own now, and its owner bits are what the user may do with
        // it: without the access the user had to the original (through its group, the other
        // bits or an access control list), the user would be locked out of their own result.
        mode |= AccessOfUser();
        mode &= ~static_cast<mode_t>(S_ISUID);
        if (::fchown(fd, static_cast<uid_t>(-1), m_seen.st_gid) != 0)
            mode &= ~static_cast<mode_t>(S_ISGID);
    }
    // After the owner, whose change would drop a file capability; before the mode, which
    // then also sets the mask of an access control list as the original has it.
    FileMetadata::copyAttributes(m_input.get(), fd);
    ::fchmod(fd, mode);
    const timespec times[2] = {m_seen.st_atim, m_seen.st_mtim};
    ::futimens(fd, times);
}

mode_t InPlaceFile::AccessOfUser() const
{
    mode_t bits = S_IRUSR; // the original has been read
    const auto allowed = [this](int what) {
        return ::faccessat(m_folderFd, m_name.c_str(), what, AT_EACCESS) == 0;
    };
    if (allowed(W_OK))
        bits |= S_IWUSR;
    if (allowed(X_OK))
        bits |= S_IXUSR;
    return bits;
}

bool InPlaceFile::Unchanged(bool afterExchange) const
{
    struct stat now;
    if (::fstat(m_input.get(), &now) != 0 || now.st_size != m_seen.st_size ||
        !SameTime(now.st_mtim, m_seen.st_mtim) || now.st_nlink != 1)
        return false;
    // A rename sets the change time, so it is compared only before the exchange.
    if (!afterExchange && !SameTime(now.st_ctim, m_seen.st_ctim))
        return false;
    struct stat atName;
    const std::string& where = afterExchange ? m_resultName : m_name;
    return ::fstatat(m_folderFd, where.c_str(), &atName, AT_SYMLINK_NOFOLLOW) == 0 &&
           PosixFile::sameIdentity(atName, m_seen);
}

bool InPlaceFile::Exchange()
{
    const int at = m_folderFd;
    const int error =
        Durability::giveName(at, m_resultName, m_name, Durability::Naming::Exchange, m_calls);
    if (error == 0)
        return true;
    errno = error;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // Without an atomic exchange: the original takes a second, temporary name, and the result
    // then replaces the first one in a single rename. The name never goes missing.
    std::string originalAt;
    PosixFile::Fd placeholder = PosixFile::createTemporaryAt(at, m_prefix, originalAt, m_calls);
    if (!placeholder.valid())
        return false;
    placeholder.reset();
    m_calls.unlinkat(at, originalAt.c_str(), 0);
    if (m_calls.linkat(at, m_name.c_str(), at, originalAt.c_str(), 0) != 0)
        return false;
    if (m_calls.renameat(at, m_resultName.c_str(), at, m_name.c_str()) != 0) {
        m_calls.unlinkat(at, originalAt.c_str(), 0);
        return false;
    }
    SetResultName(originalAt);
    m_swappedByLink = true;
    return true;
}

bool InPlaceFile::SwapBack()
{
    const int at = m_folderFd;
    if (!m_swappedByLink)
        return Durability::giveName(at, m_resultName, m_name, Durability::Naming::Exchange,
                                    m_calls) == 0;
    // The result is given up: the original takes its name back in one rename.
    if (m_calls.renameat(at, m_resultName.c_str(), at, m_name.c_str()) != 0)
        return false;
    SetResultName(std::string());
    m_result.reset();
    return true;
}

InPlaceFile::Status InPlaceFile::replace()
{
    if (!Unchanged(false))
        return Changed;
    if (OpenForWritingElsewhere(m_input.get()))
        return InUse;
    m_purging.emplace();
    if (!Exchange()) {
        m_purging.reset();
        return ExchangeFailed;
    }
    m_exchanged = true;
    // The name may have been given to a new version in the instant before the exchange, or a
    // writer may have come: then the exchange is undone and the result goes.
    struct stat result, atName;
    const bool resultAtName =
        ::fstat(m_result.get(), &result) == 0 &&
        ::fstatat(m_folderFd, m_name.c_str(), &atName, AT_SYMLINK_NOFOLLOW) == 0 &&
        PosixFile::sameIdentity(atName, result);
    if (!resultAtName || !Unchanged(true) || OpenForWritingElsewhere(m_input.get())) {
        // Should even that fail, the original stays under the temporary name, unpurged.
        if (SwapBack())
            Restored();
        return Changed;
    }
    // The exchange reaches the disk before the original can be purged: until then a power loss
    // could bring back the name's old entry with the original's data already overwritten.
    if (Durability::flushFolder(m_folderFd, m_path, m_calls) != 0) {
        if (SwapBack())
            Restored();
        return ExchangeFailed;
    }
    return Ready;
}

void InPlaceFile::Restored()
{
    m_exchanged = false;
    m_purging.reset();
}

int InPlaceFile::purgeOriginal(int level)
{
    if (!m_exchanged)
        return FileUtility::CannotOpen;
    const int result =
        FileUtility::purge_identified_at(m_folderFd, m_resultName, level, m_seen, m_calls);
    // What could not be purged stays where it is, and releaseResult() says where.
    if (!FileUtility::purge_succeeded(result))
        return result;
    m_result.reset();
    SetResultName(std::string());
    Restored();
    return result;
}

void InPlaceFile::discardResult()
{
    if (m_exchanged || m_resultName.empty())
        return;
    m_calls.unlinkat(m_folderFd, m_resultName.c_str(), 0);
    m_result.reset();
    SetResultName(std::string());
}

std::string InPlaceFile::releaseResult()
{
    m_result.reset();
    m_resultName.clear();
    return std::exchange(m_resultPath, std::string());
}

std::string InPlaceFile::keepPartialResult()
{
    if (m_exchanged || m_resultName.empty())
        return {};
    // On the disk before it has a name of its own, like every name the program gives.
    const std::string name =
        Durability::flushFile(m_result.get(), m_calls) == 0
            ? PosixFile::linkUnderAt(m_folderFd, m_resultName, m_name + ".partial", m_calls)
            : std::string();
    discardResult();
    if (!name.empty())
        (void)Durability::flushFolder(m_folderFd, Shown(name), m_calls);
    return Shown(name);
}

std::vector<std::string> InPlaceFile::RemoveLeftovers(const std::string& folder, int folderFd)
{
    std::vector<std::string> names;
    // A descriptor of its own, whose reading position is not the caller's.
    constexpr int Flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    const int opened =
        folderFd == AT_FDCWD ? ::open(folder.c_str(), Flags) : ::openat(folderFd, ".", Flags);
    DIR* dir = opened < 0 ? nullptr : ::fdopendir(opened);
    if (dir == nullptr) {
        if (opened >= 0)
            ::close(opened);
        return names;
    }
    while (const dirent* entry = ::readdir(dir)) {
        if (PosixFile::isTemporaryName(entry->d_name))
            names.emplace_back(entry->d_name);
    }
    std::vector<std::string> removed;
    for (const std::string& name : names) {
        if (RemoveLeftover(::dirfd(dir), name))
            removed.push_back(name);
    }
    ::closedir(dir);
    return removed;
}

bool InPlaceFile::RemoveLeftover(int folderFd, const std::string& name)
{
    // The leftover may be a plaintext: it is purged, never only removed.
    const OwnTemporaries::Purging purging;
    PosixFile::Fd fd(
        ::openat(folderFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat info;
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    if (std::time(nullptr) - info.st_ctim.tv_sec < LeftoverQuietSeconds)
        return false;
    // A running program holds the lock of every such file it still uses.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
        return false;
    const int level = info.st_nlink == 1 ? 1000 : 0;
    return FileUtility::purge_succeeded(
        FileUtility::purge_identified_at(folderFd, name, level, info));
}
